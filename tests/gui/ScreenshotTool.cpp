// gui_screenshots OUTPUT_DIR [SOURCE]: shows the window and saves one PNG per
// page, the hidden advanced page included. With SOURCE, the batch page shows
// a batch over copies of that file with one missing file that fails, the
// repair page a repair of it down to the page count, and the preview window
// its pages. Message boxes are answered without showing them; nothing is
// opened; the options are the defaults.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>

#include "DesktopStyle.h"
#include "DragEdit.h"
#include "MainForm.h"
#include "PagePreview.h"
#include "UserDialogs.h"

namespace {

class SilentDialogs final : public IUserDialogs {
 public:
  QStringList filesToAdd;

  void ShowMessage(QWidget*, const QString&, const QString&, MessageIcon) override {}
  bool AskYesNo(QWidget*, const QString&, const QString&) override { return true; }
  OverwriteAnswer AskOverwrite(QWidget*, const QString&, const QString&) override {
    return OverwriteAnswer::Yes;
  }
  bool ExecuteOpenDialog(QWidget*, FileDialogRequest& request) override {
    request.fileNames = filesToAdd;
    return !filesToAdd.isEmpty();
  }
  bool ExecuteSaveDialog(QWidget*, FileDialogRequest&) override { return false; }
  bool ExecuteSaveLogDialog(QWidget*, FileDialogRequest&, bool&) override { return false; }
  QString BrowseForFolder(QWidget*, const QString&) override { return {}; }
  bool OpenUrl(const QUrl&) override { return true; }
  void AskDefaultPdfHandler(std::function<void(const QString&)> answer) override {
    answer(QStringLiteral("viewer.desktop"));
  }
  void Launch(const QString&, std::function<void(bool)> finished) override { finished(true); }
};

constexpr qint64 kWaitMs = 10'000;

void Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

// Runs events until `done`, for at most kWaitMs: Poppler reads on a worker.
template <typename Done>
void WaitFor(Done done) {
  QElapsedTimer waited;
  waited.start();
  while (!done() && waited.elapsed() < kWaitMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// The preview of the repaired file, once every page is drawn.
bool SavePreview(TMainForm& form, const QDir& output) {
  form.btnPreviewClick();
  TPreviewWindow* preview = form.PreviewWindow();
  if (preview == nullptr) return false;
  WaitFor([preview] { return preview->Finished(); });
  Settle();
  return preview->grab().save(output.filePath(QStringLiteral("tessaly-preview.png")));
}

// Two copies of the sample repaired by a batch, one missing file that fails,
// and one file added afterwards that waits for the next batch.
void FillBatchPage(TMainForm& form, SilentDialogs& dialogs, const QString& sample) {
  const QString name = QFileInfo(sample).fileName();
  for (const QString& copy : {QStringLiteral("report.pdf"), QStringLiteral("scan.pdf")}) {
    QFile::copy(name, copy);
    dialogs.filesToAdd << copy;
  }
  dialogs.filesToAdd << QStringLiteral("invoice.pdf");
  form.btnAddFilesClick();
  form.btnRepairFilesClick();
  QFile::copy(name, QStringLiteral("contract.pdf"));
  dialogs.filesToAdd = {QStringLiteral("contract.pdf")};
  form.btnAddFilesClick();
  dialogs.filesToAdd.clear();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() < 2) return 2;
  UseDesktopStyle();  // as the program does
  const QDir output(QFileInfo(args.at(1)).absoluteFilePath());
  QTemporaryDir work;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(work.filePath(QStringLiteral("config"))));
  SilentDialogs dialogs;
  TMainForm form(dialogs);
  QApplication::setFont(form.font());
  form.show();
  // The repairs run in a scratch folder, with names relative to it, so that
  // the fields and the list show short names.
  if (args.size() > 2) {
    const QString name = QFileInfo(args.at(2)).fileName();
    if (!QFile::copy(args.at(2), work.filePath(name))) return 1;
    QDir::setCurrent(work.path());
    FillBatchPage(form, dialogs, args.at(2));
    form.txtSrcFile->setText(name);
    form.btnRepairClick();
    WaitFor([&form] { return form.txtRepairLog->toPlainText().endsWith(QStringLiteral("页。")); });
    if (!SavePreview(form, output)) return 1;
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
