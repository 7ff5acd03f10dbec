#include "GuiTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPlainTextEdit>
#include <algorithm>
#include <cstdio>

const QString kSeparator(56, u'-');

void FakeDialogs::ShowMessage(QWidget*, const QString& text, const QString& caption,
                              MessageIcon icon) {
  messages.push_back({text, caption, icon});
}

bool FakeDialogs::AskYesNo(QWidget*, const QString& text, const QString& caption) {
  questions.push_back({text, caption, MessageIcon::Warning});
  return answerYes;
}

OverwriteAnswer FakeDialogs::AskOverwrite(QWidget*, const QString& text, const QString& caption) {
  overwriteQuestions.push_back({text, caption, MessageIcon::Warning});
  if (overwriteAnswers.empty()) return OverwriteAnswer::Yes;
  const OverwriteAnswer answer = overwriteAnswers.front();
  overwriteAnswers.pop_front();
  return answer;
}

bool FakeDialogs::ExecuteOpenDialog(QWidget*, FileDialogRequest& request) {
  fileDialogsShown.push_back(request);
  if (request.multiSelect && !filesChoice.isEmpty()) {
    request.fileNames = filesChoice;
    request.fileName = filesChoice.constFirst();
    request.filterIndex = filterChoice;
    return true;
  }
  if (fileChoice.isEmpty()) return false;
  request.fileName = fileChoice;
  request.fileNames = QStringList{fileChoice};
  request.filterIndex = filterChoice;
  return true;
}

bool FakeDialogs::ExecuteSaveDialog(QWidget*, FileDialogRequest& request) {
  fileDialogsShown.push_back(request);
  if (typeChangeTo != 0 && request.onTypeChange) {
    typeChangeExtension = request.onTypeChange(typeChangeTo);
  }
  if (fileChoice.isEmpty()) return false;
  request.fileName = fileChoice;
  request.filterIndex = filterChoice;
  return true;
}

bool FakeDialogs::ExecuteSaveLogDialog(QWidget*, FileDialogRequest& request, bool& includeSysInfo) {
  fileDialogsShown.push_back(request);
  sysInfoShown.push_back(includeSysInfo);
  if (sysInfoChoice) includeSysInfo = *sysInfoChoice;
  if (fileChoice.isEmpty()) return false;
  request.fileName = fileChoice;
  return true;
}

bool FakeDialogs::AskPassword(QWidget*, const PasswordRequest& request, QString& password) {
  passwordRequests.push_back(request);
  if (passwordAnswers.empty()) return false;
  const std::optional<QString> answer = passwordAnswers.front();
  passwordAnswers.pop_front();
  if (answer) password = *answer;
  return answer.has_value();
}

QString FakeDialogs::BrowseForFolder(QWidget*, const QString& title) {
  folderTitle = title;
  return folderChoice;
}

bool FakeDialogs::OpenUrl(const QUrl& url) {
  openedUrls.push_back(url);
  return openSucceeds;
}

void FakeDialogs::Launch(const QString& path, std::function<void(bool)> finished) {
  launched << path;
  finished(launchSucceeds);
}

void FakeEngine::Reset() {
  script = CompleteRun();
  result = 1;
  output = "repaired by the fake engine";
  hook = nullptr;
  calls = 0;
  sourcePath.clear();
  destinationPath.clear();
  versionOption = 0;
  stopAnswered = false;
  stopLatencyMs = -1;
  stopRequested.invalidate();
  password = "sesame";
  passwordsReceived.clear();
  passwordsWiped = true;
}

bool FakeEngine::AskPassword(const EngineCallRecord* record) {
  for (int32_t attempt = 1; attempt <= 3; ++attempt) {
    PasswordQuery query{attempt, nullptr, 0};
    if (record->callback(msgQueryPassword, &query, record->userData) == 0 || query.password == nullptr) return false;
    const std::string answer(query.password, query.length);
    passwordsReceived.push_back(answer);
    uint8_t percent = 1;
    record->callback(msgProgress, &percent, record->userData);
    passwordsWiped = passwordsWiped && std::all_of(query.password, query.password + query.length,
                                                   [](char byte) { return byte == 0; });
    if (answer == password) return true;
  }
  return false;
}

std::vector<FakeEngine::Message> FakeEngine::CompleteRun() {
  return {{Step::Progress, 0, {}},
          {Step::SourcePath, 0, {}},
          {Step::Log, 0, "读取并解析来源文件..."},
          {Step::AskStop, 0, {}},
          {Step::Progress, 40, {}},
          {Step::Log, 0, "修复来源文件。"},
          {Step::Log, 0, "输出修复后的文件。"},
          {Step::AskStop, 0, {}},
          {Step::Progress, 100, {}},
          {Step::Progress, 100, {}}};
}

int32_t FakeEngine::Send(int32_t code, void* data) {
  return running->callback(code, data, running->userData);
}

int FakeEngine::Repair(const EngineCallRecord* record) {
  ++calls;
  running = record;
  sourcePath = record->sourcePath;
  destinationPath = record->destinationPath;
  versionOption = record->versionOption;
  if (std::FILE* file = std::fopen(record->destinationPath, "wb")) {
    std::fwrite(output.data(), 1, output.size(), file);
    std::fclose(file);
  }
  auto send = [record](int32_t code, void* data) {
    return record->callback(code, data, record->userData);
  };
  for (const Message& message : script) {
    uint8_t percent = static_cast<uint8_t>(message.percent);
    std::string text = message.text;
    if (const size_t at = text.find("%dest%"); at != std::string::npos) text.replace(at, 6, destinationPath);
    switch (message.step) {
      case Step::Progress:
        for (int i = 0; i < message.repeat; ++i) send(msgProgress, &percent);
        break;
      case Step::SourcePath:
        send(msgSourcePath, sourcePath.data());
        break;
      case Step::Log:
        send(msgLogLine, text.data());
        break;
      case Step::Error:
        send(msgError, text.data());
        break;
      case Step::Report:
        send(msgReport, text.data());
        break;
      case Step::AskStop:
        if (send(msgQueryStop, nullptr) != 0) {
          stopAnswered = true;
          return 0;
        }
        break;
      case Step::Hook:
        if (hook) hook();
        break;
      case Step::AskPassword:
        if (!AskPassword(record)) {
          send(msgError, text.data());
          return 0;
        }
        break;
      case Step::AskStopUntilStopped:
      case Step::QuestionsUntilStopped: {
        // With batched messages the questions come without progress.
        const bool withProgress = message.step == Step::AskStopUntilStopped;
        QElapsedTimer limit;
        limit.start();
        while (limit.elapsed() < 10'000) {
          if (withProgress) send(msgProgress, &percent);
          if (send(msgQueryStop, nullptr) != 0) {
            if (stopRequested.isValid()) stopLatencyMs = stopRequested.elapsed();
            stopAnswered = true;
            return 0;
          }
        }
        break;
      }
    }
  }
  return result;
}

FormFixture::FormFixture() {
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(Path("config")));
  FakeEngine::Reset();
  form = std::make_unique<TMainForm>(dialogs, &FakeEngine::Repair);
}

FormFixture::~FormFixture() = default;

QString FormFixture::WriteFile(const QString& name, const QByteArray& bytes) const {
  const QString path = Path(name);
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
  return path;
}

QByteArray FormFixture::ReadFile(const QString& name) const {
  QFile file(Path(name));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList FormFixture::Leftovers() const {
  return QDir(folder.path()).entryList({QStringLiteral(".tessaly-*")}, QDir::Files | QDir::Hidden | QDir::System);
}

QString FormFixture::SettingsFile() const {
  return Path("config/gui_tests/gui_tests.conf");
}

QStringList LogLines(const TMainForm& form) {
  const QString text = form.txtRepairLog->toPlainText();
  return text.isEmpty() ? QStringList() : text.split(u'\n');
}

bool DropPaths(QWidget* target, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data.setUrls(urls);
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  return true;
}
