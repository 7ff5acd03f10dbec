#pragma once

#include <QString>

#include "UserDialogs.h"

class QCheckBox;
class QFileDialog;

// The save dialog of the repair log: a save dialog for "*.log" files with a
// check box that asks for the system information report. The window keeps
// one for its whole life, so the box keeps the user's last choice for the
// rest of the run; it is never stored in the settings.
class TSaveLogDialog {
 public:
  explicit TSaveLogDialog(IUserDialogs& dialogs);

  // True when the user confirmed a file name.
  bool Execute(QWidget* owner);
  QString FileName() const { return m_request.fileName; }

  bool IncludeSysInfo() const { return m_includeSysInfo; }
  void SetIncludeSysInfo(bool include) { m_includeSysInfo = include; }

 private:
  IUserDialogs& m_dialogs;
  FileDialogRequest m_request;
  bool m_includeSysInfo = true;  // checked when the dialog is created
};

// Adds the panel `InfoPanel` with the check box `SystemInfoCheckBox` below
// the standard controls of the toolkit's save dialog, left-aligned with them.
QCheckBox* AddSystemInfoCheckBox(QFileDialog& dialog, bool checked);
