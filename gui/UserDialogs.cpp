#include "UserDialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "GuiStrings.h"

namespace {

QMessageBox::Icon ToBoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Error:
      return QMessageBox::Critical;
    case MessageIcon::Information:
      break;
  }
  return QMessageBox::Information;
}

// Qt reads a type's patterns from the last parentheses of its name and hides
// them with HideNameFilterDetails, so the description shows exactly as
// written while "*.*" matches every file, with or without an extension.
QStringList ToQtFilters(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts.at(i + 1).split(u';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
    }
    filters << parts.at(i) + QStringLiteral(" (") + patterns.join(u' ') + u')';
  }
  return filters;
}

bool RunFileDialog(QWidget* owner, FileDialogRequest& request, bool save) {
  QFileDialog dialog(owner);
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const QStringList filters = ToQtFilters(request.filter);
  dialog.setNameFilters(filters);
  if (request.filterIndex >= 1 && request.filterIndex <= filters.size()) {
    dialog.selectNameFilter(filters.at(request.filterIndex - 1));
  }
  dialog.setDefaultSuffix(request.defaultExtension);
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
    const int index = static_cast<int>(filters.indexOf(chosen)) + 1;
    if (request.onTypeChange) dialog.setDefaultSuffix(request.onTypeChange(index));
  });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  request.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  request.fileName = dialog.selectedFiles().constFirst();
  return true;
}

}  // namespace

void QtUserDialogs::ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                                MessageIcon icon) {
  QMessageBox box(ToBoxIcon(icon), caption, text, QMessageBox::NoButton, owner);
  box.addButton(GuiString(idsButtonOk), QMessageBox::AcceptRole);
  box.exec();
}

bool QtUserDialogs::AskYesNo(QWidget* owner, const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::NoButton, owner);
  QPushButton* yes = box.addButton(GuiString(idsButtonYes), QMessageBox::YesRole);
  QPushButton* no = box.addButton(GuiString(idsButtonNo), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

bool QtUserDialogs::ExecuteOpenDialog(QWidget* owner, FileDialogRequest& request) {
  return RunFileDialog(owner, request, false);
}

bool QtUserDialogs::ExecuteSaveDialog(QWidget* owner, FileDialogRequest& request) {
  return RunFileDialog(owner, request, true);
}

QString QtUserDialogs::BrowseForFolder(QWidget* owner, const QString& title) {
  return QFileDialog::getExistingDirectory(
      owner, title, QString(), QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

bool QtUserDialogs::OpenUrl(const QUrl& url) {
  return QDesktopServices::openUrl(url);
}
