// A file named on the command line is repaired at once; -O and -E.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>

#include "DragEdit.h"
#include "GuiTestSupport.h"

namespace {

class CommandLineRunTest : public ::testing::Test, public FormFixture {};

}  // namespace

TEST_F(CommandLineRunTest, NoParametersDoNothing) {
  EXPECT_FALSE(form->RunCommandLine({}));
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(FakeEngine::calls, 0);
}

TEST_F(CommandLineRunTest, SwitchERepairsIntoTheDefaultNameAndEnds) {
  const QString source = WriteFile("scan.pdf", "%PDF-1.4\n");
  EXPECT_TRUE(form->RunCommandLine({"-E", source}));
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(FakeEngine::calls, 1);
  EXPECT_EQ(FakeEngine::destinationPath, Path("scan_fixed.pdf").toStdString());
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].text.startsWith("文件“" + source + "”已顺利修复!"));
  EXPECT_FALSE(form->chkOpenFixed->isChecked());  // no -O: the option is cleared
  EXPECT_TRUE(dialogs.launched.empty());
}

TEST_F(CommandLineRunTest, SwitchOOpensTheResultAndStaysOpenWithoutE) {
  form->chkOpenFixed->setChecked(false);
  const QString source = WriteFile("scan.pdf", "%PDF-1.4\n");
  EXPECT_FALSE(form->RunCommandLine({source, "-o"}));
  EXPECT_TRUE(form->chkOpenFixed->isChecked());
  EXPECT_EQ(dialogs.launched, QStringList({Path("scan_fixed.pdf")}));
}

TEST_F(CommandLineRunTest, ExistingDestinationStillAsks) {
  const QString source = WriteFile("scan.pdf", "%PDF-1.4\n");
  WriteFile("scan_fixed.pdf", "old");
  dialogs.answerYes = false;
  EXPECT_TRUE(form->RunCommandLine({"/E", source}));
  EXPECT_EQ(dialogs.questions.size(), 1u);
  EXPECT_EQ(FakeEngine::calls, 0);
}

TEST_F(CommandLineRunTest, MissingFileShowsAnErrorAndStaysOpen) {
  EXPECT_FALSE(form->RunCommandLine({"-E", Path("missing.pdf")}));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "不能打开文件 " + Path("missing.pdf"));
  EXPECT_EQ(dialogs.messages[0].caption, "错误");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Error);
  EXPECT_EQ(FakeEngine::calls, 0);
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->txtSrcFile->text().isEmpty());
}

TEST_F(CommandLineRunTest, OnlySwitchesOrAFolderAreNoFile) {
  EXPECT_FALSE(form->RunCommandLine({"-E", "-x"}));
  EXPECT_FALSE(form->RunCommandLine({folder.path()}));
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[0].text, "不能打开文件 ");
  EXPECT_EQ(dialogs.messages[1].text, "不能打开文件 " + folder.path());
  EXPECT_EQ(FakeEngine::calls, 0);
}
