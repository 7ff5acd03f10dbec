#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

enum class MessageIcon { Information, Warning, Error };

// One open or save dialog. The filter is written as pairs
// "description|patterns|description|patterns"; filterIndex counts the pairs
// from 1.
struct FileDialogRequest {
  QString filter;
  int filterIndex = 1;       // in: the type shown first; out: the type chosen
  QString fileName;          // in: preselected name; out: the chosen path
  QString defaultExtension;  // without the dot; empty for none
  // Called when the user picks another file type, with its index; answers
  // the default extension for that type.
  std::function<QString(int)> onTypeChange;
};

// Everything the window asks of the user or of the desktop goes through here,
// so that tests can answer instead of a person.
class IUserDialogs {
 public:
  virtual ~IUserDialogs() = default;
  virtual void ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                           MessageIcon icon) = 0;
  // A question with the warning icon and the buttons Yes and No; true for Yes.
  virtual bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) = 0;
  // True when the user confirmed a file; the request then holds the result.
  virtual bool ExecuteOpenDialog(QWidget* owner, FileDialogRequest& request) = 0;
  virtual bool ExecuteSaveDialog(QWidget* owner, FileDialogRequest& request) = 0;
  // The chosen folder, or empty when the user cancelled.
  virtual QString BrowseForFolder(QWidget* owner, const QString& title) = 0;
  // Opens a file or address with the desktop's associated program.
  virtual bool OpenUrl(const QUrl& url) = 0;
};

// The real dialogs and the desktop's services.
class QtUserDialogs final : public IUserDialogs {
 public:
  void ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                   MessageIcon icon) override;
  bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) override;
  bool ExecuteOpenDialog(QWidget* owner, FileDialogRequest& request) override;
  bool ExecuteSaveDialog(QWidget* owner, FileDialogRequest& request) override;
  QString BrowseForFolder(QWidget* owner, const QString& title) override;
  bool OpenUrl(const QUrl& url) override;
};
