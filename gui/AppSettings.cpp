#include "AppSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString kGroup = QStringLiteral("Misc");
const QString kWindowGroup = QStringLiteral("Window");

// An integer may have been stored as a number or as text (an INI file holds
// only text): both are read as a decimal number; anything else, or nothing,
// gives the default.
int ReadInteger(const QSettings& store, const QString& key, int fallback) {
  const QVariant value = store.value(key);
  if (!value.isValid()) return fallback;
  bool isNumber = false;
  const int number = value.toString().trimmed().toInt(&isNumber);
  return isNumber ? number : fallback;
}

}  // namespace

// The temporary folder as the platform reports it, ending in a separator
// like a folder path that file names are appended to.
QString AppSettings::DefaultTempDir() {
  const QString path = QDir::tempPath();
  if (path.isEmpty()) return {};
  return path.endsWith(u'/') ? path : path + u'/';
}

// The user-scope configuration folder; GenericConfigLocation follows
// XDG_CONFIG_HOME. Qt's own user-scope INI name would end in ".ini".
QString AppSettings::StoreFileName() {
  const QString exeName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return folder + u'/' + exeName + u'/' + exeName + QStringLiteral(".conf");
}

void AppSettings::Load() {
  QSettings store(StoreFileName(), QSettings::IniFormat);
  store.beginGroup(kGroup);
  m_openFixed = ReadInteger(store, QStringLiteral("OpenFixed"), DefaultOpenFixed() ? 1 : 0) != 0;
  m_minorVer = ReadInteger(store, QStringLiteral("MinorVer"), DefaultMinorVer());
  m_tempDir = store.value(QStringLiteral("TempDir"), DefaultTempDir()).toString();
  m_bufSize = ReadInteger(store, QStringLiteral("BufSize"), DefaultBufSize());
  m_openFilterIndex =
      ReadInteger(store, QStringLiteral("OpenFilterIndex"), DefaultOpenFilterIndex());
  m_saveFilterIndex =
      ReadInteger(store, QStringLiteral("SaveFilterIndex"), DefaultSaveFilterIndex());
  m_thoroughChosen = ReadInteger(store, QStringLiteral("ThoroughChosen"), 0) != 0;
  m_thorough = m_thoroughChosen
                   ? ReadInteger(store, QStringLiteral("Thorough"), DefaultThorough() ? 1 : 0) != 0
                   : DefaultThorough();
  store.endGroup();
  store.beginGroup(kWindowGroup);
  m_windowSize = QSize(ReadInteger(store, QStringLiteral("Width"), 0),
                       ReadInteger(store, QStringLiteral("Height"), 0));
}

// OpenFixed and Thorough are written as the text "1" or "0", the others as
// numbers; ThoroughChosen only once the user changed Thorough.
void AppSettings::Save() const {
  QSettings store(StoreFileName(), QSettings::IniFormat);
  store.beginGroup(kGroup);
  store.setValue(QStringLiteral("OpenFixed"),
                 m_openFixed ? QStringLiteral("1") : QStringLiteral("0"));
  store.setValue(QStringLiteral("MinorVer"), m_minorVer);
  store.setValue(QStringLiteral("TempDir"), m_tempDir);
  store.setValue(QStringLiteral("BufSize"), m_bufSize);
  store.setValue(QStringLiteral("OpenFilterIndex"), m_openFilterIndex);
  store.setValue(QStringLiteral("SaveFilterIndex"), m_saveFilterIndex);
  store.setValue(QStringLiteral("Thorough"), m_thorough ? QStringLiteral("1") : QStringLiteral("0"));
  if (m_thoroughChosen) store.setValue(QStringLiteral("ThoroughChosen"), QStringLiteral("1"));
  store.endGroup();
  store.beginGroup(kWindowGroup);
  store.setValue(QStringLiteral("Width"), m_windowSize.width());
  store.setValue(QStringLiteral("Height"), m_windowSize.height());
}
