#include "UserDialogs.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QToolTip>
#include <QVBoxLayout>

#include "GuiStrings.h"
#include "SaveLogDialog.h"

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

// The buttons of the overwrite question, in the order they are shown.
struct OverwriteButton {
  int captionId;
  OverwriteAnswer answer;
};
constexpr OverwriteButton kOverwriteButtons[] = {{idsButtonYes, OverwriteAnswer::Yes},
                                                 {idsButtonNo, OverwriteAnswer::No},
                                                 {idsButtonCancel, OverwriteAnswer::Cancel},
                                                 {idsButtonNoToAll, OverwriteAnswer::NoToAll},
                                                 {idsButtonYesToAll, OverwriteAnswer::YesToAll}};

// A message box orders its buttons by role, the platform's way; this
// question needs its five buttons in a fixed order, so it is laid out here.
QHBoxLayout* QuestionBody(QDialog& dialog, const QString& text) {
  auto* icon = new QLabel(&dialog);
  const int size = dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &dialog);
  icon->setPixmap(dialog.style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(size));
  auto* label = new QLabel(text, &dialog);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* body = new QHBoxLayout;
  body->addWidget(icon, 0, Qt::AlignTop);
  body->addWidget(label, 1);
  return body;
}

}  // namespace

bool RunFileDialog(QWidget* owner, FileDialogRequest& request, bool save,
                   const std::function<void(QFileDialog&)>& extend) {
  QFileDialog dialog(owner);
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save                  ? QFileDialog::AnyFile
                     : request.multiSelect ? QFileDialog::ExistingFiles
                                           : QFileDialog::ExistingFile);
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
  if (extend) extend(dialog);
  const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  QToolTip::hideText();  // a tooltip of the dialog may still be showing
  if (!accepted) return false;
  request.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  request.fileNames = dialog.selectedFiles();
  request.fileName = request.fileNames.constFirst();
  return true;
}

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

OverwriteAnswer QtUserDialogs::AskOverwrite(QWidget* owner, const QString& text,
                                            const QString& caption) {
  QDialog dialog(owner);
  dialog.setWindowTitle(caption);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  OverwriteAnswer answer = OverwriteAnswer::Cancel;  // Esc and the close box
  for (const OverwriteButton& entry : kOverwriteButtons) {
    auto* button = new QPushButton(GuiString(entry.captionId), &dialog);
    button->setDefault(entry.answer == OverwriteAnswer::Yes);
    QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, &answer, entry] {
      answer = entry.answer;
      dialog.accept();
    });
    buttons->addWidget(button);
  }
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(QuestionBody(dialog, text));
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  dialog.exec();
  return answer;
}

bool QtUserDialogs::ExecuteOpenDialog(QWidget* owner, FileDialogRequest& request) {
  return RunFileDialog(owner, request, false);
}

bool QtUserDialogs::ExecuteSaveDialog(QWidget* owner, FileDialogRequest& request) {
  return RunFileDialog(owner, request, true);
}

bool QtUserDialogs::ExecuteSaveLogDialog(QWidget* owner, FileDialogRequest& request,
                                         bool& includeSysInfo) {
  return RunFileDialog(owner, request, true, [&includeSysInfo](QFileDialog& dialog) {
    QCheckBox* box = AddSystemInfoCheckBox(dialog, includeSysInfo);
    QObject::connect(box, &QCheckBox::toggled, &dialog,
                     [&includeSysInfo](bool checked) { includeSysInfo = checked; });
  });
}

QString QtUserDialogs::BrowseForFolder(QWidget* owner, const QString& title) {
  return QFileDialog::getExistingDirectory(
      owner, title, QString(), QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

bool QtUserDialogs::OpenUrl(const QUrl& url) {
  return QDesktopServices::openUrl(url);
}
