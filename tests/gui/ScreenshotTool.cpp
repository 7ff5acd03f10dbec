// gui_screenshots OUTPUT_DIR [SOURCE]: shows the window and saves one PNG per
// page, the hidden advanced page included. With SOURCE, the repair page is
// captured after a repair of that file, so its log is filled in. Message
// boxes are answered without showing them; nothing is opened.
#include <QApplication>
#include <QDir>
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
  bool ExecuteOpenDialog(QWidget*, FileDialogRequest&) override { return false; }
  bool ExecuteSaveDialog(QWidget*, FileDialogRequest&) override { return false; }
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
  const QDir output(args.at(1));
  SilentDialogs dialogs;
  TMainForm form(dialogs);
  QApplication::setFont(form.font());
  form.show();
  QTemporaryDir work;
  if (args.size() > 2) {
    form.txtSrcFile->setText(args.at(2));
    form.txtDstFile->setText(work.filePath(QStringLiteral("repaired.pdf")));
    form.btnRepairClick();
  }
  const char* names[] = {"repair", "batch", "options", "advanced", "about"};
  for (int page = 0; page < form.pcMain->count(); ++page) {
    form.pcMain->setCurrentIndex(page);
    Settle();
    const QString file = output.filePath(QStringLiteral("tessaly-%1.png").arg(QLatin1String(names[page])));
    if (!form.grab().save(file)) return 1;
  }
  return 0;
}
