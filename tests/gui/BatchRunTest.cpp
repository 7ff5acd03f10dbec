// The batch page: the list and what goes into it, the overwrite question's
// answers, the statuses of a re-run, Stop and Cancel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>

#include "BusyAnimation.h"
#include "GuiTestSupport.h"

namespace {

using Answer = OverwriteAnswer;
using Step = FakeEngine::Step;

class BatchRunTest : public ::testing::Test, public FormFixture {
 protected:
  // Adds source files through the open dialog; a name marked with "*" also
  // gets an existing destination.
  void AddFiles(const QStringList& names) {
    dialogs.filesChoice.clear();
    for (QString name : names) {
      if (name.endsWith('*')) {
        name.chop(1);
        WriteFile(QString(name).replace(".pdf", "_fixed.pdf"), "old");
      }
      dialogs.filesChoice << WriteFile(name, "%PDF-1.4\n");
    }
    form->btnAddFiles->click();
  }

  QStringList Column(int column) const {
    QStringList texts;
    for (int i = 0; i < form->FileList->topLevelItemCount(); ++i) {
      texts << form->FileList->topLevelItem(i)->text(column);
    }
    return texts;
  }

  QString LastMessage() const {
    return dialogs.messages.empty() ? QString() : dialogs.messages.back().text;
  }

  void ExpectIdle() {
    EXPECT_FALSE(form->Running());
    EXPECT_EQ(form->btnRepairFiles->text(), "开始修复(&S)");
    EXPECT_FALSE(form->Animate->Active());
  }
};

}  // namespace

// Letter case makes two files here: only the exact same path is one item.
TEST_F(BatchRunTest, SamePathTwiceKeepsOneItemOtherLetterCaseIsAnotherFile) {
  dialogs.filesChoice = {Path("a.pdf"), Path("a.pdf"), Path("b.pdf")};
  dialogs.filterChoice = 2;
  form->btnAddFiles->click();
  dialogs.filesChoice = {Path("b.pdf"), Path("c.pdf")};
  form->btnAddFiles->click();
  EXPECT_EQ(Column(0), QStringList({Path("a.pdf"), Path("b.pdf"), Path("c.pdf")}));
  EXPECT_EQ(Column(1), QStringList({"", "", ""}));
  EXPECT_EQ(Column(2), QStringList({"未修复", "未修复", "未修复"}));
  EXPECT_EQ(form->FileList->topLevelItem(0)->toolTip(0), Path("a.pdf"));
  dialogs.filesChoice = {Path("A.pdf")};
  form->btnAddFiles->click();
  EXPECT_EQ(Column(0).constLast(), Path("A.pdf"));
  delete form->FileList->takeTopLevelItem(3);
  EXPECT_TRUE(dialogs.fileDialogsShown[0].multiSelect);
  EXPECT_EQ(form->Settings().OpenFilterIndex(), 2);
  form->btnSrcMore->click();
  EXPECT_FALSE(dialogs.fileDialogsShown.back().multiSelect);  // for the batch's call only

  form->FileList->setCurrentItem(form->FileList->topLevelItem(1));
  QTest::keyClick(form->FileList, Qt::Key_Delete);
  EXPECT_EQ(Column(0), QStringList({Path("a.pdf"), Path("c.pdf")}));
  QTest::keyClick(form->FileList, Qt::Key_Delete, Qt::ShiftModifier);
  EXPECT_EQ(form->FileList->topLevelItemCount(), 0);
  form->btnRepairFiles->click();
  EXPECT_EQ(LastMessage(), "请先将文件添加到列表中");
  EXPECT_EQ(FakeEngine::calls, 0);
}

TEST_F(BatchRunTest, YesNoAndYesToAllAnswerTheOverwriteQuestion) {
  AddFiles({"f1.pdf*", "f2.pdf*", "f3.pdf*", "f4.pdf*"});
  dialogs.overwriteAnswers = {Answer::Yes, Answer::No, Answer::YesToAll};
  form->btnRepairFiles->click();
  ASSERT_EQ(dialogs.overwriteQuestions.size(), 3u);
  EXPECT_EQ(dialogs.overwriteQuestions[0].text, "名为“f1_fixed.pdf”的文件已经存在，覆盖吗？");
  EXPECT_EQ(dialogs.overwriteQuestions[0].caption, "确认");
  EXPECT_EQ(Column(1)[1], Path("f2_fixed.pdf"));
  EXPECT_EQ(Column(2), QStringList({"完成", "跳过", "完成", "完成"}));
  EXPECT_EQ(FakeEngine::calls, 3);
  EXPECT_EQ(LastMessage(), "已修复 3 个文件，失败 0 个，中断 0 个，跳过 1 个");
  ExpectIdle();
}

TEST_F(BatchRunTest, NoToAllSkipsExistingDestinationsAndRepairsNewOnes) {
  AddFiles({"f1.pdf*", "f2.pdf", "f3.pdf*"});
  dialogs.overwriteAnswers = {Answer::NoToAll};
  form->btnRepairFiles->click();
  EXPECT_EQ(dialogs.overwriteQuestions.size(), 1u);
  EXPECT_EQ(Column(2), QStringList({"跳过", "完成", "跳过"}));
  EXPECT_EQ(ReadFile("f2_fixed.pdf"), "repaired by the fake engine");
  EXPECT_EQ(ReadFile("f1_fixed.pdf"), "old");
  EXPECT_EQ(LastMessage(), "已修复 1 个文件，失败 0 个，中断 0 个，跳过 2 个");
}

TEST_F(BatchRunTest, CancelEndsTheBatchWithTheCountSoFar) {
  AddFiles({"f1.pdf", "f2.pdf*", "f3.pdf"});
  dialogs.overwriteAnswers = {Answer::Cancel};
  form->btnRepairFiles->click();
  EXPECT_EQ(Column(2), QStringList({"完成", "未修复", "未修复"}));
  EXPECT_EQ(Column(1)[2], "");  // never reached
  EXPECT_EQ(FakeEngine::calls, 1);
  EXPECT_EQ(LastMessage(), "已修复 1 个文件，失败 0 个，中断 0 个");
  ExpectIdle();
}

TEST_F(BatchRunTest, TheQuestionShowsItsFiveButtonsInOrder) {
  QtUserDialogs real;
  const QStringList captions = {"是(&Y)", "否(&N)", "取消", "全部否(&O)", "全部是(&A)"};
  const Answer answers[] = {Answer::Yes, Answer::No, Answer::Cancel, Answer::NoToAll,
                            Answer::YesToAll};
  for (int press = -1; press < 5; ++press) {  // -1: Esc
    QTimer::singleShot(0, form.get(), [&] {
      QWidget* box = QApplication::activeModalWidget();
      ASSERT_NE(box, nullptr);
      QList<QPushButton*> buttons = box->findChildren<QPushButton*>();
      std::sort(buttons.begin(), buttons.end(),
                [](QPushButton* a, QPushButton* b) { return a->x() < b->x(); });
      QStringList shown;
      for (QPushButton* button : buttons) shown << button->text();
      EXPECT_EQ(shown, captions);
      EXPECT_TRUE(buttons[0]->isDefault());
      if (press < 0) {
        QTest::keyClick(box, Qt::Key_Escape);
      } else {
        buttons[press]->click();
      }
    });
    EXPECT_EQ(real.AskOverwrite(form.get(), "名为“x”的文件已经存在，覆盖吗？", "确认"),
              answers[press < 0 ? 2 : press]);
  }
}

// A failed file leaves no file of its own and an existing destination as it
// was, although the engine had written.
TEST_F(BatchRunTest, AllFilesFailingReportsZeroAndLeavesNoFiles) {
  FakeEngine::result = 0;
  AddFiles({"f1.pdf", "f2.pdf*"});
  form->btnRepairFiles->click();
  EXPECT_EQ(Column(2), QStringList({"失败", "失败"}));
  EXPECT_EQ(LastMessage(), "已修复 0 个文件，失败 2 个，中断 0 个");
  EXPECT_FALSE(QFile::exists(Path("f1_fixed.pdf")));
  EXPECT_EQ(ReadFile("f2_fixed.pdf"), "old");
  EXPECT_TRUE(Leftovers().isEmpty()) << Leftovers().join(' ').toStdString();
}

// The log names every file with its outcome, a failure with its reason,
// and stays after the batch.
TEST_F(BatchRunTest, TheLogKeepsEveryFileItsOutcomeAndTheSummary) {
  form->txtRepairLog->setPlainText("an earlier run");
  FakeEngine::script.insert(FakeEngine::script.end() - 1, {Step::Hook, 0, {}});
  FakeEngine::hook = [&] {
    EXPECT_EQ(form->btnRepairFiles->text(), "停止修复(&S)");
    EXPECT_TRUE(form->Animate->Active());
    if (FakeEngine::calls == 2) {
      FakeEngine::result = 0;
      QByteArray error("错误 4: 不能创建文件。");
      FakeEngine::Send(msgError, error.data());
    }
  };
  AddFiles({"f1.pdf", "f2.pdf"});
  form->btnRepairFiles->click();
  const QStringList engineLines = {"读取并解析来源文件...", "修复来源文件。", "输出修复后的文件。"};
  const QStringList expected =
      QStringList{"要进行修复的文件: “" + Path("f1.pdf") + "”；文件大小 = 9 字节",
                  "输入修复后的文件为: “" + Path("f1_fixed.pdf") + "”", kSeparator} +
      engineLines +
      QStringList{kSeparator, "文件“" + Path("f1.pdf") + "”已顺利修复!", kSeparator,
                  "要进行修复的文件: “" + Path("f2.pdf") + "”；文件大小 = 9 字节",
                  "输入修复后的文件为: “" + Path("f2_fixed.pdf") + "”", kSeparator} +
      engineLines +
      QStringList{kSeparator, "错误 4: 不能创建文件。", kSeparator, kSeparator,
                  "修复文件“" + Path("f2.pdf") + "”失败!", "错误 4: 不能创建文件。", kSeparator,
                  "已修复 1 个文件，失败 1 个，中断 0 个"};
  EXPECT_EQ(LogLines(*form), expected);
  EXPECT_EQ(Column(2), QStringList({"完成", "失败"}));
  EXPECT_EQ(form->FileList->topLevelItem(1)->toolTip(2), "错误 4: 不能创建文件。");
  EXPECT_EQ(form->FileList->topLevelItem(1)->toolTip(1), Path("f2_fixed.pdf"));
  EXPECT_TRUE(form->FileList->topLevelItem(0)->toolTip(2).isEmpty());
  ExpectIdle();
}

// Without an error block the engine found no complete object.
TEST_F(BatchRunTest, AFailureWithoutAnErrorSaysNothingWasFound) {
  FakeEngine::result = 0;
  AddFiles({"f1.pdf"});
  form->btnRepairFiles->click();
  EXPECT_EQ(form->FileList->topLevelItem(0)->toolTip(2), "来源文件中没有找到完整的 PDF 对象。");
}

// A dropped folder brings the PDF files directly inside it, in name order;
// a file already listed is not added again.
TEST_F(BatchRunTest, DroppedFoldersBringTheirPdfFilesInNameOrder) {
  AddFiles({"f1.pdf"});
  QDir(folder.path()).mkpath("sub/deeper");
  for (const char* name : {"sub/b.pdf", "sub/A.PDF", "sub/notes.txt", "sub/c.pdf", "sub/deeper/d.pdf"}) {
    WriteFile(name, "%PDF-1.4\n");
  }
  EXPECT_TRUE(DropPaths(form->FileList->viewport(),
                        {Path("f2.pdf"), Path("sub"), Path("f1.pdf"), Path("sub/c.pdf")}));
  EXPECT_EQ(Column(0), QStringList({Path("f1.pdf"), Path("f2.pdf"), Path("sub/A.PDF"), Path("sub/b.pdf"),
                                    Path("sub/c.pdf")}));
  EXPECT_TRUE(dialogs.messages.empty());
}

// A drop that adds nothing says why.
TEST_F(BatchRunTest, ADropThatAddsNothingSaysWhy) {
  AddFiles({"f1.pdf"});
  QDir(folder.path()).mkpath("empty");
  WriteFile("empty/readme.txt", "no PDF here");
  EXPECT_TRUE(DropPaths(form->FileList->viewport(), {Path("f1.pdf")}));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "拖放的文件已经在列表中，没有添加新文件。");
  EXPECT_EQ(dialogs.messages[0].caption, "信息");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information);
  EXPECT_TRUE(DropPaths(form->FileList->viewport(), {Path("empty")}));
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[1].text, "文件夹“" + Path("empty") + "”中没有 PDF 文件。");
  EXPECT_EQ(form->FileList->topLevelItemCount(), 1);
}

// The same file reached through a linked folder, or a link to it, is the
// same file: it is listed once, whether chosen or dropped.
TEST_F(BatchRunTest, AFileThroughALinkedFolderIsListedOnce) {
  QDir(folder.path()).mkdir("real");
  const QString file = WriteFile("real/a.pdf", "%PDF-1.4\n");
  ASSERT_TRUE(QFile::link(Path("real"), Path("linked")));
  ASSERT_TRUE(QFile::link(file, Path("a-link.pdf")));
  dialogs.filesChoice = {file, Path("linked/a.pdf")};
  form->btnAddFiles->click();
  dialogs.filesChoice = {Path("a-link.pdf"), Path("real/./a.pdf")};
  form->btnAddFiles->click();
  EXPECT_TRUE(DropPaths(form->FileList->viewport(), {Path("linked/a.pdf"), Path("linked")}));
  EXPECT_EQ(Column(0), QStringList({file}));
}

// Two long paths in one folder whose names differ only in their middle:
// the list shows each name whole and shortens the folder instead.
TEST_F(BatchRunTest, NarrowColumnsKeepFileNamesWholeAndShortenTheFolder) {
  const QString deep = "a rather long folder name/another long folder name/and one more/";
  QDir(folder.path()).mkpath(deep);
  const QStringList names = {"batch_alpha_truncate_25.pdf", "batch_omega_truncate_25.pdf"};
  dialogs.filesChoice = {Path(deep + names[0]), Path(deep + names[1])};
  form->btnAddFiles->click();
  form->resize(form->minimumSize());
  form->show();
  form->pcMain->setCurrentWidget(form->tsBatch);
  const QFontMetrics metrics(form->FileList->font());
  form->FileList->setColumnWidth(0, metrics.horizontalAdvance("…/" + names[0]) + 24);
  form->FileList->setCurrentItem(nullptr);
  form->FileList->clearSelection();
  QCoreApplication::processEvents();
  QImage rows[2];
  for (int i = 0; i < 2; ++i) {
    QTreeWidgetItem* item = form->FileList->topLevelItem(i);
    EXPECT_EQ(item->toolTip(0), Path(deep + names[i]));
    rows[i] = form->FileList->viewport()->grab(form->FileList->visualItemRect(item)).toImage();
  }
  EXPECT_NE(rows[0], rows[1]) << "the two files look the same";
}

TEST_F(BatchRunTest, StopMidBatchInterruptsTheFileInProgress) {
  FakeEngine::script = {{Step::Progress, 0, {}}, {Step::Hook, 0, {}}, {Step::AskStop, 0, {}}};
  FakeEngine::hook = [this] {
    if (FakeEngine::calls == 2) form->btnRepairFiles->click();
  };
  AddFiles({"f1.pdf", "f2.pdf", "f3.pdf"});
  form->btnRepairFiles->click();
  EXPECT_EQ(Column(2), QStringList({"完成", "中断", "未修复"}));
  EXPECT_FALSE(QFile::exists(Path("f2_fixed.pdf")));
  EXPECT_EQ(FakeEngine::calls, 2);
  EXPECT_EQ(LastMessage(), "已修复 1 个文件，失败 0 个，中断 1 个");
  ExpectIdle();
}

// A new batch starts every file afresh; files whose destination is kept
// show it, and the summary counts them.
TEST_F(BatchRunTest, ARerunResetsEveryStatusAndShowsSkippedFiles) {
  AddFiles({"f1.pdf", "f2.pdf", "f3.pdf"});
  form->btnRepairFiles->click();
  EXPECT_EQ(Column(2), QStringList({"完成", "完成", "完成"}));
  FakeEngine::script.insert(FakeEngine::script.begin(), {Step::Hook, 0, {}});
  QStringList atStart;
  FakeEngine::hook = [&] {
    if (FakeEngine::calls == 4) atStart = Column(2);
  };
  dialogs.overwriteAnswers = {Answer::Yes, Answer::NoToAll};
  form->btnRepairFiles->click();
  EXPECT_EQ(atStart, QStringList({"未修复", "未修复", "未修复"}));
  EXPECT_EQ(Column(2), QStringList({"完成", "跳过", "跳过"}));
  EXPECT_EQ(form->FileList->topLevelItem(1)->toolTip(2), "目标文件已经存在，没有覆盖。");
  EXPECT_EQ(LastMessage(), "已修复 1 个文件，失败 0 个，中断 0 个，跳过 2 个");
  EXPECT_TRUE(LogLines(*form).constLast().endsWith("跳过 2 个"));
}

// The batch rule both front ends share: a destination that another file of
// the batch reads is refused with its reason and never asked about, and the
// file that reads it is still repaired.
TEST_F(BatchRunTest, ADestinationThatAnotherFileReadsIsRefused) {
  AddFiles({"f1.pdf", "f1_fixed.pdf"});
  form->btnRepairFiles->click();
  EXPECT_TRUE(dialogs.overwriteQuestions.empty());
  EXPECT_EQ(Column(2), QStringList({"失败", "完成"}));
  const QString reason = "目标文件“" + Path("f1_fixed.pdf") + "”也是要修复的来源文件，不能写入。";
  EXPECT_EQ(form->FileList->topLevelItem(0)->toolTip(2), reason);
  EXPECT_TRUE(LogLines(*form).contains(reason));
  EXPECT_EQ(ReadFile("f1_fixed.pdf"), "%PDF-1.4\n");
  EXPECT_EQ(ReadFile("f1_fixed_fixed.pdf"), "repaired by the fake engine");
  EXPECT_EQ(FakeEngine::calls, 1);
  EXPECT_EQ(LastMessage(), "已修复 1 个文件，失败 1 个，中断 0 个");
}
