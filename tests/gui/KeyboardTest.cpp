// The keyboard as a user meets it: access keys of the visible page before
// the tabs', tabs stepped with Ctrl, Enter on a focused button, F1 and Esc.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "DragEdit.h"
#include "GuiTestSupport.h"

namespace {

using Step = FakeEngine::Step;

class KeyboardTest : public ::testing::Test, public FormFixture {
 protected:
  void SetUp() override {
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  // Alt+letter where the focus is; presses happen once the key is handled.
  void Alt(Qt::Key letter) { Key(letter, Qt::AltModifier); }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus != nullptr ? focus : form.get(), key, modifiers);
    QCoreApplication::processEvents();
  }
  void ShowPage(QWidget* page, QWidget* focus) {
    form->pcMain->setCurrentWidget(page);
    focus->setFocus();
  }
};

}  // namespace

TEST_F(KeyboardTest, FocusStartsInTheSourceField) {
  EXPECT_EQ(QApplication::focusWidget(), form->txtSrcFile);
}

TEST_F(KeyboardTest, TheRepairPagesControlsWinTheirAccessKeys) {
  Alt(Qt::Key_O);  // the destination's label, not the options tab
  EXPECT_EQ(form->pcMain->currentWidget(), form->tsRepair);
  EXPECT_EQ(QApplication::focusWidget(), form->txtDstFile);
  EXPECT_TRUE(form->txtSrcFile->text().isEmpty());  // the letter is not typed anywhere
  EXPECT_TRUE(form->txtDstFile->text().isEmpty());
  Alt(Qt::Key_P);
  EXPECT_EQ(QApplication::focusWidget(), form->txtSrcFile);
  Alt(Qt::Key_B);  // no control of the page claims B: the batch tab
  EXPECT_EQ(form->pcMain->currentWidget(), form->tsBatch);
}

TEST_F(KeyboardTest, TheBatchPagesButtonsWinAddAndRemove) {
  dialogs.filesChoice = {Path("a.pdf"), Path("b.pdf")};
  ShowPage(form->tsBatch, form->FileList);
  Alt(Qt::Key_A);
  EXPECT_EQ(form->pcMain->currentWidget(), form->tsBatch);
  ASSERT_EQ(form->FileList->topLevelItemCount(), 2);
  form->FileList->setCurrentItem(form->FileList->topLevelItem(0));
  Alt(Qt::Key_R);
  EXPECT_EQ(form->pcMain->currentWidget(), form->tsBatch);
  EXPECT_EQ(form->FileList->topLevelItemCount(), 1);
  Alt(Qt::Key_O);  // unclaimed here: the options tab
  EXPECT_EQ(form->pcMain->currentWidget(), form->tsOptions);
}

TEST_F(KeyboardTest, TheOptionsAccessKeysToggleTheirCheckBoxes) {
  ShowPage(form->tsOptions, form->cmbPDFVersion);
  ASSERT_TRUE(form->chkOpenFixed->isChecked());
  Alt(Qt::Key_O);
  EXPECT_FALSE(form->chkOpenFixed->isChecked());
  EXPECT_EQ(form->pcMain->currentWidget(), form->tsOptions);
  ASSERT_TRUE(form->chkThorough->isChecked());
  Alt(Qt::Key_T);
  EXPECT_FALSE(form->chkThorough->isChecked());
  Alt(Qt::Key_A);
  EXPECT_EQ(form->pcMain->currentWidget(), form->tsAbout);
}

TEST_F(KeyboardTest, CtrlTabAndCtrlPageKeysStepOverTheHiddenPage) {
  ShowPage(form->tsOptions, form->chkOpenFixed);
  Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(form->pcMain->currentWidget(), form->tsAbout);
  Key(Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(form->pcMain->currentWidget(), form->tsOptions);
  Key(Qt::Key_PageDown, Qt::ControlModifier);
  Key(Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(form->pcMain->currentWidget(), form->tsRepair);
  Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(form->pcMain->currentWidget(), form->tsAbout);
}

TEST_F(KeyboardTest, EnterPressesTheFocusedButtonOnTheBatchPage) {
  ShowPage(form->tsBatch, form->btnRepairFiles);
  Key(Qt::Key_Return);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "请先将文件添加到列表中");
  form->btnAddFiles->setFocus();
  Key(Qt::Key_Enter);
  EXPECT_EQ(dialogs.fileDialogsShown.size(), 1u);
}

TEST_F(KeyboardTest, F1OpensTheHelpAndEscStopsARun) {
  Key(Qt::Key_F1);
  ASSERT_EQ(dialogs.launched.size(), 1);
  EXPECT_TRUE(dialogs.launched[0].endsWith("/help/tessaly.html"));

  FakeEngine::script = {{Step::Progress, 0, {}}, {Step::AskStopUntilStopped, 5, {}}};
  form->txtSrcFile->setText(Path("in.pdf"));
  QTimer::singleShot(20, form.get(), [this] { Key(Qt::Key_Escape); });
  form->btnRepair->click();
  EXPECT_TRUE(FakeEngine::stopAnswered);
  EXPECT_EQ(LogLines(*form).constLast(), "用户已中断修复进程");
  Key(Qt::Key_Escape);  // idle: nothing happens
  EXPECT_EQ(FakeEngine::calls, 1);
}

TEST_F(KeyboardTest, TheMoreButtonsSayWhatTheyChoose) {
  EXPECT_EQ(form->btnSrcMore->toolTip(), "选择要修复的 PDF 文件");
  EXPECT_EQ(form->btnSrcMore->accessibleName(), "选择要修复的 PDF 文件");
  EXPECT_EQ(form->btnDstMore->toolTip(), "选择修复后的文件的保存位置");
  EXPECT_EQ(form->btnDstMore->accessibleName(), "选择修复后的文件的保存位置");
}

// The focus shows on the tab strip and on the log, not only on the fields.
TEST_F(KeyboardTest, TheFocusShowsOnTheTabStripAndTheLog) {
  for (QWidget* control : {static_cast<QWidget*>(form->pcMain->tabBar()),
                           static_cast<QWidget*>(form->txtRepairLog)}) {
    const QImage without = control->grab().toImage();
    control->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    ASSERT_TRUE(control->hasFocus());
    EXPECT_NE(control->grab().toImage(), without) << control->objectName().toStdString();
    form->txtSrcFile->setFocus();
  }
}
