#include "DriveList.h"

#include <sys/statvfs.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include "GuiStrings.h"

namespace {

// Kernel file systems that hold no user files.
bool IsPseudoType(const QString& type) {
  static const QStringList kTypes =
      QStringLiteral(
          "proc sysfs cgroup cgroup2 devtmpfs devpts mqueue debugfs tracefs securityfs pstore "
          "efivarfs bpf configfs fusectl hugetlbfs autofs binfmt_misc rpc_pipefs nsfs selinuxfs "
          "nfsd fuse.gvfsd-fuse fuse.portal")
          .split(u' ');
  return kTypes.contains(type);
}

bool IsRemoteType(const QString& type) {
  static const QStringList kTypes =
      QStringLiteral(
          "nfs nfs4 cifs smb3 smbfs ncpfs afs ceph glusterfs 9p lustre davfs fuse.sshfs "
          "fuse.davfs2 fuse.rclone")
          .split(u' ');
  return kTypes.contains(type);
}

// /proc/self/mounts writes blanks, tabs, newlines and backslashes in octal.
QString DecodeMountField(const QByteArray& field) {
  QByteArray decoded;
  for (qsizetype i = 0; i < field.size(); ++i) {
    bool isOctal = false;
    const int code =
        i + 3 < field.size() && field.at(i) == '\\' ? field.mid(i + 1, 3).toInt(&isOctal, 8) : 0;
    if (isOctal) {
      decoded += static_cast<char>(code);
      i += 3;
    } else {
      decoded += field.at(i);
    }
  }
  return QFile::decodeName(decoded);
}

// A block device on a removable medium: the device's "removable" flag, or
// for a partition that of the disk it is on.
bool IsRemovableDevice(const QString& device) {
  if (!device.startsWith(QStringLiteral("/dev/"))) return false;
  const QString name = QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
  if (name.isEmpty()) return false;
  QDir sysBlock(QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath());
  for (int level = 0; level < 2 && !sysBlock.path().isEmpty(); ++level) {
    QFile flag(sysBlock.filePath(QStringLiteral("removable")));
    if (flag.open(QIODevice::ReadOnly)) return flag.readAll().trimmed() == "1";
    if (!sysBlock.cdUp()) break;
  }
  return false;
}

DriveType TypeOf(const QString& device, const QString& fileSystem) {
  if (IsRemoteType(fileSystem)) return DriveType::Remote;
  if (fileSystem == QStringLiteral("iso9660") || fileSystem == QStringLiteral("udf")) {
    return DriveType::CdRom;
  }
  if (fileSystem == QStringLiteral("tmpfs") || fileSystem == QStringLiteral("ramfs")) {
    return DriveType::RamDisk;
  }
  return IsRemovableDevice(device) ? DriveType::Removable : DriveType::Fixed;
}

// Whatever is mounted inside /proc or /sys belongs to the kernel's
// interfaces (a container's cgroup tmpfs, for one), not to the user's files.
bool IsKernelInterface(const QString& mountPoint) {
  for (const QString& root : {QStringLiteral("/proc"), QStringLiteral("/sys")}) {
    if (mountPoint == root || mountPoint.startsWith(root + u'/')) return true;
  }
  return false;
}

void ReadSpace(Drive& drive) {
  struct statvfs space {};
  if (::statvfs(QFile::encodeName(drive.root).constData(), &space) != 0) return;
  drive.totalBytes = static_cast<qint64>(space.f_blocks) * static_cast<qint64>(space.f_frsize);
  drive.freeBytes = static_cast<qint64>(space.f_bavail) * static_cast<qint64>(space.f_frsize);
}

}  // namespace

std::vector<Drive> ListDrives() {
  QFile mounts(QStringLiteral("/proc/self/mounts"));
  if (!mounts.open(QIODevice::ReadOnly)) return {};
  QMap<QString, Drive> byRoot;  // sorted by mount point; a later mount replaces
  for (const QByteArray& line : mounts.readAll().split('\n')) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 3) continue;
    Drive drive;
    drive.root = DecodeMountField(fields.at(1));
    const QString fileSystem = DecodeMountField(fields.at(2));
    if (IsPseudoType(fileSystem) || IsKernelInterface(drive.root)) {
      byRoot.remove(drive.root);
      continue;
    }
    drive.device = DecodeMountField(fields.at(0));
    drive.fileSystem = fileSystem;
    drive.type = TypeOf(drive.device, fileSystem);
    byRoot.insert(drive.root, drive);
  }
  std::vector<Drive> drives;
  for (Drive& drive : byRoot) {
    if (drive.type != DriveType::Remote) ReadSpace(drive);
    drives.push_back(drive);
  }
  return drives;
}

QString DriveTypeName(DriveType type) {
  switch (type) {
    case DriveType::Removable:
      return GuiString(idsDriveRemovable);
    case DriveType::Remote:
      return GuiString(idsDriveRemote);
    case DriveType::CdRom:
      return GuiString(idsDriveCdRom);
    case DriveType::RamDisk:
      return GuiString(idsDriveRamDisk);
    case DriveType::Fixed:
      break;
  }
  return GuiString(idsDriveFixed);
}
