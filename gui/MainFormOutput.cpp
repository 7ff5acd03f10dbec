// Where a repair writes: a safe output beside the destination, which only a
// complete repair turns into the destination. A failed or stopped repair
// leaves an existing destination as it was, and no file behind.
#include <QFile>
#include <string>

#include "FileTexts.h"
#include "MainForm.h"
#include "RepairJob.h"

namespace {

QString FailureText(const frontend::SafeOutput& output, const QString& destination) {
  return QString::fromStdString(frontend::CannotCreateText(output.Cause(), QFile::encodeName(destination).toStdString()));
}

}  // namespace

int TMainForm::RepairInto(const QString& source, const QString& destination, bool replace) {
  frontend::RepairJob job(QFile::encodeName(source).toStdString(), QFile::encodeName(destination).toStdString());
  if (!job.Prepare(replace)) {
    LogErrorBlock(FailureText(job.Output(), destination));
    return 0;
  }
  m_sinceEvents.invalidate();
  m_lastError.clear();
  m_lastReport = {};
  m_engineSource = source;
  m_engineCallActive = true;
  const int result = job.Run(VersionOption(), *this, m_repair);
  m_engineCallActive = false;
  if (job.Finish(result != 0)) return result;
  LogErrorBlock(FailureText(job.Output(), destination));
  return 0;
}

void TMainForm::LogErrorBlock(const QString& text) {
  m_lastError = text;
  LogSeparator();
  Log(text);
  LogSeparator();
}
