// The front ends' texts for file failures are the engine's, and an engine
// text gets the destination's name back. (Default destination names are
// checked through both front ends.)
#include <gtest/gtest.h>

#include <cerrno>

#include "FileTexts.h"

namespace {

TEST(FrontEndTexts, CausesAndTextsAreTheEngines) {
  EXPECT_EQ(frontend::CannotCreateText(frontend::CauseOf(ENOENT), "out/a.pdf"), "错误 4: 不能创建文件。out/a.pdf 未找到。");
  EXPECT_EQ(frontend::CauseMessage(frontend::CauseOf(EISDIR), "d"), "访问 d 被拒绝。");
  EXPECT_EQ(frontend::CauseMessage(frontend::CauseOf(ENOSPC), ""), "在访问 一个未命名文件 时磁盘已满。");
  EXPECT_EQ(frontend::CauseOf(EXDEV), 1);
}

TEST(FrontEndTexts, WriterPathIsGivenTheDestinationsName) {
  EXPECT_EQ(frontend::NameDestination("在访问 /proc/self/fd/7 时磁盘已满。/proc/self/fd/7", "/proc/self/fd/7", "a b.pdf"),
            "在访问 a b.pdf 时磁盘已满。a b.pdf");
  EXPECT_EQ(frontend::NameDestination("x", "", "y"), "x");
}

}  // namespace
