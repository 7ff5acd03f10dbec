// Where a repair writes: a safe output beside the destination, which only a
// complete repair turns into the destination. A failed or stopped repair
// leaves an existing destination as it was, and no file behind.
#include <QFile>
#include <string>

#include "FileTexts.h"
#include "MainForm.h"
#include "SafeOutput.h"

namespace {

QString FailureText(const frontend::SafeOutput& output, const QString& destination) {
  return QString::fromStdString(frontend::CannotCreateText(output.Cause(), QFile::encodeName(destination).toStdString()));
}

}  // namespace

int TMainForm::RepairInto(const QString& source, const QString& destination, bool replace) {
  frontend::SafeOutput output;
  if (!output.Create(QFile::encodeName(destination).toStdString(), replace,
                     QFile::encodeName(source).toStdString())) {
    LogErrorBlock(FailureText(output, destination));
    return 0;
  }
  m_writerPath = QString::fromStdString(output.WriterPath());
  m_writerDestination = destination;
  const int result = CallEngine(source, QByteArray::fromStdString(output.WriterPath()));
  m_writerPath.clear();
  if (result == 0 || output.Commit()) return result;
  LogErrorBlock(FailureText(output, destination));
  return 0;
}

// The engine names the file it writes by a name the user never gave.
QString TMainForm::EngineText(const void* data) const {
  QString text = QString::fromUtf8(static_cast<const char*>(data));
  if (!m_writerPath.isEmpty()) text.replace(m_writerPath, m_writerDestination);
  return text;
}

void TMainForm::LogErrorBlock(const QString& text) {
  m_lastError = text;
  LogSeparator();
  Log(text);
  LogSeparator();
}
