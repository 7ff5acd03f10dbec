#pragma once

#include <QString>
#include <vector>

// The kinds of drive the report tells apart.
enum class DriveType { Removable, Fixed, Remote, CdRom, RamDisk };

// One mounted file system that holds files, as the report lists it.
struct Drive {
  QString root;  // the mount point
  DriveType type = DriveType::Fixed;
  qint64 totalBytes = -1;  // -1 when the size cannot be read
  qint64 freeBytes = -1;   // space this user may still fill
};

// The mounted file systems in mount-point order; pseudo file systems (proc,
// sysfs, cgroup and the like) are left out, and of several file systems
// mounted on one point only the last, the visible one, counts.
std::vector<Drive> ListDrives();

// The report's name of a drive type.
QString DriveTypeName(DriveType type);
