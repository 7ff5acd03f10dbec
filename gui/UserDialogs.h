#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

class QFileDialog;
class QWidget;

enum class MessageIcon { Information, Warning, Error };

// The answers of the question whether to overwrite one of a batch's files.
enum class OverwriteAnswer { Yes, No, Cancel, NoToAll, YesToAll };

// One open or save dialog. The filter is written as pairs
// "description|patterns|description|patterns"; filterIndex counts the pairs
// from 1.
struct FileDialogRequest {
  QString filter;
  int filterIndex = 1;       // in: the type shown first; out: the type chosen
  QString fileName;          // in: preselected name; out: the chosen path
  bool multiSelect = false;  // open dialog: several files may be chosen
  QStringList fileNames;     // out: every chosen path, in the dialog's order
  QString defaultExtension;  // without the dot; empty for none
  // Called when the user picks another file type, with its index; answers
  // the default extension for that type.
  std::function<QString(int)> onTypeChange;
};

// The question for the password of an encrypted source.
struct PasswordRequest {
  QString caption;
  QString text;       // names the file
  QString retryText;  // that the last password was wrong; empty at the first attempt
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
  // A question with the question icon and the buttons "是(&Y)", "否(&N)",
  // "取消", "全部否(&O)", "全部是(&A)"; the first is the default, Esc cancels.
  // Without its own, an implementation asks the Yes/No question instead.
  virtual OverwriteAnswer AskOverwrite(QWidget* owner, const QString& text,
                                       const QString& caption) {
    return AskYesNo(owner, text, caption) ? OverwriteAnswer::Yes : OverwriteAnswer::No;
  }
  // True when the user confirmed a file; the request then holds the result.
  virtual bool ExecuteOpenDialog(QWidget* owner, FileDialogRequest& request) = 0;
  virtual bool ExecuteSaveDialog(QWidget* owner, FileDialogRequest& request) = 0;
  // The save dialog of the log, with the check box for the system report;
  // includeSysInfo holds the box's state before and after, also on cancel.
  // Without its own, an implementation shows the plain save dialog and the
  // state stays as it was.
  virtual bool ExecuteSaveLogDialog(QWidget* owner, FileDialogRequest& request,
                                    bool& /*includeSysInfo*/) {
    return ExecuteSaveDialog(owner, request);
  }
  // A dialog with a masked field; true when the user confirmed, with what
  // was typed in `password`. Without its own, an implementation answers
  // Cancel.
  virtual bool AskPassword(QWidget* /*owner*/, const PasswordRequest& /*request*/, QString& /*password*/) {
    return false;
  }
  // The chosen folder, or empty when the user cancelled.
  virtual QString BrowseForFolder(QWidget* owner, const QString& title) = 0;
  // Opens a file or address with the desktop's associated program.
  virtual bool OpenUrl(const QUrl& url) = 0;
  // Asks for the desktop entry that opens PDF files by default
  // ("viewer.desktop"; empty when there is none) and returns at once:
  // `answer` learns it later.
  virtual void AskDefaultPdfHandler(std::function<void(const QString& handler)> answer) { answer({}); }
  // Starts the desktop's launcher on a local file or folder and returns at
  // once; `finished` learns later whether the launcher succeeded.
  virtual void Launch(const QString& path, std::function<void(bool succeeded)> finished) {
    finished(OpenUrl(QUrl::fromLocalFile(path)));
  }
};

// The real dialogs and the desktop's services.
class QtUserDialogs final : public IUserDialogs {
 public:
  void ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                   MessageIcon icon) override;
  bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) override;
  OverwriteAnswer AskOverwrite(QWidget* owner, const QString& text,
                               const QString& caption) override;
  bool ExecuteOpenDialog(QWidget* owner, FileDialogRequest& request) override;
  bool ExecuteSaveDialog(QWidget* owner, FileDialogRequest& request) override;
  bool ExecuteSaveLogDialog(QWidget* owner, FileDialogRequest& request,
                            bool& includeSysInfo) override;
  bool AskPassword(QWidget* owner, const PasswordRequest& request, QString& password) override;
  QString BrowseForFolder(QWidget* owner, const QString& title) override;
  bool OpenUrl(const QUrl& url) override;
  void AskDefaultPdfHandler(std::function<void(const QString& handler)> answer) override;
  void Launch(const QString& path, std::function<void(bool succeeded)> finished) override;

  // The freedesktop.org tools behind the last two.
  QString launcherProgram = QStringLiteral("xdg-open");
  QString mimeQueryProgram = QStringLiteral("xdg-mime");
};

// Shows the toolkit's own (non-native) file dialog for the request; `extend`
// may add controls to it before it is shown.
bool RunFileDialog(QWidget* owner, FileDialogRequest& request, bool save,
                   const std::function<void(QFileDialog&)>& extend = {});
