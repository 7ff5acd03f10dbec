#pragma once

#include <QString>
#include <vector>

// The kinds of drive the report tells apart.
enum class DriveType { Removable, Fixed, Remote, CdRom, RamDisk };

// One mounted file system that holds files, as the report lists it.
struct Drive {
  QString root;        // the mount point
  QString device;      // what is mounted: a device, a server's share, "tmpfs"
  QString fileSystem;  // the kernel's name of its type: "ext4", "nfs4"
  DriveType type = DriveType::Fixed;
  qint64 totalBytes = -1;  // -1 when the size cannot be read
  qint64 freeBytes = -1;   // space this user may still fill
};

// The mounted file systems in mount-point order; pseudo file systems (proc,
// sysfs, cgroup and the like) are left out, and of several file systems
// mounted on one point only the last, the visible one, counts. Sizes are
// read for every kind but remote ones, which may not answer.
std::vector<Drive> ListDrives();

// The report's name of a drive type.
QString DriveTypeName(DriveType type);
