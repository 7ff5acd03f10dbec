#include "SaveLogDialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QVBoxLayout>

#include "GuiStrings.h"

TSaveLogDialog::TSaveLogDialog(IUserDialogs& dialogs) : m_dialogs(dialogs) {
  m_request.filter = GuiString(idsLogFilter);
  m_request.defaultExtension = QStringLiteral("log");
}

bool TSaveLogDialog::Execute(QWidget* owner) {
  m_request.filterIndex = 1;  // the only type
  return m_dialogs.ExecuteSaveLogDialog(owner, m_request, m_includeSysInfo);
}

// The toolkit's dialog lays its controls out on a grid whose first column
// starts at their common left edge: a new last row spanning every column
// puts the panel below them all, aligned with them.
QCheckBox* AddSystemInfoCheckBox(QFileDialog& dialog, bool checked) {
  auto* panel = new QWidget(&dialog);
  panel->setObjectName(QStringLiteral("InfoPanel"));
  auto* box = new QCheckBox(GuiString(idsIncludeSysInfo), panel);
  box->setObjectName(QStringLiteral("SystemInfoCheckBox"));
  box->setToolTip(GuiString(idsIncludeSysInfoHint));
  box->setChecked(checked);
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  panelLayout->addWidget(box, 0, Qt::AlignTop | Qt::AlignLeft);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    grid->addWidget(panel, grid->rowCount(), 0, 1, grid->columnCount(), Qt::AlignLeft);
  } else if (dialog.layout() != nullptr) {
    dialog.layout()->addWidget(panel);
  }
  return box;
}
