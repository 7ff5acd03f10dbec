// The single-file repair: the log of every kind of run, the result texts,
// the engine call record, Stop, Enter and closing during a run.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "BusyAnimation.h"
#include "DragEdit.h"
#include "GuiTestSupport.h"

namespace {

const QString kElapsed = "<elapsed>";
using Step = FakeEngine::Step;

class RepairRunTest : public ::testing::Test, public FormFixture {
 protected:
  void SetFields(const QString& source, const QString& destination) {
    form->txtSrcFile->setText(source);
    form->txtDstFile->setText(destination);
  }

  // The lines every run that reaches the engine starts with.
  QStringList Header(const QString& source, const QString& size, const QString& destination) {
    return {"开始修复进程...", kSeparator,
            "要进行修复的文件: “" + source + "”；文件大小 = " + size + " 字节",
            "输入修复后的文件为: “" + destination + "”", kSeparator};
  }

  static QStringList Footer() {
    return {kSeparator, kElapsed, kSeparator, "修复进程完成。", kSeparator};
  }

  static void ExpectLog(const QStringList& actual, const QStringList& expected) {
    static const QRegularExpression elapsed("^使用时间:0小时0分\\d+秒\\d+毫秒。$");
    ASSERT_EQ(actual.size(), expected.size()) << actual.join('\n').toStdString();
    for (qsizetype i = 0; i < actual.size(); ++i) {
      if (expected[i] == kElapsed) {
        EXPECT_TRUE(elapsed.match(actual[i]).hasMatch()) << actual[i].toStdString();
      } else {
        EXPECT_EQ(actual[i], expected[i]) << "line " << i;
      }
    }
  }

  void ExpectIdle() {
    EXPECT_FALSE(form->Running());
    EXPECT_EQ(form->btnRepair->text(), "开始修复(&S)");
    EXPECT_FALSE(form->Animate->Active());
  }
};

}  // namespace

TEST_F(RepairRunTest, SuccessfulRunLogsEveryStepAndOpensTheResult) {
  const QString source = WriteFile("in.pdf", QByteArray(1234567, 'x'));
  const QString destination = Path("in_fixed.pdf");
  SetFields(source, destination);
  form->btnRepair->click();
  const QString result1 = "文件“" + source + "”已顺利修复!";
  const QString result2 = "现在你可以打开修复后的文件“" + destination + "”了。";
  ExpectLog(LogLines(*form),
            Header(source, "1,234,567", destination) +
                QStringList{"读取并解析来源文件...", "修复来源文件。", "输出修复后的文件。"} +
                Footer() + QStringList{result1, result2});
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, result1 + "\r\n" + result2);
  EXPECT_EQ(dialogs.messages[0].caption, "信息");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information);
  EXPECT_EQ(dialogs.launched, QStringList({destination}));
  EXPECT_EQ(form->Gauge->value(), 100);
  ExpectIdle();
}

TEST_F(RepairRunTest, FailedRunLogsTheErrorBlock) {
  FakeEngine::script = {{Step::Progress, 0, {}},
                        {Step::Error, 0, "错误 2: 一般错误。内存溢出。"},
                        {Step::Progress, 100, {}}};
  FakeEngine::result = 0;
  SetFields(Path("missing.pdf"), Path("out.pdf"));
  form->btnRepair->click();
  const QString result = "修复文件“" + Path("missing.pdf") + "”失败!";
  const QString reason = "错误 2: 一般错误。内存溢出。";
  ExpectLog(LogLines(*form), Header(Path("missing.pdf"), "0", Path("out.pdf")) +
                                 QStringList{kSeparator, reason, kSeparator} + Footer() +
                                 QStringList{result, reason});
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, result + "\r\n" + reason);
  EXPECT_EQ(dialogs.messages[0].caption, "信息");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Warning);
  EXPECT_TRUE(dialogs.launched.empty());  // only a success opens the result
  EXPECT_FALSE(form->btnPreview->isEnabled());
  ExpectIdle();
}

TEST_F(RepairRunTest, MissingSourceFailsThroughTheRealEngine) {
  TMainForm real(dialogs);
  real.chkOpenFixed->setChecked(false);
  real.txtSrcFile->setText(Path("missing.pdf"));
  real.txtDstFile->setText(Path("out.pdf"));
  real.btnRepairClick();
  const QString error = "错误 1: 不能打开文件进行修复。" + Path("missing.pdf") + " 未找到。";
  ExpectLog(LogLines(real), Header(Path("missing.pdf"), "0", Path("out.pdf")) +
                                QStringList{kSeparator, error, kSeparator} + Footer() +
                                QStringList{"修复文件“" + Path("missing.pdf") + "”失败!", error});
}

TEST_F(RepairRunTest, StopIsHeardAtTheQuestionsAloneAsBatchedMessagesSendThem) {
  FakeEngine::script = {{Step::Progress, 0, {}}, {Step::QuestionsUntilStopped, 30, {}}};
  SetFields(WriteFile("in.pdf", "%PDF-1.4\n"), Path("out.pdf"));
  QTimer::singleShot(50, form.get(), [this] {
    FakeEngine::stopRequested.start();
    form->btnRepair->click();
  });
  form->btnRepair->click();
  EXPECT_TRUE(FakeEngine::stopAnswered);
  EXPECT_LT(FakeEngine::stopLatencyMs, 100);
}

TEST_F(RepairRunTest, StopEndsTheRunWithinATenthOfASecond) {
  FakeEngine::script = {{Step::Progress, 0, {}}, {Step::AskStopUntilStopped, 30, {}}};
  SetFields(WriteFile("in.pdf", "%PDF-1.4\n"), Path("out.pdf"));
  QTimer::singleShot(50, form.get(), [this] {
    EXPECT_EQ(form->btnRepair->text(), "停止修复(&S)");
    EXPECT_TRUE(form->Animate->Active());
    FakeEngine::stopRequested.start();
    form->btnRepair->click();
  });
  form->btnRepair->click();
  EXPECT_TRUE(FakeEngine::stopAnswered);
  EXPECT_GE(FakeEngine::stopLatencyMs, 0);
  EXPECT_LT(FakeEngine::stopLatencyMs, 100);
  EXPECT_EQ(LogLines(*form).constLast(), "用户已中断修复进程");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "用户已中断修复进程");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information);
  EXPECT_TRUE(dialogs.launched.empty());
  EXPECT_EQ(form->Gauge->value(), 30);
  ExpectIdle();
}

TEST_F(RepairRunTest, ProgressFloodRunsEventsOnlyNowAndThen) {
  FakeEngine::script = {{Step::Progress, 0, {}, 200'000}, {Step::Progress, 1, {}, 200'000}};
  SetFields(Path("in.pdf"), Path("out.pdf"));
  int eventRounds = 0;
  QTimer counter;
  QObject::connect(&counter, &QTimer::timeout, [&] { ++eventRounds; });
  counter.start(0);
  form->btnRepair->click();
  counter.stop();
  EXPECT_GE(eventRounds, 1);  // the first message and the gauge's move
  EXPECT_LT(eventRounds, 200);
  EXPECT_EQ(form->Gauge->value(), 1);
}

TEST_F(RepairRunTest, DeclinedOverwriteEndsBeforeTheEngine) {
  const QString destination = WriteFile("out.pdf", "old");
  SetFields(WriteFile("in.pdf", "%PDF-1.4\n"), destination);
  dialogs.answerYes = false;
  form->btnRepair->click();
  ASSERT_EQ(dialogs.questions.size(), 1u);
  EXPECT_EQ(dialogs.questions[0].text, "名为“" + destination + "”的文件已经存在，覆盖吗？");
  EXPECT_EQ(dialogs.questions[0].caption, "确认");
  ExpectLog(LogLines(*form), {"开始修复进程...", kSeparator, "修复进程已中断。"});
  EXPECT_EQ(FakeEngine::calls, 0);
  EXPECT_TRUE(dialogs.messages.empty());
  ExpectIdle();
  dialogs.answerYes = true;
  form->btnRepair->click();
  EXPECT_EQ(FakeEngine::calls, 1);
}

TEST_F(RepairRunTest, ExeDestinationGetsTheArchiveWording) {
  for (const QString& name : {QString("out.EXE"), QString("out.Exe"), QString("out.exe")}) {
    dialogs.messages.clear();
    SetFields(Path("in.pdf"), Path(name));
    form->btnRepair->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.endsWith("\r\n现在你可以运行修复后的自解压压缩文档“" +
                                                  Path(name) + "”了。"));
  }
}

TEST_F(RepairRunTest, DashLogLineBecomesTheSeparator) {
  FakeEngine::script = {{Step::Log, 0, "-"}, {Step::Log, 0, "--"}, {Step::SourcePath, 0, {}}};
  SetFields(Path("in.pdf"), Path("out.pdf"));
  form->btnRepair->click();
  const QStringList lines = LogLines(*form);
  ASSERT_GE(lines.size(), 7);
  EXPECT_EQ(lines[5], kSeparator);
  EXPECT_EQ(lines[6], "--");
  EXPECT_EQ(lines[7], kSeparator);  // the footer follows; the source path is not logged
}

TEST_F(RepairRunTest, UntrimmedTextsAndTheVersionReachTheEngine) {
  SetFields("  in.pdf ", Path(" out.pdf  "));
  form->cmbPDFVersion->setCurrentIndex(2);
  form->btnRepair->click();
  EXPECT_EQ(FakeEngine::sourcePath, "  in.pdf ");
  EXPECT_EQ(ReadFile(" out.pdf  "), "repaired by the fake engine");
  EXPECT_EQ(FakeEngine::versionOption & 0xFFFF0000u, 2u << 16);  // the option bits: DesktopTest
  form->cmbPDFVersion->setCurrentIndex(-1);
  form->btnRepair->click();
  EXPECT_EQ(FakeEngine::versionOption & 0xFFFF0000u, 0xFFFF0000u);
}

TEST_F(RepairRunTest, OpeningTheResultFollowsTheOption) {
  SetFields(Path("in.pdf"), Path("out.pdf"));
  form->chkOpenFixed->setChecked(false);
  form->btnRepair->click();
  EXPECT_TRUE(dialogs.launched.empty());
  form->chkOpenFixed->setChecked(true);
  dialogs.launchSucceeds = false;
  form->btnRepair->click();
  ASSERT_EQ(dialogs.messages.size(), 3u);
  EXPECT_TRUE(dialogs.messages[2].text.startsWith("没有能打开 PDF 文件的程序")) << dialogs.messages[2].text.toStdString();
  EXPECT_EQ(dialogs.messages[2].caption, "信息");
}

TEST_F(RepairRunTest, EnterStartsARunAndStopsARunningOne) {
  form->show();
  QTest::keyClick(form->txtSrcFile, Qt::Key_Return);
  EXPECT_EQ(FakeEngine::calls, 0);  // the start button is disabled
  SetFields(Path("in.pdf"), Path("out.pdf"));
  QTest::keyClick(form->txtSrcFile, Qt::Key_Return);
  EXPECT_EQ(FakeEngine::calls, 1);

  FakeEngine::script = {{Step::Progress, 0, {}}, {Step::AskStopUntilStopped, 5, {}}};
  QTimer::singleShot(20, form.get(), [this] { QTest::keyClick(form->txtSrcFile, Qt::Key_Enter); });
  QTest::keyClick(form->txtSrcFile, Qt::Key_Enter);
  EXPECT_EQ(FakeEngine::calls, 2);
  EXPECT_TRUE(FakeEngine::stopAnswered);
  EXPECT_EQ(LogLines(*form).constLast(), "用户已中断修复进程");
}

TEST_F(RepairRunTest, ClosingDuringARunClosesAfterTheEngineReturned) {
  FakeEngine::script = {{Step::Progress, 0, {}}, {Step::AskStopUntilStopped, 5, {}}};
  SetFields(Path("in.pdf"), Path("out.pdf"));
  form->show();
  bool stillOpenAfterClose = false;
  QTimer::singleShot(20, form.get(), [&] {
    form->close();
    stillOpenAfterClose = form->isVisible() && form->EngineCallActive();
  });
  form->btnRepair->click();
  EXPECT_TRUE(stillOpenAfterClose);
  EXPECT_TRUE(FakeEngine::stopAnswered);
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(dialogs.messages.empty());
  ExpectIdle();
}

// The real engine, through the real safe output: an engine that answers 0
// here fails the test.
// Two whole pages without a cross-reference table: damaged, nothing lost, and
// the log ends with the engine's summary.
TEST_F(RepairRunTest, RealEngineRepairsAMinimalFile) {
  const QString source = WriteFile("min.pdf",
                                   "%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n"
                                   "2 0 obj\n<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>\nendobj\n"
                                   "3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 99 99] >>\nendobj\n"
                                   "4 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 99 99] >>\nendobj\n"
                                   "trailer\n<< /Root 1 0 R >>\n%%EOF\n");
  WriteFile("min_fixed.pdf", "old");
  TMainForm real(dialogs);
  real.chkOpenFixed->setChecked(false);
  real.txtSrcFile->setText(source);
  real.txtDstFile->setText(Path("min_fixed.pdf"));
  real.btnRepairClick();
  const QString result1 = "文件“" + source + "”已顺利修复!";
  const QString result2 = "现在你可以打开修复后的文件“" + Path("min_fixed.pdf") + "”了。";
  ExpectLog(LogLines(real),
            Header(source, "291", Path("min_fixed.pdf")) +
                QStringList{"读取并解析来源文件...", "修复来源文件。", "输出修复后的文件。"} +
                Footer() + QStringList{result1, result2, "结果：恢复 2 页；没有发现缺失。"});
  EXPECT_TRUE(ReadFile("min_fixed.pdf").startsWith("%PDF-1.4\r\n"));
  EXPECT_TRUE(Leftovers().isEmpty());
}

// The destination the user agreed to replace is replaced only by a complete
// repair: a failed or a stopped one leaves it as it was, and no file behind.
TEST_F(RepairRunTest, OnlyACompleteRepairReplacesTheDestination) {
  const QString source = WriteFile("in.pdf", "%PDF-1.4\n");
  const std::vector<std::vector<FakeEngine::Message>> unfinished = {
      {{Step::Progress, 0, {}}, {Step::Error, 0, "错误 2: 一般错误。%dest%"}},
      {{Step::Progress, 0, {}}, {Step::AskStopUntilStopped, 5, {}}}};
  for (const auto& script : unfinished) {
    WriteFile("out.pdf", "old");
    FakeEngine::script = script;
    FakeEngine::result = 0;
    SetFields(source, Path("out.pdf"));
    if (script.back().step == Step::AskStopUntilStopped) {
      QTimer::singleShot(20, form.get(), [this] { form->btnRepair->click(); });
    }
    form->btnRepair->click();
    EXPECT_EQ(ReadFile("out.pdf"), "old");
    EXPECT_TRUE(Leftovers().isEmpty()) << Leftovers().join(' ').toStdString();
  }
  // The engine's text named the file it wrote by the destination's name.
  FakeEngine::script = {{Step::Error, 0, "错误 2: 一般错误。%dest%"}};
  form->btnRepair->click();
  EXPECT_TRUE(LogLines(*form).contains("错误 2: 一般错误。" + Path("out.pdf")));
  FakeEngine::Reset();
  form->btnRepair->click();
  EXPECT_EQ(ReadFile("out.pdf"), "repaired by the fake engine");
  EXPECT_EQ(dialogs.questions.size(), 4u);  // the question still comes first
}

// Nobody was asked about a destination that someone else made while the
// engine ran: it stays theirs, and the repair counts as failed.
TEST_F(RepairRunTest, ADestinationMadeDuringTheRunIsNeverReplaced) {
  FakeEngine::script.insert(FakeEngine::script.begin(), {Step::Hook, 0, {}});
  FakeEngine::hook = [this] { WriteFile("out.pdf", "theirs"); };
  SetFields(WriteFile("in.pdf", "%PDF-1.4\n"), Path("out.pdf"));
  form->btnRepair->click();
  EXPECT_TRUE(dialogs.questions.empty());
  EXPECT_EQ(ReadFile("out.pdf"), "theirs");
  EXPECT_EQ(LogLines(*form).constLast(), "错误 4: 不能创建文件。在访问 " + Path("out.pdf") + " 时发生分配妨碍。");
  EXPECT_TRUE(Leftovers().isEmpty());
}

TEST_F(RepairRunTest, ADestinationThatCannotBeCreatedIsReportedBeforeTheEngine) {
  SetFields(WriteFile("in.pdf", "%PDF-1.4\n"), Path("no/out.pdf"));
  form->btnRepair->click();
  EXPECT_EQ(FakeEngine::calls, 0);
  const QStringList lines = LogLines(*form);
  ASSERT_GE(lines.size(), 8);
  const QString reason = "错误 4: 不能创建文件。" + Path("no/out.pdf") + " 未找到。";
  EXPECT_EQ(lines.mid(5, 3), QStringList({kSeparator, reason, kSeparator}));
  EXPECT_EQ(lines.mid(lines.size() - 2), QStringList({"修复文件“" + Path("in.pdf") + "”失败!", reason}));
}

// The engine's report: the log ends with its summary, the result message
// names the losses below the success lines, and a batch shows a file
// that lost something as such, with its summary as the tooltip.
TEST_F(RepairRunTest, TheReportEndsTheLogAndNamesTheLosses) {
  const std::string facts = "damaged=true\npages=10\npages_claimed=29\nloss=19 个页面丢失\nloss=2 个对象丢失\n";
  FakeEngine::script.insert(FakeEngine::script.end() - 1, {Step::Report, 0, facts});
  const QString source = WriteFile("in.pdf", "%PDF-1.4\n");
  SetFields(source, Path("in_fixed.pdf"));
  form->btnRepair->click();
  const QString summary = "结果：恢复 10 页（原有 29 页）；19 个页面丢失，2 个对象丢失。";
  EXPECT_EQ(LogLines(*form).back(), summary);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].text.endsWith("了。\r\n缺失的内容：19 个页面丢失，2 个对象丢失。"))
      << dialogs.messages[0].text.toStdString();

  dialogs.filesChoice = {source};
  form->btnAddFiles->click();
  dialogs.overwriteAnswers = {OverwriteAnswer::Yes};
  form->btnRepairFiles->click();
  EXPECT_EQ(form->FileList->topLevelItem(0)->text(2), "完成（有缺失）");
  EXPECT_EQ(form->FileList->topLevelItem(0)->toolTip(2), summary);
}

// The preview shows what the last successful repair of the source in the
// field wrote: nothing while a run goes, after a failed or a stopped run,
// or for another source.
TEST_F(RepairRunTest, ThePreviewIsOnlyForTheLastSuccessOfTheCurrentSource) {
  form->chkOpenFixed->setChecked(false);
  const QString source = WriteFile("in.pdf", "%PDF-1.4\n");
  SetFields(source, Path("out.pdf"));
  form->btnRepair->click();
  EXPECT_TRUE(form->btnPreview->isEnabled());
  form->txtSrcFile->setText(Path("other.pdf"));
  EXPECT_FALSE(form->btnPreview->isEnabled());
  form->btnPreviewClick();
  EXPECT_EQ(form->PreviewWindow(), nullptr);
  form->txtSrcFile->setText(source);
  EXPECT_TRUE(form->btnPreview->isEnabled());

  bool enabledDuringRun = true;
  FakeEngine::script.insert(FakeEngine::script.begin(), {Step::Hook, 0, {}});
  FakeEngine::hook = [&] { enabledDuringRun = form->btnPreview->isEnabled(); };
  FakeEngine::result = 0;
  form->btnRepair->click();
  EXPECT_FALSE(enabledDuringRun);
  EXPECT_FALSE(form->btnPreview->isEnabled()) << "after a failed run";
  form->btnPreviewClick();
  EXPECT_EQ(form->PreviewWindow(), nullptr);

  FakeEngine::Reset();
  form->btnRepair->click();
  EXPECT_TRUE(form->btnPreview->isEnabled());
  FakeEngine::script = {{Step::Progress, 0, {}}, {Step::AskStopUntilStopped, 5, {}}};
  QTimer::singleShot(20, form.get(), [this] { form->btnRepair->click(); });
  form->btnRepair->click();
  EXPECT_TRUE(FakeEngine::stopAnswered);
  EXPECT_FALSE(form->btnPreview->isEnabled()) << "after a stopped run";
}
