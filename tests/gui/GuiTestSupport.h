#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "FileList.h"
#include "MainForm.h"
#include "UserDialogs.h"

// Answers the window's dialogs and records what was asked.
class FakeDialogs final : public IUserDialogs {
 public:
  struct Message {
    QString text;
    QString caption;
    MessageIcon icon;
  };

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
  void AskDefaultPdfHandler(std::function<void(const QString&)> answer) override { answer(pdfHandler); }
  void Launch(const QString& path, std::function<void(bool)> finished) override;

  std::vector<Message> messages;
  std::vector<Message> questions;
  bool answerYes = true;
  // The overwrite question takes its answers from the front; Yes when none.
  std::vector<Message> overwriteQuestions;
  std::deque<OverwriteAnswer> overwriteAnswers;

  // A dialog answers with fileChoice and filterChoice when fileChoice is set,
  // and reports what the window asked for.
  QString fileChoice;
  int filterChoice = 1;
  int typeChangeTo = 0;  // when set, the user picks this type before confirming
  std::vector<FileDialogRequest> fileDialogsShown;
  QString typeChangeExtension;
  QStringList filesChoice;  // the answer of a dialog that allows several files

  // The log's save dialog: the box's state as shown, and the state the user
  // leaves it in when sysInfoChoice is set.
  std::vector<bool> sysInfoShown;
  std::optional<bool> sysInfoChoice;

  // The password dialog takes its answers from the front, an empty
  // optional for Cancel; Cancel when none is left.
  std::vector<PasswordRequest> passwordRequests;
  std::deque<std::optional<QString>> passwordAnswers;

  QString folderChoice;
  QString folderTitle;

  std::vector<QUrl> openedUrls;
  bool openSucceeds = true;

  // The desktop's PDF program and its launcher: what was launched, and
  // whether the launcher ends well.
  QString pdfHandler = QStringLiteral("viewer.desktop");
  QStringList launched;
  bool launchSucceeds = true;
};

// The engine's stand-in: replays scripted messages through the callback the
// window passed, and records the call record.
struct FakeEngine {
  // AskPassword queries up to three times, as the engine does, and fails
  // the run with its text as the error unless an answer is `password`.
  enum class Step { Progress, SourcePath, Log, Error, AskStop, AskStopUntilStopped, QuestionsUntilStopped, Hook,
                    AskPassword, Report };
  struct Message {
    Step step;
    int percent = 0;
    std::string text;
    int repeat = 1;  // Progress only: how many times the message is sent
  };

  static void Reset();
  static int Repair(const EngineCallRecord* record);
  // The usual script of a run that found objects and wrote them.
  static std::vector<Message> CompleteRun();

  static inline std::vector<Message> script;
  static inline int result = 1;
  // Written through the destination path before the script runs; "%dest%"
  // in a Log or Error step's text stands for that path.
  static inline std::string output = "repaired by the fake engine";
  static inline std::function<void()> hook;  // what a Hook step does
  static inline int calls = 0;
  static inline std::string sourcePath;
  static inline std::string destinationPath;
  static inline uint32_t versionOption = 0;
  static inline bool stopAnswered = false;
  static inline qint64 stopLatencyMs = -1;  // from stopRequested to the stop answer
  static inline QElapsedTimer stopRequested;
  static inline std::string password = "sesame";
  static inline std::vector<std::string> passwordsReceived;
  // Every answer's bytes were overwritten by the next message the engine sent.
  static inline bool passwordsWiped = true;
  static bool AskPassword(const EngineCallRecord* record);
  // A message from inside a Hook step, through the running call's callback.
  static int32_t Send(int32_t code, void* data);
  static inline const EngineCallRecord* running = nullptr;
};

// A window with fake dialogs and the fake engine, in a fresh folder that
// also holds the settings (XDG_CONFIG_HOME), so every test starts without.
struct FormFixture {
  FormFixture();
  ~FormFixture();
  QString Path(const QString& name) const { return folder.filePath(name); }
  QString WriteFile(const QString& name, const QByteArray& bytes) const;
  QByteArray ReadFile(const QString& name) const;
  QString SettingsFile() const;
  // Temporary outputs left in the folder.
  QStringList Leftovers() const;

  QTemporaryDir folder;
  FakeDialogs dialogs;
  std::unique_ptr<TMainForm> form;
};

QStringList LogLines(const TMainForm& form);
// Drags the paths over the widget and, as a real drag does, drops them only
// when the widget accepted the drag; answers whether it did.
bool DropPaths(QWidget* target, const QStringList& paths);
// Failure messages show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
extern const QString kSeparator;
