// One run at a time: while a repair of either kind runs, nothing starts a
// second one, the batch list stays as the batch took it, and no control
// opens a dialog that would hold the engine (it runs on the window's
// thread) until the dialog closes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <functional>

#include "DragEdit.h"
#include "GuiTestSupport.h"

namespace {

using Step = FakeEngine::Step;

class RunGuardTest : public ::testing::Test, public FormFixture {
 protected:
  RunGuardTest() {
    form->chkOpenFixed->setChecked(false);
    form->show();
  }

  // The check runs inside the engine call of the given file of a run.
  void DuringCall(int call, std::function<void()> check) {
    FakeEngine::script.insert(FakeEngine::script.begin() + 1, {Step::Hook, 0, {}});
    FakeEngine::hook = [call, check = std::move(check)] {
      if (FakeEngine::calls == call) check();
    };
  }

  void AddFiles(const QStringList& names) {
    dialogs.filesChoice.clear();
    for (const QString& name : names) dialogs.filesChoice << WriteFile(name, "%PDF-1.4\n");
    form->btnAddFiles->click();
    dialogs.fileDialogsShown.clear();
  }

  QStringList Statuses() const {
    QStringList texts;
    for (int i = 0; i < form->FileList->topLevelItemCount(); ++i) texts << form->FileList->topLevelItem(i)->text(2);
    return texts;
  }

  // Alt+S on the page shown now, and what it queued.
  void PressAltS() {
    QTest::keyClick(form->pcMain->currentWidget(), Qt::Key_S, Qt::AltModifier);
    QCoreApplication::processEvents();
  }

  // Every control that opens a dialog is off, and pressing it, or F1, opens none.
  void ExpectNoDialogOpens() {
    for (QPushButton* button : {form->btnSrcMore, form->btnDstMore, form->btnSaveLog, form->btnHelp, form->btnPreview,
                                form->btnAddFiles, form->btnMoreDir}) {
      EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
      button->click();
    }
    form->btnSrcMoreClick();
    form->btnAddFilesClick();
    form->btnSaveLogClick();
    QTest::keyClick(form.get(), Qt::Key_F1);
    EXPECT_TRUE(dialogs.fileDialogsShown.empty());
    EXPECT_TRUE(dialogs.openedUrls.empty());
    EXPECT_TRUE(dialogs.folderTitle.isEmpty());
    EXPECT_TRUE(form->txtRepairLog->isEnabled());  // the log can still be read and copied
  }
};

}  // namespace

// The batch page's start button, its access key and the list's drop leave
// a single repair running to its end.
TEST_F(RunGuardTest, TheBatchStartLeavesASingleRepairRunning) {
  AddFiles({"b1.pdf"});
  form->txtSrcFile->setText(WriteFile("in.pdf", "%PDF-1.4\n"));
  DuringCall(1, [this] {
    form->pcMain->setCurrentWidget(form->tsBatch);
    EXPECT_FALSE(form->btnRepairFiles->isEnabled());
    form->btnRepairFiles->click();
    PressAltS();
    form->btnRepairFilesClick();
    EXPECT_TRUE(form->Running());
    EXPECT_TRUE(form->btnRepair->isEnabled());  // Stop
  });
  form->btnRepair->click();
  EXPECT_EQ(FakeEngine::calls, 1);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].text.startsWith("文件“" + Path("in.pdf") + "”已顺利修复!"))
      << dialogs.messages[0].text.toStdString();
  EXPECT_EQ(Statuses(), QStringList({"未修复"}));
  EXPECT_TRUE(form->btnRepairFiles->isEnabled());
}

// The repair page's start button, Enter, Alt+S and a command line leave a
// batch running to its end.
TEST_F(RunGuardTest, TheSingleStartLeavesABatchRunning) {
  AddFiles({"b1.pdf", "b2.pdf"});
  form->txtSrcFile->setText(WriteFile("in.pdf", "%PDF-1.4\n"));
  DuringCall(1, [this] {
    form->pcMain->setCurrentWidget(form->tsRepair);
    EXPECT_FALSE(form->btnRepair->isEnabled());
    form->btnRepair->click();
    QTest::keyClick(form->txtSrcFile, Qt::Key_Return);
    PressAltS();
    QTest::keyClick(form->txtSrcFile, Qt::Key_S, Qt::AltModifier);  // neither starts nor types
    QCoreApplication::processEvents();
    EXPECT_EQ(form->txtSrcFile->text(), Path("in.pdf"));
    form->btnRepairClick();
    EXPECT_FALSE(form->RunCommandLine({Path("in.pdf")}));
    form->txtDstFile->setText(Path("typed_fixed.pdf"));  // the fields still edit
    EXPECT_FALSE(form->btnRepair->isEnabled());
    EXPECT_TRUE(form->Running());
    EXPECT_TRUE(form->btnRepairFiles->isEnabled());  // Stop
  });
  form->pcMain->setCurrentWidget(form->tsBatch);
  form->btnRepairFiles->click();
  EXPECT_EQ(FakeEngine::calls, 2);
  EXPECT_EQ(Statuses(), QStringList({"完成", "完成"}));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "已修复 2 个文件，失败 0 个，中断 0 个");
  EXPECT_FALSE(QFile::exists(Path("in_fixed.pdf")));
  EXPECT_TRUE(form->btnRepair->isEnabled());
}

// Adding, removing, the Delete keys and drops are all refused mid-batch, so
// every file the batch took is repaired.
TEST_F(RunGuardTest, TheListCannotChangeDuringABatch) {
  AddFiles({"b1.pdf", "b2.pdf", "b3.pdf"});
  const QString extra = WriteFile("extra.pdf", "%PDF-1.4\n");
  dialogs.filesChoice = {extra};
  DuringCall(1, [this, extra] {
    for (QPushButton* button : {form->btnAddFiles, form->btnRemoveFiles, form->btnRemoveAll}) {
      EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
      button->click();
    }
    form->btnRemoveAllClick();
    form->FileList->setCurrentItem(form->FileList->topLevelItem(1));
    QTest::keyClick(form->FileList, Qt::Key_Delete);
    QTest::keyClick(form->FileList, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_FALSE(DropPaths(form->FileList->viewport(), {extra}));
    form->FileListDropFiles({extra});
    EXPECT_EQ(form->FileList->topLevelItemCount(), 3);
  });
  form->btnRepairFiles->click();
  EXPECT_EQ(FakeEngine::calls, 3);
  EXPECT_EQ(Statuses(), QStringList({"完成", "完成", "完成"}));
  EXPECT_EQ(dialogs.messages.back().text, "已修复 3 个文件，失败 0 个，中断 0 个");
  for (QPushButton* button : {form->btnAddFiles, form->btnRemoveFiles, form->btnRemoveAll}) {
    EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
  }
  EXPECT_TRUE(DropPaths(form->FileList->viewport(), {extra}));
  EXPECT_EQ(form->FileList->topLevelItemCount(), 4);
}

TEST_F(RunGuardTest, NoDialogOpensDuringASingleRepair) {
  dialogs.fileChoice = Path("chosen.pdf");
  dialogs.filesChoice = {Path("chosen.pdf")};
  dialogs.folderChoice = Path("folder");
  form->txtSrcFile->setText(WriteFile("in.pdf", "%PDF-1.4\n"));
  DuringCall(1, [this] {
    ExpectNoDialogOpens();
    EXPECT_TRUE(form->btnRepair->isEnabled());  // Stop
    EXPECT_EQ(form->txtSrcFile->text(), Path("in.pdf"));
    EXPECT_EQ(form->FileList->topLevelItemCount(), 0);
  });
  form->btnRepair->click();
  EXPECT_EQ(dialogs.messages.size(), 1u);  // the result alone
  for (QPushButton* button : {form->btnSrcMore, form->btnDstMore, form->btnSaveLog, form->btnHelp,
                              form->btnPreview, form->btnAddFiles, form->btnMoreDir}) {
    EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
  }
}

TEST_F(RunGuardTest, NoDialogOpensDuringABatch) {
  AddFiles({"b1.pdf"});
  dialogs.fileChoice = Path("chosen.pdf");
  dialogs.filesChoice = {Path("chosen.pdf")};
  dialogs.folderChoice = Path("folder");
  DuringCall(1, [this] {
    ExpectNoDialogOpens();
    EXPECT_TRUE(form->btnRepairFiles->isEnabled());  // Stop
  });
  form->btnRepairFiles->click();
  EXPECT_EQ(dialogs.messages.size(), 1u);  // the summary alone
  EXPECT_TRUE(form->btnAddFiles->isEnabled());
  EXPECT_TRUE(form->btnSaveLog->isEnabled());
}
