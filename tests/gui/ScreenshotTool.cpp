// gui_screenshots OUTPUT_DIR [SOURCE]: shows the window and saves one PNG per
// page, the hidden advanced page included. With SOURCE, the repair page is
// captured after a repair of that file, so its log is filled in. Message
// boxes are answered without showing them; nothing is opened.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>

#include "DragEdit.h"
#include "MainForm.h"
#include "UserDialogs.h"

namespace {

class SilentDialogs final : public IUserDialogs {
 public:
  void ShowMessage(QWidget*, const QString&, const QString&, MessageIcon) override {}
  bool AskYesNo(QWidget*, const QString&, const QString&) override { return true; }
  OverwriteAnswer AskOverwrite(QWidget*, const QString&, const QString&) override {
    return OverwriteAnswer::Yes;
  }
  bool ExecuteOpenDialog(QWidget*, FileDialogRequest&) override { return false; }
  bool ExecuteSaveDialog(QWidget*, FileDialogRequest&) override { return false; }
  bool ExecuteSaveLogDialog(QWidget*, FileDialogRequest&, bool&) override { return false; }
  QString BrowseForFolder(QWidget*, const QString&) override { return {}; }
  bool OpenUrl(const QUrl&) override { return true; }
};

void Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() < 2) return 2;
  const QDir output(QFileInfo(args.at(1)).absoluteFilePath());
  SilentDialogs dialogs;
  TMainForm form(dialogs);
  QApplication::setFont(form.font());
  form.show();
  // The repair runs in a scratch folder so that the fields show short names.
  QTemporaryDir work;
  if (args.size() > 2) {
    const QString name = QFileInfo(args.at(2)).fileName();
    if (!QFile::copy(args.at(2), work.filePath(name))) return 1;
    QDir::setCurrent(work.path());
    form.txtSrcFile->setText(name);
    form.btnRepairClick();
  }
  const char* names[] = {"repair", "batch", "options", "advanced", "about"};
  for (int page = 0; page < form.pcMain->count(); ++page) {
    // The hidden page is shown with its tab: the bar cannot mark a hidden tab.
    const bool hidden = !form.pcMain->isTabVisible(page);
    form.pcMain->setTabVisible(page, true);
    form.pcMain->setCurrentIndex(page);
    Settle();
    const QString file =
        output.filePath(QStringLiteral("tessaly-%1.png").arg(QLatin1String(names[page])));
    if (!form.grab().save(file)) return 1;
    form.pcMain->setTabVisible(page, !hidden);
  }
  return 0;
}
