// The batch page: the list of files, adding and removing them, and the batch
// run that repairs each file into its default destination name.
#include <QFileInfo>
#include <QLocale>
#include <QPersistentModelIndex>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <vector>

#include "BusyAnimation.h"
#include "GuiStrings.h"
#include "MainForm.h"
#include "RunCleanUp.h"
#include "TextFormat.h"

namespace {

constexpr int kColumnSource = 0;
constexpr int kColumnDestination = 1;
constexpr int kColumnStatus = 2;

bool IsExistingFile(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && !info.isDir();
}

}  // namespace

struct TMainForm::BatchRun {
  bool yesToAll = false;
  bool noToAll = false;
  bool cancel = false;
  int count = 0;  // files repaired successfully
  // The items present when the run started. The list stays editable while
  // the engine reports progress; an item removed since then no longer has a
  // valid index and is skipped, an item added since is not part of the run.
  std::vector<QPersistentModelIndex> items;
};

void TMainForm::btnAddFilesClick() {
  const bool previousMultiSelect = m_openDialog.multiSelect;
  m_openDialog.filterIndex = m_settings.OpenFilterIndex();
  m_openDialog.multiSelect = true;  // for this call only
  const bool confirmed = m_dialogs.ExecuteOpenDialog(this, m_openDialog);
  m_openDialog.multiSelect = previousMultiSelect;
  if (!confirmed) return;
  m_settings.SetOpenFilterIndex(m_openDialog.filterIndex);
  for (const QString& path : m_openDialog.fileNames) {
    if (ContainsSource(path)) continue;
    new QTreeWidgetItem(FileList, {path, QString(), GuiString(idsStatusNotRepaired)});
  }
}

// Paths are compared ignoring letter case by the locale's rules.
bool TMainForm::ContainsSource(const QString& path) const {
  const QLocale locale;
  const QString wanted = locale.toLower(path);
  for (int i = 0; i < FileList->topLevelItemCount(); ++i) {
    if (locale.toLower(FileList->topLevelItem(i)->text(kColumnSource)) == wanted) return true;
  }
  return false;
}

void TMainForm::btnRemoveFilesClick() {
  for (int i = FileList->topLevelItemCount() - 1; i >= 0; --i) {
    if (FileList->topLevelItem(i)->isSelected()) delete FileList->takeTopLevelItem(i);
  }
}

void TMainForm::btnRemoveAllClick() {
  FileList->clear();
}

bool TMainForm::FileListKeyDown(int key, Qt::KeyboardModifiers shift) {
  if (key != Qt::Key_Delete) return false;
  if (shift.testFlag(Qt::ShiftModifier)) {
    btnRemoveAllClick();
  } else {
    btnRemoveFilesClick();
  }
  return true;
}

void TMainForm::btnRepairFilesClick() {
  if (m_running) {
    m_running = false;  // Stop: the file in progress ends at the next stop question
    return;
  }
  if (m_engineCallActive) return;  // a stopped run has not ended yet
  if (FileList->topLevelItemCount() == 0) {
    m_dialogs.ShowMessage(this, GuiString(idsAddFilesFirst), GuiString(idsCaptionInformation),
                          MessageIcon::Information);
    return;
  }
  BatchRun run;
  for (int i = 0; i < FileList->topLevelItemCount(); ++i) {
    run.items.emplace_back(FileList->indexFromItem(FileList->topLevelItem(i)));
  }
  {
    m_running = true;
    RunCleanUp cleanUp([this] { CleanUpBatch(); });
    btnRepairFiles->setText(GuiString(idsStopRepair));
    txtRepairLog->clear();
    Animate->SetActive(true);
    RunBatch(run);
    if (!m_closeRequested) {
      m_dialogs.ShowMessage(this,
                            FormatText(GuiString(idsBatchSummary), {QString::number(run.count)}),
                            GuiString(idsCaptionInformation), MessageIcon::Information);
    }
  }
  if (m_closeRequested) close();
}

void TMainForm::RunBatch(BatchRun& run) {
  for (const QPersistentModelIndex& index : run.items) {
    if (!m_running) return;
    QTreeWidgetItem* item = FileList->itemFromIndex(index);
    if (item == nullptr) continue;  // removed since the run started
    const QString source = item->text(kColumnSource);
    const QString destination = DefaultDestinationName(source);
    item->setText(kColumnDestination, destination);
    const bool repair = DecideOverwrite(run, destination);
    if (run.cancel) return;
    if (!repair) continue;
    const bool succeeded = RepairInto(source, destination, QFileInfo(destination).isFile()) != 0;
    if (succeeded) ++run.count;
    item = FileList->itemFromIndex(index);  // it may have gone while the engine ran
    if (item == nullptr) continue;
    const int status = succeeded   ? idsStatusDone
                       : m_running ? idsStatusFailed
                                   : idsStatusInterrupted;
    item->setText(kColumnStatus, GuiString(status));
  }
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

// The log of a batch is cleared at its end, so it never mixes with a file's.
void TMainForm::CleanUpBatch() {
  m_running = false;
  btnRepairFiles->setText(GuiString(idsStartRepair));
  Animate->SetActive(false);
  txtRepairLog->clear();
}
