// The window's start-up state, its fields and their dialogs, and the
// handlers other than the repair run.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "BusyAnimation.h"
#include "DragEdit.h"
#include "GuiTestSupport.h"
#include "LinkLabel.h"
#include "UpDown.h"

namespace {

class MainFormTest : public ::testing::Test, public FormFixture {};

}  // namespace

TEST_F(MainFormTest, StartsAtTheDesignSizeOnTheRepairPage) {
  ASSERT_EQ(form->LayoutScale(), 1.0);  // the desktop's font is 9 points here
  EXPECT_EQ(form->size(), QSize(479, 349));
  EXPECT_EQ(form->minimumSize(), QSize(479, 349));
  EXPECT_GT(form->maximumSize().width(), 479);
  EXPECT_EQ(form->windowTitle(), "Tessaly v1.0");
  ASSERT_EQ(form->pcMain->count(), 5);
  const QStringList captions = {"修复(&R)", "批量修复(&B)", "选项(&O)", "高级选项", "关于(&A)"};
  for (int page = 0; page < 5; ++page) EXPECT_EQ(form->pcMain->tabText(page), captions[page]);
  EXPECT_EQ(form->pcMain->widget(3), form->tsAdvOptions);
  EXPECT_FALSE(form->pcMain->isTabVisible(3));
  EXPECT_EQ(form->pcMain->currentWidget(), form->tsRepair);
  EXPECT_EQ(form->Gauge->value(), 0);
  EXPECT_TRUE(form->Gauge->font().bold());
  EXPECT_FALSE(form->Animate->Active());
  EXPECT_FALSE(form->btnRepair->isEnabled());
  EXPECT_FALSE(form->btnPreview->isEnabled());
  EXPECT_TRUE(form->txtRepairLog->isReadOnly());
  EXPECT_EQ(form->labSelSrcFile->buddy(), form->txtSrcFile);
  const int left = form->labSelSrcFile->geometry().right() + 1 + 10;
  const std::vector<std::pair<QWidget*, QRect>> places = {
      {form->pcMain, {6, 60, 468, 283}},
      {form->Panel2, {16, 311, 347, 21}},
      {form->Animate, {393, 146, 48, 48}},
      {form->btnPreview, {379, 134, 81, 25}},
      {form->txtSrcFile, {left, 10, 431 - left, 21}},
      {form->txtDstFile, {left, 44, 431 - left, 21}},
      {form->btnSrcMore, {431, 10, 21, 21}},
      {form->btnDstMore, {431, 44, 21, 21}},
      {form->txtRepairLog, {6, 102, 365, 117}},
      {form->btnRepair, {379, 164, 81, 25}},
      {form->btnHelp, {379, 224, 81, 25}}};
  for (const auto& [control, place] : places) {
    EXPECT_EQ(control->geometry(), place) << control->objectName().toStdString();
  }
}

TEST_F(MainFormTest, TabOrderFollowsTheForm) {
  const std::vector<QWidget*> order = {form->txtSrcFile, form->btnSrcMore, form->txtRepairLog,
                                       form->btnRepair,  form->btnSaveLog, form->btnHelp,
                                       form->btnPreview, form->txtDstFile, form->btnDstMore};
  for (size_t i = 0; i + 1 < order.size(); ++i) {
    QWidget* next = order[i]->nextInFocusChain();
    while (next != nullptr && next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
    EXPECT_EQ(next, order[i + 1]) << i;
  }
}

TEST_F(MainFormTest, OptionsAndAdvancedPagesHoldTheSettingsDefaults) {
  EXPECT_TRUE(form->chkOpenFixed->isChecked());
  ASSERT_EQ(form->cmbPDFVersion->count(), 7);
  EXPECT_EQ(form->cmbPDFVersion->itemText(0), "1.0");
  EXPECT_EQ(form->cmbPDFVersion->currentText(), "1.4");
  EXPECT_EQ(form->txtTempDir->text(), AppSettings::DefaultTempDir());
  EXPECT_EQ(form->txtBufSize->text(), "512");
  EXPECT_EQ(form->udBufSize->Max(), 32767);
  EXPECT_EQ(form->Settings().OpenFilterIndex(), 1);
  EXPECT_EQ(form->Settings().SaveFilterIndex(), 1);
  form->txtBufSize->clear();
  QTest::keyClicks(form->txtBufSize, "1a2-3");  // digits only
  EXPECT_EQ(form->udBufSize->Position(), 123);
}

TEST_F(MainFormTest, AboutPageShowsTitleVersionAndLinks) {
  EXPECT_EQ(form->labTitle->text(), "Tessaly");
  EXPECT_EQ(form->labVersion->text(), "1.0.0.0");
  EXPECT_EQ(form->labHomepage->text(), "https://tessaly.example/");
  EXPECT_EQ(form->labEmail->text(), "support@tessaly.example");
  EXPECT_FALSE(form->labCopyright->text().isEmpty());
  EXPECT_TRUE(form->labHomepage->font().underline());
  form->show();
  QTest::mouseClick(form->labHomepage, Qt::LeftButton);
  QTest::mouseClick(form->labEmail, Qt::LeftButton);
  ASSERT_EQ(dialogs.openedUrls.size(), 2u);
  EXPECT_EQ(dialogs.openedUrls[0], QUrl("https://tessaly.example/"));
  EXPECT_EQ(dialogs.openedUrls[1], QUrl("mailto:support@tessaly.example"));
}

TEST_F(MainFormTest, NothingIsClippedAtTheFixedSize) {
  form->show();
  for (QLabel* label : form->findChildren<QLabel*>()) {
    if (label->text().isEmpty()) continue;
    EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
    const QRect inPage(label->mapTo(form.get(), QPoint(0, 0)), label->size());
    EXPECT_TRUE(form->rect().contains(inPage)) << label->objectName().toStdString();
  }
  for (QPushButton* button : form->findChildren<QPushButton*>()) {
    const int textWidth = button->fontMetrics().horizontalAdvance(button->text().remove(u'&'));
    EXPECT_LE(textWidth, button->width()) << button->objectName().toStdString();
  }
  const int checkText =
      form->chkOpenFixed->fontMetrics().horizontalAdvance(form->chkOpenFixed->text());
  EXPECT_LE(checkText + 24, form->chkOpenFixed->width());
}

TEST_F(MainFormTest, StartButtonNeedsBothFieldsNonBlank) {
  QTest::keyClicks(form->txtDstFile, "   ");  // typed: the source no longer changes it
  form->txtSrcFile->setText(" \t ");
  EXPECT_FALSE(form->btnRepair->isEnabled());
  form->txtSrcFile->setText("  a ");
  EXPECT_FALSE(form->btnRepair->isEnabled());  // the destination is blank only
  form->txtDstFile->setText(" b");
  EXPECT_TRUE(form->btnRepair->isEnabled());
  form->txtDstFile->setText("");
  EXPECT_FALSE(form->btnRepair->isEnabled());
}

TEST_F(MainFormTest, SourceDialogUsesAndKeepsTheFileType) {
  form->Settings().SetOpenFilterIndex(2);
  dialogs.fileChoice = "/data/in.pdf";
  dialogs.filterChoice = 1;
  form->btnSrcMore->click();
  ASSERT_EQ(dialogs.fileDialogsShown.size(), 1u);
  EXPECT_EQ(dialogs.fileDialogsShown[0].filter, "Adobe PDF 文件 (*.pdf)|*.pdf|所有文件 (*.*)|*.*");
  EXPECT_EQ(dialogs.fileDialogsShown[0].filterIndex, 2);
  EXPECT_EQ(form->Settings().OpenFilterIndex(), 1);
  EXPECT_EQ(form->txtSrcFile->text(), "/data/in.pdf");
  EXPECT_EQ(form->txtDstFile->text(), "/data/in_fixed.pdf");
}

TEST_F(MainFormTest, DestinationDialogFollowsTheChosenFileType) {
  form->btnDstMore->click();  // cancelled
  ASSERT_EQ(dialogs.fileDialogsShown.size(), 1u);
  EXPECT_TRUE(dialogs.fileDialogsShown[0].fileName.isEmpty());
  EXPECT_EQ(dialogs.fileDialogsShown[0].defaultExtension, "pdf");
  EXPECT_TRUE(form->txtDstFile->text().isEmpty());

  dialogs.typeChangeTo = 2;
  dialogs.fileChoice = "/out/result";
  dialogs.filterChoice = 2;
  form->btnDstMore->click();
  EXPECT_EQ(dialogs.typeChangeExtension, "");
  EXPECT_EQ(form->Settings().SaveFilterIndex(), 2);
  EXPECT_EQ(form->txtDstFile->text(), "/out/result");
  form->btnDstMore->click();
  EXPECT_EQ(dialogs.fileDialogsShown.back().filterIndex, 2);
  EXPECT_EQ(dialogs.fileDialogsShown.back().defaultExtension, "");
}

TEST_F(MainFormTest, GaugeAndAnimationShowOnlyOnTheRepairPages) {
  form->show();
  form->pcMain->setCurrentWidget(form->tsOptions);
  EXPECT_FALSE(form->Panel2->isVisible());
  EXPECT_FALSE(form->Animate->isVisible());
  form->pcMain->setCurrentWidget(form->tsBatch);
  EXPECT_TRUE(form->Panel2->isVisible());
  EXPECT_EQ(form->Animate->y(), 146);
  form->pcMain->setCurrentWidget(form->tsAbout);
  EXPECT_FALSE(form->Animate->isVisible());
  form->pcMain->setCurrentWidget(form->tsRepair);
  EXPECT_TRUE(form->Animate->isVisible());
  EXPECT_EQ(form->Animate->y(), 146);
}

TEST_F(MainFormTest, HelpOpensTheHelpPage) {
  form->btnHelp->click();
  ASSERT_EQ(dialogs.launched.size(), 1);
  EXPECT_TRUE(dialogs.launched[0].endsWith("/help/tessaly.html"));
  EXPECT_TRUE(QFileInfo(dialogs.launched[0]).isFile());
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(form->findChild<QWidget*>("HelpWindow"), nullptr);
}
