// gui_bench [SOURCE]: repairs one large file with tessaly-cli and with the
// window (offscreen, driven like a user would), in turn, and prints the
// median of both times and their ratio (TESSALY_BENCH_ROUNDS rounds, 5 by
// default). Without SOURCE it writes a damaged file of about 32 MB of
// stream data.
// gui_bench --memory SOURCE: the window's resident memory when idle, and
// once a repair of SOURCE, its page count and a preview are over.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThreadPool>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "DragEdit.h"
#include "MainForm.h"
#include "UserDialogs.h"

namespace {

int Rounds() {
  const int rounds = qEnvironmentVariableIntValue("TESSALY_BENCH_ROUNDS");
  return rounds > 0 ? rounds : 5;
}

qint64 Median(QList<qint64> values) {
  std::sort(values.begin(), values.end());
  return values.at(values.size() / 2);
}

class BenchDialogs final : public IUserDialogs {
 public:
  void ShowMessage(QWidget*, const QString& text, const QString&, MessageIcon) override {
    lastMessage = text;
  }
  bool AskYesNo(QWidget*, const QString&, const QString&) override { return true; }
  bool ExecuteOpenDialog(QWidget*, FileDialogRequest&) override { return false; }
  bool ExecuteSaveDialog(QWidget*, FileDialogRequest&) override { return false; }
  QString BrowseForFolder(QWidget*, const QString&) override { return {}; }
  bool OpenUrl(const QUrl&) override { return true; }
  QString lastMessage;
};

// Pages with content streams of pseudo-random bytes, no cross-reference
// table and a cut-off last object.
bool WriteLargeSource(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  file.write("%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
  quint32 seed = 12345;
  QByteArray data(16 * 1024, '\0');
  for (int page = 0; page < 2000; ++page) {
    const int pageNumber = 3 + 2 * page;
    file.write(QByteArray::number(pageNumber) + " 0 obj\n<< /Type /Page /Contents " +
               QByteArray::number(pageNumber + 1) + " 0 R /MediaBox [0 0 612 792] >>\nendobj\n");
    for (char& byte : data) {
      seed = seed * 1664525u + 1013904223u;
      byte = static_cast<char>(seed >> 24);
    }
    file.write(QByteArray::number(pageNumber + 1) + " 0 obj\n<< /Length " +
               QByteArray::number(data.size()) + " >>\nstream\n" + data + "\nendstream\nendobj\n");
  }
  file.write("9999 0 obj\n<< /Type /Annot /Contents (cut");
  return true;
}

qint64 TimeCli(const QString& source, const QString& destination) {
  QElapsedTimer timer;
  timer.start();
  QProcess cli;
  cli.start(QStringLiteral(TESSALY_CLI_PATH),
            {QStringLiteral("-f"), QStringLiteral("-q"), QStringLiteral("-o"), destination, source});
  cli.waitForFinished(-1);
  return cli.exitCode() == 0 ? timer.elapsed() : -1;
}

qint64 TimeWindow(TMainForm& form, BenchDialogs& dialogs, const QString& source,
                  const QString& destination) {
  form.txtSrcFile->setText(source);
  form.txtDstFile->setText(destination);
  QElapsedTimer timer;
  timer.start();
  form.btnRepairClick();
  const qint64 elapsed = timer.elapsed();
  return dialogs.lastMessage.contains(QStringLiteral("\r\n")) ? elapsed : -1;  // success text
}

// The process's resident set, in KB, as the kernel counts it.
long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// Lets the window finish what it does after a repair (the page count on a
// worker thread, the log).
void Settle() {
  for (int i = 0; i < 20; ++i) {
    QThreadPool::globalInstance()->waitForDone(100);
    QApplication::processEvents();
  }
}

int MeasureMemory(TMainForm& form, BenchDialogs& dialogs, const QString& source, const QString& destination) {
  Settle();
  const long idle = ResidentKb();
  long peakAfter = 0;
  for (int round = 0; round < 3; ++round) {
    QFile::remove(destination);
    if (TimeWindow(form, dialogs, source, destination) < 0) {
      std::fprintf(stderr, "the repair failed\n");
      return 1;
    }
    Settle();
    form.btnPreviewClick();
    for (int wait = 0; form.PreviewWindow() != nullptr && !form.PreviewWindow()->Finished() && wait < 600; ++wait) {
      Settle();
    }
    if (form.PreviewWindow() != nullptr) form.PreviewWindow()->close();
    Settle();
    peakAfter = std::max(peakAfter, ResidentKb());
  }
  std::printf("window idle: %ld MB; after repair, page count and preview: %ld MB (%+ld MB; at most +20 wanted)\n",
              idle / 1024, peakAfter / 1024, (peakAfter - idle) / 1024);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir work;
  // The window reads and writes its options: keep them out of the user's own.
  qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toLocal8Bit());
  QApplication app(argc, argv);
  QStringList args = QApplication::arguments();
  const bool memory = args.size() > 2 && args.at(1) == QStringLiteral("--memory");
  if (memory) args.removeAt(1);
  const QString source = args.size() > 1 ? args.at(1) : work.filePath(QStringLiteral("large.pdf"));
  if (args.size() <= 1 && !WriteLargeSource(source)) return 1;

  BenchDialogs dialogs;
  TMainForm form(dialogs);
  form.chkOpenFixed->setChecked(false);
  form.show();
  if (memory) return MeasureMemory(form, dialogs, source, work.filePath(QStringLiteral("gui.pdf")));
  const int rounds = Rounds();
  QList<qint64> cliTimes;
  QList<qint64> windowTimes;
  for (int round = 0; round < rounds; ++round) {
    const qint64 cli = TimeCli(source, work.filePath(QStringLiteral("cli.pdf")));
    const qint64 window =
        TimeWindow(form, dialogs, source, work.filePath(QStringLiteral("gui.pdf")));
    if (cli < 0 || window < 0) {
      std::fprintf(stderr, "a repair failed (cli %lld ms, window %lld ms)\n",
                   static_cast<long long>(cli), static_cast<long long>(window));
      return 1;
    }
    cliTimes.append(cli);
    windowTimes.append(window);
  }
  const qint64 cliMedian = Median(cliTimes);
  const qint64 windowMedian = Median(windowTimes);
  std::printf("source: %lld bytes\n", static_cast<long long>(QFile(source).size()));
  std::printf("tessaly-cli: %lld ms (median of %d)\n", static_cast<long long>(cliMedian), rounds);
  std::printf("window:      %lld ms (median of %d)\n", static_cast<long long>(windowMedian), rounds);
  std::printf("ratio window/cli: %.3f (at most 1.05 wanted)\n",
              static_cast<double>(windowMedian) / static_cast<double>(std::max<qint64>(cliMedian, 1)));
  return 0;
}
