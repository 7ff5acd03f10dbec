#include "SystemReport.h"

#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMap>
#include <QRegularExpression>
#include <cerrno>

#include "DriveList.h"
#include "GuiStrings.h"
#include "SecretMask.h"
#include "TextFormat.h"

namespace {

void AddSeparator(QStringList& lines) {
  lines << GuiString(idsSeparator);
}

QString QueryFailed(int error) {
  return FormatText(GuiString(idsReportQueryFailed), {QString::number(error)});
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
  return error == 0 ? path : QueryFailed(error);
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

// A value of os-release as a shell reads it: in double quotes (with
// backslash escapes), in single quotes, or bare.
QString ShellValue(const QString& text) {
  if (text.size() >= 2 && text.front() == u'\'' && text.back() == u'\'') return text.mid(1, text.size() - 2);
  if (text.size() < 2 || text.front() != u'"' || text.back() != u'"') return text;
  static const QString escaped = QStringLiteral("\"\\$`");
  QString value;
  for (qsizetype i = 1; i + 1 < text.size(); ++i) {
    if (text[i] == u'\\' && i + 2 < text.size() && escaped.contains(text[i + 1])) ++i;
    value += text[i];
  }
  return value;
}

// The distribution names itself in os-release, under /etc or, where /etc
// has none, under /usr/lib.
QString DistributionName() {
  QFile file(QStringLiteral("/etc/os-release"));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    file.setFileName(QStringLiteral("/usr/lib/os-release"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return QueryFailed(ENOENT);
  }
  QMap<QString, QString> fields;
  for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
    const qsizetype equals = line.indexOf(u'=');
    if (equals > 0 && !line.startsWith(u'#')) {
      fields.insert(line.left(equals).trimmed(), ShellValue(line.mid(equals + 1).trimmed()));
    }
  }
  const QString pretty = fields.value(QStringLiteral("PRETTY_NAME"));
  if (!pretty.isEmpty()) return pretty;
  return (fields.value(QStringLiteral("NAME"), QStringLiteral("Linux")) + u' ' +
          fields.value(QStringLiteral("VERSION")))
      .trimmed();
}

// As "uname -srvm" writes it.
QString KernelText() {
  utsname system{};
  if (::uname(&system) != 0) return QueryFailed(errno);
  return QStringList({QString::fromLocal8Bit(system.sysname), QString::fromLocal8Bit(system.release),
                      QString::fromLocal8Bit(system.version), QString::fromLocal8Bit(system.machine)})
      .join(u' ');
}

// The session's kind as the login manager declares it, else as the
// displays in the environment tell it.
QString SessionType() {
  const QString declared = qEnvironmentVariable("XDG_SESSION_TYPE").toLower();
  if (declared == QStringLiteral("x11")) return QStringLiteral("X11");
  if (declared == QStringLiteral("wayland")) return QStringLiteral("Wayland");
  if (!declared.isEmpty() && declared != QStringLiteral("unspecified")) return declared;
  if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return QStringLiteral("Wayland");
  if (!qEnvironmentVariableIsEmpty("DISPLAY")) return QStringLiteral("X11");
  return GuiString(idsReportUnknown);
}

QString DesktopName() {
  for (const char* variable : {"XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "DESKTOP_SESSION"}) {
    const QString name = qEnvironmentVariable(variable);
    if (!name.isEmpty()) return name;
  }
  return GuiString(idsReportUnknown);
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

// What a support person asks first on Linux: which distribution, which
// kernel, which desktop, which Qt and through which of its platform plugins.
void AddLinuxLines(QStringList& lines) {
  lines << FormatText(GuiString(idsReportDistribution), {DistributionName()});
  lines << FormatText(GuiString(idsReportKernel), {KernelText()});
  lines << FormatText(GuiString(idsReportDesktop), {SessionType(), DesktopName()});
  const QString platform = QGuiApplication::platformName();
  lines << FormatText(GuiString(idsReportQtVersion),
                      {QString::fromLatin1(qVersion()), platform.isEmpty() ? GuiString(idsReportUnknown) : platform});
}

// The folders as Linux has them: /usr/lib (where the system's shared
// libraries live) for the system folder, and the temporary folder as Qt
// reports it (TMPDIR, else /tmp) with a trailing "/", as for TempDir. Linux
// has no operating system's own folder to name.
void AddFoldersSection(QStringList& lines) {
  lines << FormatText(GuiString(idsReportSystemDir), {FolderOrError(QStringLiteral("/usr/lib"))});
  QString temp = QDir::tempPath();
  if (!temp.endsWith(u'/')) temp += u'/';
  lines << FormatText(GuiString(idsReportTempDir), {FolderOrError(temp)});
}

// The kernel's figures: MemAvailable is what a new program could still get,
// which is what "memory in use" leaves out. Swap takes the paging file's
// place; a process's address space tells nothing on a 64-bit system.
void AddMemorySection(QStringList& lines) {
  const QMap<QString, qint64> memory = ReadKilobyteTable(QStringLiteral("/proc/meminfo"));
  const qint64 total = memory.value(QStringLiteral("MemTotal"));
  const qint64 available =
      memory.value(QStringLiteral("MemAvailable"), memory.value(QStringLiteral("MemFree")));
  const qint64 load = total > 0 ? (total - available) * 100 / total : 0;
  const std::pair<int, qint64> counts[] = {{idsReportTotalPhysical, total},
                                           {idsReportAvailPhysical, available},
                                           {idsReportTotalSwap, memory.value(QStringLiteral("SwapTotal"))},
                                           {idsReportAvailSwap, memory.value(QStringLiteral("SwapFree"))}};
  lines << GuiString(idsReportMemory);
  lines << FormatText(GuiString(idsReportMemoryLoad), {QString::number(load)});
  for (const auto& [id, count] : counts) {
    lines << FormatText(GuiString(id), {FormatByteCount(count)});
  }
}

// The first entry is written even when there is none, as one empty line.
void AddEnvironmentSection(QStringList& lines) {
  lines << GuiString(idsReportEnvironment);
  const qsizetype first = lines.size();
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    lines << MaskedEnvironmentEntry(QString::fromLocal8Bit(*entry));
  }
  if (lines.size() == first) lines << QString();
}

// Each mounted file system with what is mounted, its type and its kind;
// remote ones without sizes, which a server that is gone may never give.
void AddFileSystemsSection(QStringList& lines) {
  lines << GuiString(idsReportFileSystems);
  for (const Drive& drive : ListDrives()) {
    const QStringList names = {drive.root, drive.device, drive.fileSystem, DriveTypeName(drive.type)};
    if (drive.type == DriveType::Remote) {
      lines << FormatText(GuiString(idsReportRemoteFileSystem), names);
    } else {
      lines << FormatText(GuiString(idsReportSizedFileSystem),
                          names + QStringList({FormatByteCount(drive.totalBytes), FormatByteCount(drive.freeBytes)}));
    }
  }
}

void AddSystemReport(QStringList& lines) {
  AddVersionSection(lines);
  AddSeparator(lines);
  AddSystemLine(lines);
  AddLinuxLines(lines);
  AddSeparator(lines);
  AddFoldersSection(lines);
  AddSeparator(lines);
  AddMemorySection(lines);
  AddSeparator(lines);
  AddEnvironmentSection(lines);
  AddSeparator(lines);
  AddFileSystemsSection(lines);
  AddSeparator(lines);
  lines << GuiString(idsReportEnd);
  AddSeparator(lines);
}
