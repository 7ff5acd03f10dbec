#pragma once

#include <QTextBrowser>

class IUserDialogs;

// The help page in a window of the program's own, for a desktop that
// cannot open files.
class THelpWindow : public QTextBrowser {
  Q_OBJECT

 public:
  THelpWindow(const QString& helpFile, QWidget* parent);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// Opens the help page with the desktop's program for it; where the desktop
// has none, or its launcher fails, the page shows in a THelpWindow of
// `owner` (one at a time).
void ShowHelp(IUserDialogs& dialogs, QWidget* owner, const QString& helpFile);
