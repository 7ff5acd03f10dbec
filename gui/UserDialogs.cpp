#include "UserDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <memory>
#include <utility>

#include "FileDialogSize.h"
#include "GuiStrings.h"
#include "PasswordDialog.h"
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

// The types as the toolkit's dialog takes them, and as it shows them. Qt
// reads a type's patterns from the last parentheses of its name and hides
// them with HideNameFilterDetails, so the description shows exactly as
// written while "*.*" matches every file, with or without an extension.
struct QtFilters {
  QStringList full;   // "description (patterns)", what the dialog is given
  QStringList shown;  // the description alone, what the dialog then reports
};

QtFilters ToQtFilters(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QtFilters filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts.at(i + 1).split(u';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
    }
    filters.full << parts.at(i) + QStringLiteral(" (") + patterns.join(u' ') + u')';
    filters.shown << parts.at(i).simplified();
  }
  return filters;
}

// The 1-based type the dialog names, by its full or its shown text; 0 when
// it names none.
int FilterIndexOf(const QtFilters& filters, const QString& named) {
  for (qsizetype i = 0; i < filters.full.size(); ++i) {
    if (named == filters.full.at(i) || named.simplified() == filters.shown.at(i)) {
      return static_cast<int>(i) + 1;
    }
  }
  return 0;
}

constexpr int kMimeQueryTimeoutMs = 3000;

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
  const QtFilters filters = ToQtFilters(request.filter);
  dialog.setNameFilters(filters.full);
  if (request.filterIndex >= 1 && request.filterIndex <= filters.full.size()) {
    dialog.selectNameFilter(filters.full.at(request.filterIndex - 1));
  }
  dialog.setDefaultSuffix(request.defaultExtension);
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
    if (request.onTypeChange) {
      dialog.setDefaultSuffix(request.onTypeChange(FilterIndexOf(filters, chosen)));
    }
  });
  if (extend) extend(dialog);
  SizeFileDialog(dialog, owner);
  const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  QToolTip::hideText();  // a tooltip of the dialog may still be showing
  if (!accepted) return false;
  if (const int index = FilterIndexOf(filters, dialog.selectedNameFilter()); index > 0) {
    request.filterIndex = index;
  }
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

bool QtUserDialogs::AskPassword(QWidget* owner, const PasswordRequest& request, QString& password) {
  return RunPasswordDialog(owner, request, password);
}

QString QtUserDialogs::BrowseForFolder(QWidget* owner, const QString& title) {
  return QFileDialog::getExistingDirectory(
      owner, title, QString(), QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

bool QtUserDialogs::OpenUrl(const QUrl& url) {
  return QDesktopServices::openUrl(url);
}

namespace {

// A helper program is never waited for on the window's thread: it belongs
// to the application rather than to a window, and `ended` learns once
// whether it exited with 0, with the process still readable.
QProcess* StartHelper(const QString& program, const QStringList& arguments, QProcess::ProcessChannelMode channels,
                      std::function<void(QProcess& process, bool succeeded)> ended) {
  auto* process = new QProcess(QCoreApplication::instance());
  process->setProcessChannelMode(channels);
  auto report = std::make_shared<std::function<void(QProcess&, bool)>>(std::move(ended));
  auto end = [process, report](bool succeeded) {
    if (*report) std::exchange(*report, nullptr)(*process, succeeded);
    process->deleteLater();
  };
  QObject::connect(process, &QProcess::finished, process,
                   [end](int code, QProcess::ExitStatus status) { end(status == QProcess::NormalExit && code == 0); });
  QObject::connect(process, &QProcess::errorOccurred, process, [end](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) end(false);
  });
  process->start(program, arguments);
  return process;
}

}  // namespace

// A query that hangs is ended: no answer means no handler.
void QtUserDialogs::AskDefaultPdfHandler(std::function<void(const QString&)> answer) {
  QProcess* query = StartHelper(
      mimeQueryProgram, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("application/pdf")},
      QProcess::ForwardedErrorChannel, [answer = std::move(answer)](QProcess& process, bool succeeded) {
        answer(succeeded ? QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed() : QString());
      });
  QTimer::singleShot(kMimeQueryTimeoutMs, query, [query] { query->kill(); });
}

// Without a desktop environment the launcher runs as long as the program it
// started, so it is never waited for, and reports when it ends.
void QtUserDialogs::Launch(const QString& path, std::function<void(bool)> finished) {
  StartHelper(launcherProgram, {path}, QProcess::ForwardedChannels,
              [finished = std::move(finished)](QProcess&, bool succeeded) { finished(succeeded); });
}
