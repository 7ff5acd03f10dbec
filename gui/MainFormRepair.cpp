// The single-file repair: the run's log, its result, and the job's events
// shown while the engine runs.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <utility>

#include "BusyAnimation.h"
#include "DragEdit.h"
#include "FileList.h"
#include "FreedMemory.h"
#include "GuiStrings.h"
#include "MainForm.h"
#include "PagePreview.h"
#include "RunCleanUp.h"
#include "TextFormat.h"

namespace {

constexpr qint64 kEventIntervalMs = 20;

}  // namespace

void TMainForm::btnRepairClick() {
  if (m_runKind == RunKind::single) {
    m_running = false;  // Stop: the engine ends at its next stop question
    return;
  }
  if (Busy()) return;  // a batch runs: this is no Stop for it
  m_running = true;
  m_runKind = RunKind::single;
  ++m_runSerial;
  RunCleanUp cleanUp([this] { CleanUpRun(); });
  // Whatever this run ends in, an earlier result is no longer this source's.
  m_repairedFile.clear();
  m_repairedSource.clear();
  UpdateRunControls();
  btnRepair->setText(GuiString(idsStopRepair));
  txtRepairLog->clear();
  txtRepairLog->repaint();
  Animate->SetActive(true);
  Log(GuiString(idsRepairStarting));
  LogSeparator();

  const QString source = SourcePath();
  const QString destination = DestinationPath();
  // Replaced only when it was there to be asked about: one that appears
  // later is never replaced without a question.
  const bool existed = IsExistingFile(destination);
  if (!ConfirmOverwrite(destination)) {
    Log(GuiString(idsRepairAborted));
    return;
  }
  LogRunHeader(source, destination);
  QElapsedTimer elapsed;
  elapsed.start();
  const bool succeeded = RepairInto(source, destination, existed) != 0;
  LogRunFooter(elapsed.elapsed());
  Animate->SetActive(false);

  if (!m_closeRequested) {
    const QString result = ResultText(succeeded, source, destination);
    for (const QString& line : result.split(QStringLiteral("\r\n"))) Log(line);
    if (succeeded && !ReportSummaryText().isEmpty()) Log(ReportSummaryText());
    // A failure shows as one: a run the user stopped is no failure.
    const bool failed = !succeeded && m_running;
    m_dialogs.ShowMessage(this, result, GuiString(idsCaptionInformation),
                          failed ? MessageIcon::Warning : MessageIcon::Information);
  }
  CleanUpRun();
  if (succeeded && !m_closeRequested) RepairSucceeded(source, destination);
  if (m_closeRequested) close();
}

// The preview shows the new file, the log ends with its page count as
// Poppler reads it, and the file opens when the option asks for it.
void TMainForm::RepairSucceeded(const QString& source, const QString& destination) {
  const QFileInfo written(destination);
  if (written.isFile()) {
    // A preview open on the same name shows the file this repair replaced.
    if (m_preview != nullptr && m_preview->FilePath() == written.absoluteFilePath()) m_preview->close();
    m_repairedFile = written.absoluteFilePath();
    m_repairedSource = source;
    UpdatePreviewButton();
    const int run = m_runSerial;
    CountPagesLater(m_repairedFile, this, [this, run](int pages) {
      if (run != m_runSerial) return;  // the log belongs to a later run
      Log(pages < 0 ? GuiString(idsPageCountFailed)
                    : FormatText(GuiString(idsPageCount), {QString::number(pages)}));
    });
  }
  if (chkOpenFixed->isChecked()) OpenRepairedFile(written.absoluteFilePath(), destination);
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

// The output version's list index in the high half, the option bits below.
uint32_t TMainForm::VersionOption() const {
  // The window needs no question and progress per token: it asks the engine
  // for them once per stretch of work. A source that needs a password is
  // asked about rather than failed.
  const uint32_t bits = TESSCORE_OPTION_BATCHED_MESSAGES | TESSCORE_OPTION_PASSWORD_QUERY | TESSCORE_OPTION_REPORT |
                        (chkThorough->isChecked() ? TESSCORE_OPTION_THOROUGH : 0u);
  return (static_cast<uint32_t>(cmbPDFVersion->currentIndex()) << 16) | bits;
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
  if (!succeeded) {
    return FormatText(GuiString(idsRepairFailed), {source}) + QStringLiteral("\r\n") +
           FailureReason();
  }
  const bool archive = destination.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive);
  const QString losses = LossesText();
  return FormatText(GuiString(idsRepairSucceeded), {source}) + QStringLiteral("\r\n") +
         FormatText(GuiString(archive ? idsRunArchive : idsOpenRepaired), {destination}) +
         (losses.isEmpty() ? QString() : QStringLiteral("\r\n") + losses);
}

void TMainForm::Report(const frontend::RepairReport& report) {
  m_lastReport = report;
}

QString TMainForm::ReportSummaryText() const {
  return m_lastReport.Empty() ? QString() : QString::fromStdString(frontend::ReportSummary(m_lastReport));
}

QString TMainForm::LossesText() const {
  QStringList losses;
  for (const std::string& loss : m_lastReport.Losses()) losses << QString::fromStdString(loss);
  return losses.isEmpty() ? QString() : FormatText(GuiString(idsRepairLosses), {losses.join(QStringLiteral("，"))});
}

// A run that ends without an error block found no complete object.
QString TMainForm::FailureReason() const {
  return m_lastError.isEmpty() ? GuiString(idsNoObjectFound) : m_lastError;
}

void TMainForm::CleanUpRun() {
  m_running = false;
  m_runKind = RunKind::none;
  btnRepair->setText(GuiString(idsStartRepair));
  Animate->SetActive(false);
  ReturnFreedMemory();  // the engine's document of this run is gone
  UpdateRunControls();
}

void TMainForm::UpdateRunControls() {
  const bool busy = Busy();
  const bool fieldsFilled = !txtSrcFile->text().trimmed().isEmpty() && !txtDstFile->text().trimmed().isEmpty();
  btnRepair->setEnabled(m_runKind == RunKind::single || (!busy && fieldsFilled));
  btnRepairFiles->setEnabled(m_runKind == RunKind::batch || !busy);
  // The log stays: it can be read and copied while the run writes it.
  for (QWidget* opensDialog : {btnSrcMore, btnDstMore, btnSaveLog, btnHelp, btnAddFiles, btnMoreDir}) {
    opensDialog->setEnabled(!busy);
  }
  const bool batch = m_runKind == RunKind::batch;
  btnRemoveFiles->setEnabled(!batch);
  btnRemoveAll->setEnabled(!batch);
  // A drop's "nothing added" box would hold a single run too.
  FileList->SetLocked(busy);
  UpdatePreviewButton();
}

void TMainForm::UpdatePreviewButton() {
  btnPreview->setEnabled(!PreviewFile().isEmpty());
}

QString TMainForm::PreviewFile() const {
  if (Busy() || m_repairedFile.isEmpty() || SourcePath() != m_repairedSource) return {};
  return IsExistingFile(m_repairedFile) ? m_repairedFile : QString();
}

// Never with this program itself, which would repair the repaired file
// again: where it is the desktop's PDF program, or there is none, the
// folder opens instead. A launcher that fails is reported when it ends.
void TMainForm::OpenRepairedFile(const QString& path, const QString& shownName) {
  const QPointer<TMainForm> window(this);
  m_dialogs.AskDefaultPdfHandler([window, path, shownName](const QString& handler) {
    if (window != nullptr) window->OpenWithHandler(handler, path, shownName);
  });
}

void TMainForm::OpenWithHandler(const QString& handler, const QString& path, const QString& shownName) {
  QString target = path;
  QString named = shownName;
  if (handler.isEmpty() || handler == QLatin1String(kOwnDesktopEntry)) {
    target = QFileInfo(path).absolutePath();
    named = target;
    Log(FormatText(GuiString(idsOpenFolderInstead), {target}));
  }
  // A desktop that cannot open the result will not open the next one
  // either: it is said once, not after every repair.
  const QPointer<TMainForm> window(this);
  m_dialogs.Launch(target, [window](bool succeeded) {
    if (succeeded || window == nullptr || std::exchange(window->m_noPdfProgramTold, true)) return;
    window->m_dialogs.ShowMessage(window, GuiString(idsNoPdfProgram), GuiString(idsCaptionInformation),
                                  MessageIcon::Information);
  });
}

void TMainForm::Log(const QString& line) {
  txtRepairLog->appendPlainText(line);
}

void TMainForm::LogSeparator() {
  Log(GuiString(idsSeparator));
}

void TMainForm::Progress(int percent) {
  Gauge->setValue(percent);  // an unchanged value repaints nothing
  ProcessEventsIfDue();
}

void TMainForm::LogLine(const std::string& text) {
  const QString line = QString::fromStdString(text);
  if (line == QStringLiteral("-")) {
    LogSeparator();
  } else {
    Log(line);
  }
}

void TMainForm::Error(const std::string& text) {
  LogErrorBlock(QString::fromStdString(text));
}

// With batched messages progress changes only every percent, which can be
// long on a large file; the questions come every 64 KiB, so a Stop click is
// heard at them.
bool TMainForm::StopWanted() {
  ProcessEventsIfDue();
  return !m_running;
}

// Pending events (Stop clicks, repaints, page switches) run here, but at most
// every kEventIntervalMs: the engine asks and reports many thousand times a
// second, and running the event loop at each would cost more than the repair.
void TMainForm::ProcessEventsIfDue() {
  if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < kEventIntervalMs) return;
  QCoreApplication::processEvents();
  m_sinceEvents.start();
}
