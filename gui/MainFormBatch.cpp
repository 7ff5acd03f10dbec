// The batch page: the list of files, adding and removing them, and the batch
// run that repairs each file into its default destination name.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPersistentModelIndex>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "BatchPlan.h"
#include "BusyAnimation.h"
#include "DroppedSources.h"
#include "FileList.h"
#include "FreedMemory.h"
#include "GuiStrings.h"
#include "MainForm.h"
#include "RunCleanUp.h"
#include "TextFormat.h"

namespace {

constexpr int kColumnSource = 0;
constexpr int kColumnDestination = 1;
constexpr int kColumnStatus = 2;
// Where an item keeps the key of its file, taken when it was added, so that
// a long list is not looked up on disk again for every file added.
constexpr int kSameFileRole = Qt::UserRole;

}  // namespace

struct TMainForm::BatchRun {
  bool yesToAll = false;
  bool noToAll = false;
  bool cancel = false;
  int count = 0;        // files repaired successfully
  int failed = 0;       // files the engine could not repair
  int interrupted = 0;  // files stopped by the user
  int skipped = 0;      // files whose existing destination was kept
  // The items present when the run started, with their plan. The list is
  // locked while the batch runs; should an item go all the same, its index
  // is no longer valid and it is passed over.
  std::vector<QPersistentModelIndex> items;
  std::vector<frontend::PlannedFile> plan;
};

void TMainForm::btnAddFilesClick() {
  if (Busy()) return;  // the dialog would hold the run
  const bool previousMultiSelect = m_openDialog.multiSelect;
  m_openDialog.filterIndex = m_settings.OpenFilterIndex();
  m_openDialog.multiSelect = true;  // for this call only
  const bool confirmed = m_dialogs.ExecuteOpenDialog(this, m_openDialog);
  m_openDialog.multiSelect = previousMultiSelect;
  if (!confirmed) return;
  m_settings.SetOpenFilterIndex(m_openDialog.filterIndex);
  for (const QString& path : m_openDialog.fileNames) AddSource(path);
}

// A drop that adds nothing says why: its files were all listed, or its
// folders held no PDF file.
void TMainForm::FileListDropFiles(const QStringList& paths) {
  if (Busy()) return;
  const DroppedSources dropped = ExpandDrop(paths);
  int added = 0;
  for (const QString& path : dropped.files) added += AddSource(path) ? 1 : 0;
  if (added > 0) return;
  QStringList reasons;
  if (!dropped.files.isEmpty()) reasons << GuiString(idsDropAlreadyListed);
  for (const QString& folder : dropped.foldersWithoutPdf) {
    reasons << FormatText(GuiString(idsDropNoPdfInFolder), {folder});
  }
  if (reasons.isEmpty()) return;
  m_dialogs.ShowMessage(this, reasons.join(QStringLiteral("\r\n")), GuiString(idsCaptionInformation),
                        MessageIcon::Information);
}

// A file already listed is not added again, also under another name of the
// same file (a linked folder). Letter case makes two files here:
// "Report.pdf" and "report.pdf" are two files.
bool TMainForm::AddSource(const QString& path) {
  if (ContainsSource(path)) return false;
  auto* item = new QTreeWidgetItem(FileList, {path, QString(), GuiString(idsStatusNotRepaired)});
  item->setToolTip(kColumnSource, path);
  item->setData(kColumnSource, kSameFileRole, SameFileKey(path));
  return true;
}

bool TMainForm::ContainsSource(const QString& path) const {
  const QString key = SameFileKey(path);
  for (int i = 0; i < FileList->topLevelItemCount(); ++i) {
    if (FileList->topLevelItem(i)->data(kColumnSource, kSameFileRole).toString() == key) return true;
  }
  return false;
}

void TMainForm::btnRemoveFilesClick() {
  if (m_runKind == RunKind::batch) return;  // the batch took the list as it was
  for (int i = FileList->topLevelItemCount() - 1; i >= 0; --i) {
    if (FileList->topLevelItem(i)->isSelected()) delete FileList->takeTopLevelItem(i);
  }
}

void TMainForm::btnRemoveAllClick() {
  if (m_runKind == RunKind::batch) return;
  FileList->clear();
}

bool TMainForm::FileListKeyDown(int key, Qt::KeyboardModifiers shift) {
  if (key != Qt::Key_Delete) return false;
  if (m_runKind == RunKind::batch) {
    QApplication::beep();
    return true;
  }
  if (shift.testFlag(Qt::ShiftModifier)) {
    btnRemoveAllClick();
  } else {
    btnRemoveFilesClick();
  }
  return true;
}

void TMainForm::btnRepairFilesClick() {
  if (m_runKind == RunKind::batch) {
    m_running = false;  // Stop: the file in progress ends at the next stop question
    return;
  }
  if (Busy()) return;  // a single repair runs: this is no Stop for it
  if (FileList->topLevelItemCount() == 0) {
    m_dialogs.ShowMessage(this, GuiString(idsAddFilesFirst), GuiString(idsCaptionInformation),
                          MessageIcon::Information);
    return;
  }
  BatchRun run;
  std::vector<std::string> sources;
  for (int i = 0; i < FileList->topLevelItemCount(); ++i) {
    run.items.emplace_back(FileList->indexFromItem(FileList->topLevelItem(i)));
    sources.push_back(QFile::encodeName(FileList->topLevelItem(i)->text(kColumnSource)).toStdString());
  }
  run.plan = frontend::PlanBatch(sources, [](const std::string& source) {
    return QFile::encodeName(DefaultDestinationName(QFile::decodeName(source.c_str()))).toStdString();
  });
  {
    m_running = true;
    m_runKind = RunKind::batch;
    ++m_runSerial;
    RunCleanUp cleanUp([this] { CleanUpBatch(); });
    UpdateRunControls();
    ResetBatchItems();
    btnRepairFiles->setText(GuiString(idsStopRepair));
    txtRepairLog->clear();
    Animate->SetActive(true);
    RunBatch(run);
    if (!m_closeRequested) ShowBatchSummary(run);
  }
  if (m_closeRequested) close();
}

// The document's summary, then how many files failed and how many were
// stopped; the log keeps it too.
void TMainForm::ShowBatchSummary(const BatchRun& run) {
  const QString summary =
      FormatText(GuiString(idsBatchSummary), {QString::number(run.count)}) +
      FormatText(GuiString(idsBatchCounts),
                 {QString::number(run.failed), QString::number(run.interrupted)}) +
      (run.skipped > 0 ? FormatText(GuiString(idsBatchSkipped), {QString::number(run.skipped)}) : QString());
  Log(summary);
  m_dialogs.ShowMessage(this, summary, GuiString(idsCaptionInformation), MessageIcon::Information);
}

void TMainForm::RunBatch(BatchRun& run) {
  for (size_t i = 0; i < run.items.size(); ++i) {
    if (!m_running) return;
    const QPersistentModelIndex& index = run.items[i];
    QTreeWidgetItem* item = FileList->itemFromIndex(index);
    if (item == nullptr) continue;  // removed since the run started
    const QString source = item->text(kColumnSource);
    const QString destination = QFile::decodeName(run.plan[i].destination.c_str());
    item->setText(kColumnDestination, destination);
    item->setToolTip(kColumnDestination, destination);
    if (run.plan[i].refusal != frontend::BatchRefusal::none) {
      RefuseBatchItem(run, *item, QString::fromStdString(frontend::RefusalText(run.plan[i])));
      continue;
    }
    // Replaced only when it was there to be asked about: one that appears
    // later is never replaced without a question.
    const bool existed = IsExistingFile(destination);
    const bool repair = DecideOverwrite(run, destination);
    if (run.cancel) return;
    if (!repair) {
      ++run.skipped;
      item->setText(kColumnStatus, GuiString(idsStatusSkipped));
      item->setToolTip(kColumnStatus, GuiString(idsStatusSkippedHint));
      continue;
    }
    LogRunHeader(source, destination);
    const bool succeeded = RepairInto(source, destination, existed) != 0;
    const bool lost = succeeded && !m_lastReport.Losses().empty();
    const int status = lost        ? idsStatusDoneWithLosses
                       : succeeded ? idsStatusDone
                       : m_running ? idsStatusFailed
                                   : idsStatusInterrupted;
    ++(succeeded ? run.count : m_running ? run.failed : run.interrupted);
    LogBatchItem(succeeded, source);
    if (succeeded) ForgetPreviewOf(source, destination);
    item = FileList->itemFromIndex(index);  // it may have gone while the engine ran
    if (item == nullptr) continue;
    item->setText(kColumnStatus, GuiString(status));
    item->setToolTip(kColumnStatus, status == idsStatusFailed ? FailureReason()
                                    : succeeded               ? ReportSummaryText()
                                                              : QString());
  }
}

// Every file starts the batch afresh: a status left from an earlier batch
// would read as this one's.
void TMainForm::ResetBatchItems() {
  for (int i = 0; i < FileList->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = FileList->topLevelItem(i);
    item->setText(kColumnDestination, QString());
    item->setToolTip(kColumnDestination, QString());
    item->setText(kColumnStatus, GuiString(idsStatusNotRepaired));
    item->setToolTip(kColumnStatus, QString());
  }
}

// The preview shows what a repair of the source in the field wrote; a batch
// file from another source written over it leaves nothing to preview.
void TMainForm::ForgetPreviewOf(const QString& source, const QString& destination) {
  if (m_repairedFile.isEmpty() || source == m_repairedSource) return;
  if (SameFileKey(destination) != SameFileKey(m_repairedFile)) return;
  m_repairedFile.clear();
  m_repairedSource.clear();
}

// A refused file fails with its reason, and nothing is asked about it.
void TMainForm::RefuseBatchItem(BatchRun& run, QTreeWidgetItem& item, const QString& reason) {
  m_lastError = reason;
  ++run.failed;
  LogBatchItem(false, item.text(kColumnSource));
  item.setText(kColumnStatus, GuiString(idsStatusFailed));
  item.setToolTip(kColumnStatus, m_lastError);
}

// Each file's outcome under its engine lines; a failure with its reason.
void TMainForm::LogBatchItem(bool succeeded, const QString& source) {
  LogSeparator();
  if (succeeded) {
    Log(FormatText(GuiString(idsRepairSucceeded), {source}));
    if (!ReportSummaryText().isEmpty()) Log(ReportSummaryText());
  } else if (m_running) {
    Log(FormatText(GuiString(idsRepairFailed), {source}));
    Log(FailureReason());
  } else {
    Log(GuiString(idsRepairInterrupted));
  }
  LogSeparator();
}

// Answers whether to repair into the destination; a Cancel sets the run's
// cancel flag. The question names the file without its folder.
bool TMainForm::DecideOverwrite(BatchRun& run, const QString& destination) {
  run.cancel = false;
  if (!IsExistingFile(destination)) return true;
  if (run.noToAll) return false;
  if (run.yesToAll) return true;
  const QString text =
      FormatText(GuiString(idsOverwriteQuestion), {QFileInfo(destination).fileName()});
  switch (m_dialogs.AskOverwrite(this, text, GuiString(idsCaptionConfirm))) {
    case OverwriteAnswer::Yes:
      return true;
    case OverwriteAnswer::No:
      return false;
    case OverwriteAnswer::Cancel:
      run.cancel = true;
      return false;
    case OverwriteAnswer::NoToAll:
      run.noToAll = true;
      return false;
    case OverwriteAnswer::YesToAll:
      run.yesToAll = true;
      return true;
  }
  return false;
}

// The log stays after a batch: it is the only record of why files failed.
void TMainForm::CleanUpBatch() {
  m_running = false;
  m_runKind = RunKind::none;
  btnRepairFiles->setText(GuiString(idsStartRepair));
  Animate->SetActive(false);
  ReturnFreedMemory();
  UpdateRunControls();
}
