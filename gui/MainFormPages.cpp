// The options page, the hidden advanced page, the About page and the tab
// order of every page.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTreeWidget>

#include "DragEdit.h"
#include "FileList.h"
#include "FormControls.h"
#include "GuiStrings.h"
#include "LinkLabel.h"
#include "MainForm.h"
#include "UpDown.h"

void TMainForm::CreateOptionsPage() {
  QWidget* page = tsOptions;
  chkOpenFixed = PlaceControl<QCheckBox>(page, "chkOpenFixed", QRect(24, 33, 433, 17));
  chkOpenFixed->setText(GuiString(idsOpenFixed));
  chkOpenFixed->setChecked(true);
  labPDFVersion = PlaceLabel(page, "labPDFVersion", GuiString(idsPdfVersion), 24, 82);
  cmbPDFVersion = PlaceControl<QComboBox>(page, "cmbPDFVersion", QRect(164, 78, 145, 21));
  cmbPDFVersion->setEditable(false);
  cmbPDFVersion->addItems(GuiString(idsPdfVersionItems).split(u'|'));
  labPDFVersion->setBuddy(cmbPDFVersion);
  chkThorough = PlaceControl<QCheckBox>(page, "chkThorough", QRect(24, 122, 433, 17));
  chkThorough->setText(GuiString(idsThorough));
}

void TMainForm::CreateAdvancedPage() {
  QWidget* page = tsAdvOptions;
  labTempDir = PlaceLabel(page, "labTempDir", GuiString(idsTempDir), 27, 22);
  txtTempDir = PlaceControl<QLineEdit>(page, "txtTempDir", QRect(25, 49, 315, 21));
  btnMoreDir = PlaceButton(page, "btnMoreDir", GuiString(idsMoreButton), QRect(340, 49, 21, 21));
  labBufSize = PlaceLabel(page, "labBufSize", GuiString(idsBufSize), 27, 103);
  txtBufSize = PlaceControl<QLineEdit>(page, "txtBufSize", QRect(185, 99, 59, 21));
  udBufSize = PlaceControl<TUpDown>(page, "udBufSize", QRect(244, 99, 15, 21));
  udBufSize->SetRange(1, 32767);
  udBufSize->SetBuddy(txtBufSize);
  udBufSize->SetPosition(1);
  Label16 = PlaceLabel(page, "Label16", GuiString(idsBytes), 270, 102);
  labTempDir->setBuddy(txtTempDir);
  labBufSize->setBuddy(txtBufSize);
  txtBufSize->installEventFilter(this);
}

void TMainForm::CreateAboutPage() {
  QWidget* page = tsAbout;
  imgIcon = PlaceControl<QLabel>(page, "imgIcon", QRect(33, 31, 32, 32));
  labTitle = PlaceLabel(page, "labTitle", QString(), 102, 16);
  labVersionCaption = PlaceLabel(page, "labVersionCaption", GuiString(idsVersionCaption), 102, 37);
  labVersion = PlaceLabel(page, "labVersion", QString(), 144, 37);
  labCopyright = PlaceLabel(page, "labCopyright", QString(), 102, 60);
  labHomepageCaption =
      PlaceLabel(page, "labHomepageCaption", GuiString(idsHomepageCaption), 102, 84);
  labHomepage = PlaceControl<TLinkLabel>(page, "labHomepage", QRect(169, 84, 0, 0));
  labEmailCaption = PlaceLabel(page, "labEmailCaption", GuiString(idsEmailCaption), 102, 106);
  labEmail = PlaceControl<TLinkLabel>(page, "labEmail", QRect(186, 106, 0, 0));
}

void TMainForm::SetTabOrders() {
  setTabOrder(txtSrcFile, btnSrcMore);
  setTabOrder(btnSrcMore, txtRepairLog);
  setTabOrder(txtRepairLog, btnRepair);
  setTabOrder(btnRepair, btnSaveLog);
  setTabOrder(btnSaveLog, btnHelp);
  setTabOrder(btnHelp, btnPreview);
  setTabOrder(btnPreview, txtDstFile);
  setTabOrder(txtDstFile, btnDstMore);
  setTabOrder(FileList, btnRepairFiles);
  setTabOrder(btnRepairFiles, btnAddFiles);
  setTabOrder(btnAddFiles, btnRemoveFiles);
  setTabOrder(btnRemoveFiles, btnRemoveAll);
  setTabOrder(chkOpenFixed, cmbPDFVersion);
  setTabOrder(cmbPDFVersion, chkThorough);
  setTabOrder(txtTempDir, btnMoreDir);
  setTabOrder(btnMoreDir, txtBufSize);
  setTabOrder(txtBufSize, udBufSize);
}
