#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>
#include <string>
#include <vector>

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
  bool ExecuteOpenDialog(QWidget* owner, FileDialogRequest& request) override;
  bool ExecuteSaveDialog(QWidget* owner, FileDialogRequest& request) override;
  QString BrowseForFolder(QWidget* owner, const QString& title) override;
  bool OpenUrl(const QUrl& url) override;

  std::vector<Message> messages;
  std::vector<Message> questions;
  bool answerYes = true;

  // A dialog answers with fileChoice and filterChoice when fileChoice is set,
  // and reports what the window asked for.
  QString fileChoice;
  int filterChoice = 1;
  int typeChangeTo = 0;  // when set, the user picks this type before confirming
  std::vector<FileDialogRequest> fileDialogsShown;
  QString typeChangeExtension;

  QString folderChoice;
  QString folderTitle;

  std::vector<QUrl> openedUrls;
  bool openSucceeds = true;
};

// The engine's stand-in: replays scripted messages through the callback the
// window passed, and records the call record.
struct FakeEngine {
  enum class Step { Progress, SourcePath, Log, Error, AskStop, AskStopUntilStopped };
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
  static inline int calls = 0;
  static inline std::string sourcePath;
  static inline std::string destinationPath;
  static inline uint32_t versionOption = 0;
  static inline bool stopAnswered = false;
  static inline qint64 stopLatencyMs = -1;  // from stopRequested to the stop answer
  static inline QElapsedTimer stopRequested;
};

// A window with fake dialogs and the fake engine, in a fresh folder.
struct FormFixture {
  FormFixture();
  ~FormFixture();
  QString Path(const QString& name) const { return folder.filePath(name); }
  QString WriteFile(const QString& name, const QByteArray& bytes) const;

  QTemporaryDir folder;
  FakeDialogs dialogs;
  std::unique_ptr<TMainForm> form;
};

QStringList LogLines(const TMainForm& form);
extern const QString kSeparator;
