// Saving the repair log, with and without the system information report.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "DragEdit.h"
#include "GuiTestSupport.h"

namespace {

class SaveLogTest : public ::testing::Test, public FormFixture {
 protected:
  // Fills the log with a repair run's lines.
  QStringList RunRepair() {
    form->chkOpenFixed->setChecked(false);
    form->txtSrcFile->setText(Path("in.pdf"));
    form->btnRepairClick();
    return LogLines(*form);
  }

  QStringList SaveLog(bool includeSysInfo) {
    dialogs.fileChoice = Path("run.log");
    dialogs.sysInfoChoice = includeSysInfo;
    form->btnSaveLog->click();
    const QByteArray bytes = ReadFile("run.log");
    EXPECT_TRUE(bytes.isEmpty() || bytes.endsWith("\r\n"));
    QStringList lines = QString::fromUtf8(bytes).split("\r\n");
    lines.removeLast();  // after the last line's end
    return lines;
  }
};

}  // namespace

TEST_F(SaveLogTest, WithoutTheReportTheFileIsExactlyTheLog) {
  const QStringList log = RunRepair();
  ASSERT_GT(log.size(), 10);
  EXPECT_EQ(SaveLog(false), log);
  EXPECT_EQ(ReadFile("run.log"), (log.join("\r\n") + "\r\n").toUtf8());
  ASSERT_EQ(dialogs.fileDialogsShown.size(), 1u);
  EXPECT_EQ(dialogs.fileDialogsShown[0].filter, "日志文件 (*.log)|*.log");
  EXPECT_EQ(dialogs.fileDialogsShown[0].defaultExtension, "log");
}

TEST_F(SaveLogTest, WithTheReportTheLogFollowsTheSettingsSection) {
  const QStringList log = RunRepair();
  const QStringList lines = SaveLog(true);
  ASSERT_GT(lines.size(), 30);
  EXPECT_EQ(lines[0], kSeparator);
  EXPECT_EQ(lines[1], " 版本信息:");
  EXPECT_EQ(lines[2], "文件版本: 1.0.0.0");
  EXPECT_TRUE(lines[5].startsWith("操作系统: Linux ")) << lines[5].toStdString();
  EXPECT_EQ(lines[7], "Windows 目录: /");
  // Every section in its place, each closed by a separator line.
  qsizetype at = 0;
  for (const QString header :
       {"内存状态:", "环境信息:", "驱动器信息:", "系统信息结束", "设置信息:", "设置信息结束"}) {
    const qsizetype found = lines.indexOf(header, at);
    ASSERT_GT(found, at) << header.toStdString();
    if (header != "设置信息:") {
      EXPECT_EQ(lines[found - 1], kSeparator);
    }
    at = found;
  }
  EXPECT_EQ(lines.mid(at - 7, 6),
            QStringList({"设置信息:", "完成后打开修复的文件(&O): 否", "输出的 PDF 文件版本(&V): 4",
                         "临时文件目录(&T): " + AppSettings::DefaultTempDir(),
                         "内部处理缓存大小(&B): 512", "深度修复（较慢）(&T): 是"}));
  EXPECT_EQ(lines[at + 1], kSeparator);
  EXPECT_EQ(lines.mid(at + 2), log);
}

TEST_F(SaveLogTest, AnEmptyLogWithoutTheReportGivesAnEmptyFile) {
  EXPECT_TRUE(SaveLog(false).isEmpty());
  EXPECT_TRUE(QFile::exists(Path("run.log")));
  EXPECT_TRUE(ReadFile("run.log").isEmpty());
}

TEST_F(SaveLogTest, UncheckingTheBoxSticksForTheRestOfTheRun) {
  form->btnSaveLog->click();  // cancelled, the box left as it was
  dialogs.sysInfoChoice = false;
  form->btnSaveLog->click();  // unchecked, then cancelled
  dialogs.sysInfoChoice.reset();
  dialogs.fileChoice = Path("run.log");
  form->btnSaveLog->click();
  EXPECT_EQ(dialogs.sysInfoShown, std::vector<bool>({true, true, false}));
  EXPECT_FALSE(form->SaveLogDialog.IncludeSysInfo());
  EXPECT_TRUE(ReadFile("run.log").isEmpty());
}

TEST_F(SaveLogTest, TheReportMasksValuesOfSecretLookingVariables) {
  const std::pair<const char*, const char*> variables[] = {
      {"TESSALY_API_TOKEN", "t0ken"}, {"db_password", "hunter2"}, {"SSH_AUTH_SOCK", "/run/agent"},
      {"TESSALY_PLAIN", "visible"}};
  for (const auto& [name, value] : variables) qputenv(name, value);
  const QStringList lines = SaveLog(true);
  for (const auto& [name, value] : variables) qunsetenv(name);
  EXPECT_TRUE(lines.contains("TESSALY_API_TOKEN=******"));
  EXPECT_TRUE(lines.contains("db_password=******"));
  EXPECT_TRUE(lines.contains("SSH_AUTH_SOCK=******"));
  EXPECT_TRUE(lines.contains("TESSALY_PLAIN=visible"));
  for (const char* secret : {"t0ken", "hunter2", "/run/agent"}) {
    EXPECT_FALSE(lines.join('\n').contains(secret)) << secret;
  }
}
