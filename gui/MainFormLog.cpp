// Saving the repair log, optionally behind the system information report
// and the settings section.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "GuiStrings.h"
#include "MainForm.h"
#include "SystemReport.h"
#include "TextFormat.h"
#include "UpDown.h"

namespace {

// UTF-8 with CR LF after every line, the last one included.
bool WriteLines(const QString& fileName, const QStringList& lines) {
  QByteArray bytes;
  for (const QString& line : lines) bytes += line.toUtf8() + "\r\n";
  QFile file(fileName);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(bytes) == bytes.size() && file.flush();
}

}  // namespace

void TMainForm::btnSaveLogClick() {
  if (Busy()) return;  // the dialog would hold the run
  if (!SaveLogDialog.Execute(this)) return;
  QStringList lines;
  if (SaveLogDialog.IncludeSysInfo()) {
    lines << GuiString(idsSeparator);
    AddSystemReport(lines);
    AddSettingsSection(lines);
  }
  const QString log = txtRepairLog->toPlainText();
  if (!log.isEmpty()) lines << log.split(u'\n');
  if (WriteLines(SaveLogDialog.FileName(), lines)) return;
  m_dialogs.ShowMessage(this,
                        FormatText(GuiString(idsCannotCreateFile), {SaveLogDialog.FileName()}),
                        GuiString(idsCaptionError), MessageIcon::Error);
}

// The options as the controls hold them now, the hidden advanced page's too,
// each after the caption of its control.
void TMainForm::AddSettingsSection(QStringList& lines) const {
  const QString separator = GuiString(idsSeparator);
  lines << GuiString(idsSettingsBegin);
  lines << chkOpenFixed->text() + QStringLiteral(": ") +
               GuiString(chkOpenFixed->isChecked() ? idsSettingsYes : idsSettingsNo);
  lines << labPDFVersion->text() + u' ' + QString::number(cmbPDFVersion->currentIndex());
  lines << labTempDir->text() + u' ' + txtTempDir->text();
  lines << labBufSize->text() + u' ' + QString::number(udBufSize->Position());
  lines << chkThorough->text() + QStringLiteral(": ") +
               GuiString(chkThorough->isChecked() ? idsSettingsYes : idsSettingsNo);
  lines << separator << GuiString(idsSettingsEnd) << separator;
}
