// The single-file repair: the run's log, the engine call and the engine's
// messages arriving while it runs.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include "BusyAnimation.h"
#include "DragEdit.h"
#include "GuiStrings.h"
#include "MainForm.h"
#include "RunCleanUp.h"
#include "TextFormat.h"

namespace {

constexpr qint64 kEventIntervalMs = 20;
constexpr int32_t kAnswerStop = -1;  // all bits set

}  // namespace

namespace {

[[gnu::noinline]] int32_t HandleMessage(TMainForm* form, int32_t code, void* data) {
  try {
    return form->OnMessage(code, data) ? kAnswerStop : 0;
  } catch (...) {
    return 0;  // nothing may unwind through the engine's frames
  }
}

}  // namespace

int32_t MainFormProgressCallback(int32_t code, void* data, void* userData) {
  auto* form = static_cast<TMainForm*>(userData);
  // The two messages of every token are answered here, without a frame;
  // everything else goes the long way.
  if (code == msgQueryStop) return form->Running() ? 0 : kAnswerStop;
  if (code == msgProgress && form->TakeQuietProgress(*static_cast<const uint8_t*>(data))) return 0;
  return HandleMessage(form, code, data);
}

void TMainForm::btnRepairClick() {
  if (m_running) {
    m_running = false;  // Stop: the engine ends at its next stop question
    return;
  }
  if (m_engineCallActive) return;  // a stopped run has not ended yet
  m_running = true;
  RunCleanUp cleanUp([this] { CleanUpRun(); });
  btnRepair->setText(GuiString(idsStopRepair));
  txtRepairLog->clear();
  txtRepairLog->repaint();
  Animate->SetActive(true);
  Log(GuiString(idsRepairStarting));
  LogSeparator();

  const QString source = txtSrcFile->text();
  const QString destination = txtDstFile->text();
  if (!ConfirmOverwrite(destination)) {
    Log(GuiString(idsRepairAborted));
    return;
  }
  LogRunHeader(source, destination);
  QElapsedTimer elapsed;
  elapsed.start();
  const bool succeeded = RepairInto(source, destination, QFileInfo(destination).isFile()) != 0;
  LogRunFooter(elapsed.elapsed());
  Animate->SetActive(false);

  if (!m_closeRequested) {
    const QString result = ResultText(succeeded, source, destination);
    for (const QString& line : result.split(QStringLiteral("\r\n"))) Log(line);
    m_dialogs.ShowMessage(this, result, GuiString(idsCaptionInformation), MessageIcon::Information);
  }
  CleanUpRun();
  if (succeeded && chkOpenFixed->isChecked() && !m_closeRequested) OpenRepairedFile(destination);
  if (m_closeRequested) close();
}

bool TMainForm::ConfirmOverwrite(const QString& destination) {
  const QFileInfo info(destination);
  if (!info.exists() || info.isDir()) return true;
  return m_dialogs.AskYesNo(this, FormatText(GuiString(idsOverwriteQuestion), {destination}),
                            GuiString(idsCaptionConfirm));
}

void TMainForm::LogRunHeader(const QString& source, const QString& destination) {
  const QFileInfo info(source);
  const qint64 size = info.exists() && !info.isDir() ? info.size() : 0;
  Log(FormatText(GuiString(idsSourceLine), {source, FormatByteCount(size)}));
  Log(FormatText(GuiString(idsDestinationLine), {destination}));
  LogSeparator();
}

int TMainForm::CallEngine(const QString& source, const QByteArray& destinationPath) {
  const QByteArray sourcePath = QFile::encodeName(source);
  EngineCallRecord record{};
  record.sourcePath = sourcePath.constData();
  record.reserved = 0;
  record.versionOption = static_cast<uint32_t>(cmbPDFVersion->currentIndex()) << 16;
  record.destinationPath = destinationPath.constData();
  record.callback = &MainFormProgressCallback;
  record.userData = this;
  m_shownPercent = Gauge->value();
  m_messagesSinceClockRead = 0;
  m_sinceEvents.invalidate();
  m_eventsRun = false;
  m_engineCallActive = true;
  const int result = m_repair(&record);
  m_engineCallActive = false;
  return result;
}

void TMainForm::LogRunFooter(qint64 elapsedMilliseconds) {
  LogSeparator();
  Log(FormatElapsed(GuiString(idsElapsedTimePattern), elapsedMilliseconds));
  LogSeparator();
  Log(GuiString(idsRepairFinished));
  LogSeparator();
}

QString TMainForm::ResultText(bool succeeded, const QString& source,
                              const QString& destination) const {
  if (!m_running) return GuiString(idsRepairInterrupted);
  if (!succeeded) return FormatText(GuiString(idsRepairFailed), {source});
  const bool archive = destination.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive);
  return FormatText(GuiString(idsRepairSucceeded), {source}) + QStringLiteral("\r\n") +
         FormatText(GuiString(archive ? idsRunArchive : idsOpenRepaired), {destination});
}

void TMainForm::CleanUpRun() {
  m_running = false;
  btnRepair->setText(GuiString(idsStartRepair));
  Animate->SetActive(false);
}

void TMainForm::OpenRepairedFile(const QString& destination) {
  if (m_dialogs.OpenUrl(QUrl::fromLocalFile(QFileInfo(destination).absoluteFilePath()))) return;
  m_dialogs.ShowMessage(this, FormatText(GuiString(idsCannotOpenResult), {destination}),
                        GuiString(idsCaptionError), MessageIcon::Error);
}

void TMainForm::Log(const QString& line) {
  txtRepairLog->appendPlainText(line);
}

void TMainForm::LogSeparator() {
  Log(GuiString(idsSeparator));
}

bool TMainForm::OnMessage(int32_t code, void* data) {
  switch (code) {
    case msgProgress: {
      const int percent = *static_cast<const uint8_t*>(data);
      const bool changed = percent != m_shownPercent;
      if (changed) {
        Gauge->setValue(percent);
        m_shownPercent = percent;
      }
      ProcessEventsNow(changed);
      return false;
    }
    case msgLogLine: {
      const QString text = EngineText(data);
      if (text == QStringLiteral("-")) {
        LogSeparator();
      } else {
        Log(text);
      }
      return false;
    }
    case msgQueryStop:
      return !m_running;
    case msgError:
      LogErrorBlock(EngineText(data));
      return false;
    default:
      return false;
  }
}

// Pending events (Stop clicks, repaints, page switches) run here, but at most
// every kEventIntervalMs: the engine reports per token, and running the event
// loop for each of millions of messages would cost more than the repair.
void TMainForm::ProcessEventsNow(bool gaugeChanged) {
  const bool firstMessage = !m_eventsRun;
  if (!firstMessage && !gaugeChanged && ++m_messagesSinceClockRead < kMessagesPerClockRead) return;
  m_messagesSinceClockRead = 0;
  if (!firstMessage && m_sinceEvents.elapsed() < kEventIntervalMs) return;
  QCoreApplication::processEvents();
  m_sinceEvents.start();
  m_eventsRun = true;
}
