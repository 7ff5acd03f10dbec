// Encrypted sources: the password dialog the engine's query brings up, in a
// single and a batch repair, its answers and how long they live, and the
// real dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "DragEdit.h"
#include "GuiTestSupport.h"

namespace {

using Step = FakeEngine::Step;
const std::string kNoPassword = "错误 15: 不能解密来源文件：没有能打开它的密码。";
const QString kWrong = "上一次输入的密码不正确，请重新输入。";

// qpdf's exit status, its output left out.
int RunQuietly(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  process.start(program, arguments);
  return process.waitForFinished(30'000) && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

class PasswordTest : public ::testing::Test, public FormFixture {
 protected:
  PasswordTest() {
    FakeEngine::script.insert(FakeEngine::script.begin() + 2, {Step::AskPassword, 0, kNoPassword});
    form->chkOpenFixed->setChecked(false);
  }

  QString RepairOne(const QString& name) {
    const QString source = WriteFile(name, "%PDF-1.7\n");
    form->txtSrcFile->setText(source);
    form->btnRepair->click();
    return source;
  }

  static QString Prompt(const QString& source) {
    return "文件“" + source + "”已加密，需要密码才能打开。\n请输入它的用户密码或所有者密码。";
  }

  // No password ever reaches the log or a message.
  void ExpectNoPasswordShown(const QString& password) {
    EXPECT_FALSE(form->txtRepairLog->toPlainText().contains(password));
    for (const auto& message : dialogs.messages) EXPECT_FALSE(message.text.contains(password));
  }
};

}  // namespace

TEST_F(PasswordTest, TheRightPasswordRepairsAndIsWipedAfterTheEngineTookIt) {
  FakeEngine::password = "开门 sesame";
  dialogs.passwordAnswers = {QString::fromUtf8("开门 sesame")};
  const QString source = RepairOne("locked.pdf");
  EXPECT_TRUE(FakeEngine::versionOption & TESSCORE_OPTION_PASSWORD_QUERY);
  ASSERT_EQ(dialogs.passwordRequests.size(), 1u);
  EXPECT_EQ(dialogs.passwordRequests[0].caption, "输入密码");
  EXPECT_EQ(dialogs.passwordRequests[0].text, Prompt(source));
  EXPECT_EQ(dialogs.passwordRequests[0].retryText, "");
  EXPECT_EQ(FakeEngine::passwordsReceived, std::vector<std::string>{"开门 sesame"});  // UTF-8
  EXPECT_TRUE(FakeEngine::passwordsWiped);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].text.startsWith("文件“" + source + "”已顺利修复!"));
  EXPECT_TRUE(QFile::exists(Path("locked_fixed.pdf")));
  ExpectNoPasswordShown("sesame");
}

TEST_F(PasswordTest, CancelFailsTheFileWithTheEnginesReasonAndLeavesNoFile) {
  dialogs.passwordAnswers = {std::nullopt};
  const QString source = RepairOne("locked.pdf");
  EXPECT_EQ(dialogs.passwordRequests.size(), 1u);
  EXPECT_TRUE(FakeEngine::passwordsReceived.empty());
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text,
            "修复文件“" + source + "”失败!\r\n" + QString::fromStdString(kNoPassword));
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Warning);
  EXPECT_FALSE(QFile::exists(Path("locked_fixed.pdf")));
  EXPECT_TRUE(Leftovers().isEmpty());
}

// A wrong password is said at the next question; one over 127 bytes is
// refused before the engine sees it, and the same question comes again.
TEST_F(PasswordTest, WrongAndOverLongPasswordsAreAskedAgain) {
  const QString overLong(64, QChar(0xE9));  // 128 bytes in UTF-8
  const QString longest(127, u'a');
  dialogs.passwordAnswers = {overLong, longest, QString("sesame")};
  RepairOne("locked.pdf");
  ASSERT_EQ(dialogs.passwordRequests.size(), 3u);
  EXPECT_EQ(dialogs.passwordRequests[0].retryText, "");
  EXPECT_EQ(dialogs.passwordRequests[1].retryText, "");  // the same question again
  EXPECT_EQ(dialogs.passwordRequests[2].retryText, kWrong);
  EXPECT_EQ(FakeEngine::passwordsReceived, (std::vector<std::string>{longest.toStdString(), "sesame"}));
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[0].text, "密码太长：最多 127 个字节（UTF-8 编码）。请重新输入。");
  EXPECT_EQ(dialogs.messages[0].caption, "错误");
  EXPECT_TRUE(dialogs.messages[1].text.contains("已顺利修复"));
  EXPECT_TRUE(FakeEngine::passwordsWiped);
}

// Asked once per file that needs it; a Cancel fails only its own file.
TEST_F(PasswordTest, ABatchAsksPerFileAndACancelDoesNotStopIt) {
  dialogs.filesChoice = {WriteFile("a.pdf", "%PDF"), WriteFile("b.pdf", "%PDF"), WriteFile("c.pdf", "%PDF")};
  form->btnAddFilesClick();
  dialogs.passwordAnswers = {QString("sesame"), std::nullopt, QString("sesame")};
  form->btnRepairFilesClick();
  ASSERT_EQ(dialogs.passwordRequests.size(), 3u);
  for (qsizetype i = 0; i < 3; ++i) {
    EXPECT_EQ(dialogs.passwordRequests[static_cast<size_t>(i)].text, Prompt(dialogs.filesChoice[i]));
  }
  QStringList statuses;
  for (int i = 0; i < 3; ++i) statuses << form->FileList->topLevelItem(i)->text(2);
  EXPECT_EQ(statuses, QStringList({"完成", "失败", "完成"}));
  EXPECT_EQ(form->FileList->topLevelItem(1)->toolTip(2), QString::fromStdString(kNoPassword));
  EXPECT_EQ(dialogs.messages.back().text, "已修复 2 个文件，失败 1 个，中断 0 个");
  EXPECT_FALSE(QFile::exists(Path("b_fixed.pdf")));
  ExpectNoPasswordShown("sesame");
}

// The engine itself, on a file qpdf encrypted: the dialog's answer opens it,
// and after a Cancel nothing is written.
TEST_F(PasswordTest, TheEngineTakesTheDialogsAnswer) {
  if (QStandardPaths::findExecutable("qpdf").isEmpty()) GTEST_SKIP() << "qpdf missing";
  const QString source = Path("locked.pdf");
  ASSERT_EQ(RunQuietly("qpdf", {"--empty", "--encrypt", "user pw", "owner", "256", "--", source}), 0);
  TMainForm window(dialogs, &RepairPdfFile);
  window.chkOpenFixed->setChecked(false);
  window.txtSrcFile->setText(source);
  dialogs.passwordAnswers = {QString("wrong"), QString("user pw")};
  window.btnRepairClick();
  ASSERT_EQ(dialogs.passwordRequests.size(), 2u);
  EXPECT_EQ(dialogs.passwordRequests[1].retryText, kWrong);
  EXPECT_EQ(RunQuietly("qpdf", {"--password=user pw", "--check", Path("locked_fixed.pdf")}), 0);
  QFile::remove(Path("locked_fixed.pdf"));
  dialogs.passwordAnswers = {std::nullopt};
  window.btnRepairClick();
  EXPECT_EQ(dialogs.passwordRequests.size(), 3u);
  EXPECT_EQ(dialogs.messages.back().icon, MessageIcon::Warning);
  EXPECT_FALSE(QFile::exists(Path("locked_fixed.pdf")));
}

// The toolkit's dialog: masked, naming the file, OK only with something
// typed, and Cancel answering none.
TEST_F(PasswordTest, TheRealDialogIsMaskedAndAnswersWhatWasTyped) {
  QtUserDialogs real;
  const PasswordRequest request{"输入密码", Prompt("/tmp/x.pdf"), kWrong};
  for (const bool confirm : {true, false}) {
    QTimer::singleShot(0, form.get(), [confirm] {
      QWidget* dialog = QApplication::activeModalWidget();
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->windowTitle(), "输入密码");
      auto* field = dialog->findChild<QLineEdit*>("PasswordEdit");
      ASSERT_NE(field, nullptr);
      EXPECT_EQ(field->echoMode(), QLineEdit::Password);
      EXPECT_EQ(dialog->findChild<QLabel*>("PromptLabel")->text(), Prompt("/tmp/x.pdf"));
      EXPECT_EQ(dialog->findChild<QLabel*>("RetryLabel")->text(), kWrong);
      QAbstractButton* ok = dialog->findChild<QDialogButtonBox*>()->buttons().at(0);
      EXPECT_EQ(ok->text(), "确定");
      EXPECT_FALSE(ok->isEnabled());
      QTest::keyClicks(field, "pa\u00DF");
      EXPECT_TRUE(ok->isEnabled());
      QTest::keyClick(field, confirm ? Qt::Key_Return : Qt::Key_Escape);
    });
    QString typed;
    EXPECT_EQ(real.AskPassword(form.get(), request, typed), confirm);
    EXPECT_EQ(typed, confirm ? QString("pa\u00DF") : QString());
  }
}
