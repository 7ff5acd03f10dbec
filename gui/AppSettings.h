#pragma once

#include <QSize>
#include <QString>

// The settings record: the options the program keeps between runs.
// Each value has a getter, a setter and its default; a fresh record holds
// the defaults. The values live in a per-user INI file named after the
// executable, group "Misc", one key per value named as the value, and the
// window's size in group "Window"; the window reads them once at start and
// writes them once at exit.
class AppSettings {
 public:
  // $XDG_CONFIG_HOME/<exe name>/<exe name>.conf, ~/.config by default.
  static QString StoreFileName();
  // Missing values, and integers that are no number, keep their defaults.
  void Load();
  void Save() const;

  bool OpenFixed() const { return m_openFixed; }
  void SetOpenFixed(bool value) { m_openFixed = value; }
  static bool DefaultOpenFixed() { return true; }

  // Item index of the output version list: 0 for "1.0" to 6 for "1.6".
  int MinorVer() const { return m_minorVer; }
  void SetMinorVer(int value) { m_minorVer = value; }
  static int DefaultMinorVer() { return 4; }

  QString TempDir() const { return m_tempDir; }
  void SetTempDir(const QString& value) { m_tempDir = value; }
  static QString DefaultTempDir();

  int BufSize() const { return m_bufSize; }
  void SetBufSize(int value) { m_bufSize = value; }
  static int DefaultBufSize() { return 512; }

  // 1-based file types last chosen in the open and the save dialog.
  int OpenFilterIndex() const { return m_openFilterIndex; }
  void SetOpenFilterIndex(int value) { m_openFilterIndex = value; }
  static int DefaultOpenFilterIndex() { return 1; }

  int SaveFilterIndex() const { return m_saveFilterIndex; }
  void SetSaveFilterIndex(int value) { m_saveFilterIndex = value; }
  static int DefaultSaveFilterIndex() { return 1; }

  // Thorough recovery: the engine resynchronises inside damaged objects.
  // The window saves every value when it closes, so a stored value alone
  // does not say that the user chose it: a store of the time when the
  // default was off holds "0" for everyone. The value counts only with the
  // mark ThoroughChosen, which a setter that changes the value sets and
  // which stays once set; without it the default holds.
  bool Thorough() const { return m_thorough; }
  void SetThorough(bool value) {
    m_thoroughChosen = m_thoroughChosen || value != m_thorough;
    m_thorough = value;
  }
  bool ThoroughChosen() const { return m_thoroughChosen; }
  static bool DefaultThorough() { return true; }

  // The window's size at the end of the last run; empty at first.
  QSize WindowSize() const { return m_windowSize; }
  void SetWindowSize(QSize value) { m_windowSize = value; }

 private:
  bool m_openFixed = DefaultOpenFixed();
  int m_minorVer = DefaultMinorVer();
  QString m_tempDir = DefaultTempDir();
  int m_bufSize = DefaultBufSize();
  int m_openFilterIndex = DefaultOpenFilterIndex();
  int m_saveFilterIndex = DefaultSaveFilterIndex();
  bool m_thorough = DefaultThorough();
  bool m_thoroughChosen = false;
  QSize m_windowSize;
};
