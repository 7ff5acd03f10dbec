// Texts the window builds: destination names, placeholders, byte counts,
// the elapsed time, the save dialog's default extension, the command line.
#include <gtest/gtest.h>

#include "CommandLine.h"
#include "GuiStrings.h"
#include "TextFormat.h"

TEST(DefaultDestinationName, PutsFixedBeforeTheExtension) {
  EXPECT_EQ(DefaultDestinationName("/in/report.pdf"), "/in/report_fixed.pdf");
  EXPECT_EQ(DefaultDestinationName("/old.files/scan"), "/old.files/scan_fixed");
  EXPECT_EQ(DefaultDestinationName("a.tar.gz"), "a.tar_fixed.gz");
  EXPECT_EQ(DefaultDestinationName("C"), "C_fixed");
  EXPECT_EQ(DefaultDestinationName(""), "_fixed");
}

TEST(DefaultDestinationName, BackslashAndColonAreOrdinaryCharacters) {
  EXPECT_EQ(DefaultDestinationName("dir.v2\\scan"), "dir_fixed.v2\\scan");
  EXPECT_EQ(DefaultDestinationName("a.b:c"), "a_fixed.b:c");
}

TEST(FormatText, FillsPlaceholdersInOrderAndLeavesArgumentsAlone) {
  EXPECT_EQ(FormatText("名为“%s”的文件", {"50%s.pdf"}), "名为“50%s.pdf”的文件");
  EXPECT_EQ(FormatText("a %s b %.0n c %d %%", {"x", "1,234", "7"}), "a x b 1,234 c 7 %");
  EXPECT_EQ(FormatText(GuiString(idsCannotOpenFile), {""}), "不能打开文件 ");
}

TEST(FormatByteCount, UsesTheThousandsSeparator) {
  EXPECT_EQ(FormatByteCount(1234567), "1,234,567");
  EXPECT_EQ(FormatByteCount(0), "0");
  EXPECT_EQ(FormatByteCount(5'000'000'000LL), "5,000,000,000");
}

TEST(FormatElapsed, WritesEveryPartWithoutLeadingZeros) {
  const QString pattern = GuiString(idsElapsedTimePattern);
  EXPECT_EQ(FormatElapsed(pattern, 2500), "使用时间:0小时0分2秒500毫秒。");
  EXPECT_EQ(FormatElapsed(pattern, 0), "使用时间:0小时0分0秒0毫秒。");
  EXPECT_EQ(FormatElapsed(pattern, ((3 * 60 + 4) * 60 + 5) * 1000LL + 7),
            "使用时间:3小时4分5秒7毫秒。");
}

TEST(FormatElapsed, ShowsOnlyTheHoursWithinTheDay) {
  const qint64 twentyFiveHours = 25LL * 3600 * 1000 + 1000;
  EXPECT_EQ(FormatElapsed(GuiString(idsElapsedTimePattern), twentyFiveHours),
            "使用时间:1小时0分1秒0毫秒。");
}

TEST(FilterDefaultExtension, TakesTheFirstPatternOfTheChosenType) {
  const QString filter = GuiString(idsSaveFilter);
  EXPECT_EQ(FilterDefaultExtension(filter, 1), "pdf");
  EXPECT_EQ(FilterDefaultExtension(filter, 2), "");  // "*.*"
  EXPECT_EQ(FilterDefaultExtension(filter, 3), "");
  EXPECT_EQ(FilterDefaultExtension(filter, 0), "");
  EXPECT_EQ(FilterDefaultExtension("Text|*.txt;*.log|Any|*", 1), "txt");
  EXPECT_EQ(FilterDefaultExtension("Text|*.txt;*.log|Any|*", 2), "");
}

TEST(CommandLine, DashParametersAreSwitchesEverythingElseIsAFile) {
  const CommandLine line = CommandLine::Parse({"-x", "/tmp/a.pdf", "-o", "b.pdf"});
  EXPECT_EQ(line.sourceFile, "/tmp/a.pdf");
  EXPECT_TRUE(line.openFixed);
  EXPECT_FALSE(line.exitAfter);
}

TEST(CommandLine, SlashSwitchesAreExactlySlashOAndSlashE) {
  const CommandLine line = CommandLine::Parse({"/O", "/E", "/o", "/data/x.pdf"});
  EXPECT_TRUE(line.openFixed);
  EXPECT_TRUE(line.exitAfter);
  EXPECT_EQ(line.sourceFile, "/o");  // lower case: a file in the root folder
  EXPECT_TRUE(CommandLine::Parse({"-E", "f"}).exitAfter);
  EXPECT_TRUE(CommandLine::Parse({"-e", "f"}).exitAfter);
  EXPECT_FALSE(CommandLine::Parse({"-ex", "f"}).exitAfter);
  EXPECT_TRUE(CommandLine::Parse({"-e", "-o"}).sourceFile.isEmpty());
}
