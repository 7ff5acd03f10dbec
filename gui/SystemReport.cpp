#include "SystemReport.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <cerrno>

#include "DriveList.h"
#include "GuiStrings.h"
#include "TextFormat.h"

namespace {

void AddSeparator(QStringList& lines) {
  lines << GuiString(idsSeparator);
}

// A folder the report names, or the query's failure with its error code.
QString FolderOrError(const QString& path) {
  struct stat status {};
  int error = 0;
  if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
    error = errno;
  } else if (!S_ISDIR(status.st_mode)) {
    error = ENOTDIR;
  }
  if (error == 0) return path;
  return FormatText(GuiString(idsReportQueryFailed), {QString::number(error)});
}

// "Name:   1234 kB" lines of a /proc file, as byte counts by name.
QMap<QString, qint64> ReadKilobyteTable(const QString& fileName) {
  QMap<QString, qint64> table;
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return table;
  static const QRegularExpression line(QStringLiteral("^(\\w+):\\s+(\\d+) kB$"),
                                       QRegularExpression::MultilineOption);
  const QString text = QString::fromLatin1(file.readAll());
  for (auto match = line.globalMatch(text); match.hasNext();) {
    const QRegularExpressionMatch field = match.next();
    table.insert(field.captured(1), field.captured(2).toLongLong() * 1024);
  }
  return table;
}

// The size of the address space a process may use: its limit when it has
// one, otherwise the user half of the architecture's address space.
qint64 AddressSpaceSize() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    return static_cast<qint64>(limit.rlim_cur);
  }
#if defined(__aarch64__)
  return qint64{1} << 48;
#elif defined(__x86_64__)
  return 0x7FFF'FFFF'F000;  // the kernel's TASK_SIZE with 4-level paging
#else
  return sizeof(void*) == 8 ? qint64{1} << 47 : qint64{3} << 30;
#endif
}

}  // namespace

void AddVersionSection(QStringList& lines) {
  // No version resource on Linux: both versions are the build's.
  const QString version = QStringLiteral(TESSALY_FILE_VERSION);
  lines << GuiString(idsReportVersion);
  lines << FormatText(GuiString(idsReportFileVersion), {version});
  lines << FormatText(GuiString(idsReportProductVersion), {version});
}

// The kernel release ("6.1.0-18-amd64") gives major, minor and patch.
void AddSystemLine(QStringList& lines) {
  QString name;
  int numbers[3] = {0, 0, 0};
  utsname system{};
  if (::uname(&system) == 0) {
    name = GuiString(idsReportPlatformName);
    static const QRegularExpression release(QStringLiteral("^(\\d+)\\.(\\d+)(?:\\.(\\d+))?"));
    const QRegularExpressionMatch match = release.match(QString::fromLatin1(system.release));
    for (int part = 0; part < 3 && match.hasMatch(); ++part) {
      numbers[part] = match.captured(part + 1).toInt();
    }
  }
  lines << FormatText(
      GuiString(idsReportSystem),
      {name, QString::number(numbers[0]),
       QStringLiteral("%1").arg(numbers[1], 2, 10, QLatin1Char('0')), QString::number(numbers[2])});
}

// The three folders of the report, as Linux has them: the file-system root
// stands for the operating system's own folder, /usr/lib (where the system's
// shared libraries live) for the system folder, and the temporary folder as
// Qt reports it (TMPDIR, else /tmp) with a trailing "/", as for TempDir.
void AddFoldersSection(QStringList& lines) {
  lines << FormatText(GuiString(idsReportRootDir), {FolderOrError(QStringLiteral("/"))});
  lines << FormatText(GuiString(idsReportSystemDir), {FolderOrError(QStringLiteral("/usr/lib"))});
  QString temp = QDir::tempPath();
  if (!temp.endsWith(u'/')) temp += u'/';
  lines << FormatText(GuiString(idsReportTempDir), {FolderOrError(temp)});
}

// The kernel's figures: MemAvailable is what a new program could still get,
// which is what "memory in use" leaves out.
void AddMemorySection(QStringList& lines) {
  const QMap<QString, qint64> memory = ReadKilobyteTable(QStringLiteral("/proc/meminfo"));
  const qint64 total = memory.value(QStringLiteral("MemTotal"));
  const qint64 available =
      memory.value(QStringLiteral("MemAvailable"), memory.value(QStringLiteral("MemFree")));
  const qint64 load = total > 0 ? (total - available) * 100 / total : 0;
  const qint64 addressSpace = AddressSpaceSize();
  const qint64 used =
      ReadKilobyteTable(QStringLiteral("/proc/self/status")).value(QStringLiteral("VmSize"));
  const std::pair<int, qint64> counts[] = {
      {idsReportTotalPhysical, total},
      {idsReportAvailPhysical, available},
      {idsReportTotalPageFile, memory.value(QStringLiteral("SwapTotal"))},
      {idsReportAvailPageFile, memory.value(QStringLiteral("SwapFree"))},
      {idsReportTotalVirtual, addressSpace},
      {idsReportAvailVirtual, addressSpace - used}};
  lines << GuiString(idsReportMemory);
  lines << FormatText(GuiString(idsReportMemoryLoad), {QString::number(load)});
  for (const auto& [id, count] : counts) {
    lines << FormatText(GuiString(id), {FormatByteCount(count)});
  }
}

// A saved log is meant to be passed on: values of variables whose names
// suggest a secret never go into it.
QString MaskedEntry(const QString& entry) {
  static const QRegularExpression secretName(
      QStringLiteral("TOKEN|SECRET|PASSWORD|PASSWD|KEY|CREDENTIAL|AUTH|COOKIE|SESSION"),
      QRegularExpression::CaseInsensitiveOption);
  const qsizetype equals = entry.indexOf(u'=', 1);  // a name may begin with "="
  if (equals < 0 || !secretName.match(QStringView(entry).left(equals)).hasMatch()) return entry;
  return entry.left(equals + 1) + QStringLiteral("******");
}

// The first entry is written even when there is none, as one empty line.
void AddEnvironmentSection(QStringList& lines) {
  lines << GuiString(idsReportEnvironment);
  const qsizetype first = lines.size();
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    lines << MaskedEntry(QString::fromLocal8Bit(*entry));
  }
  if (lines.size() == first) lines << QString();
}

void AddDrivesSection(QStringList& lines) {
  lines << GuiString(idsReportDrives);
  for (const Drive& drive : ListDrives()) {
    if (drive.type == DriveType::Fixed) {
      lines << FormatText(GuiString(idsReportFixedDrive),
                          {drive.root, DriveTypeName(drive.type), FormatByteCount(drive.totalBytes),
                           FormatByteCount(drive.freeBytes)});
    } else {
      lines << FormatText(GuiString(idsReportOtherDrive), {drive.root, DriveTypeName(drive.type)});
    }
  }
}

void AddSystemReport(QStringList& lines) {
  AddVersionSection(lines);
  AddSeparator(lines);
  AddSystemLine(lines);
  AddSeparator(lines);
  AddFoldersSection(lines);
  AddSeparator(lines);
  AddMemorySection(lines);
  AddSeparator(lines);
  AddEnvironmentSection(lines);
  AddSeparator(lines);
  AddDrivesSection(lines);
  AddSeparator(lines);
  lines << GuiString(idsReportEnd);
  AddSeparator(lines);
}
