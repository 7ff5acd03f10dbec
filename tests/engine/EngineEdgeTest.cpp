// The run at the edges of the file system: what is no file, a destination
// that is the source where locks do not tell, and a close that fails.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "EngineTestSupport.h"
#include "tesscore/tesscore.h"

namespace {

const char* kMinimalPdf = "%PDF-1.4\r\n1 0 obj\r\n<< /Type /Catalog >>\r\nendobj\r\n";

std::vector<std::string> ErrorsOfRun(const std::string& source, const std::string& destination,
                                     int& result) {
  MessageLog log;
  EngineCallRecord record = log.Record(source, destination);
  result = RepairPdfFile(&record);
  EXPECT_EQ(log.messages.back().text, "100");
  return log.TextsOf(msgError);
}

// A pipe without a writer would block the open for ever; the test's timeout
// is the judge of that.
TEST(RepairEdges, WhatIsNoFileIsRefusedAsASourceWithItsReason) {
  ScratchDir dir;
  ASSERT_EQ(::mkdir(dir.Path("folder").c_str(), 0755), 0);
  ASSERT_EQ(::mkfifo(dir.Path("pipe").c_str(), 0600), 0);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, dir.Path("socket").c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  const std::pair<std::string, std::string> cases[] = {
      {dir.Path("folder"), "访问 " + dir.Path("folder") + " 被拒绝。"},
      {dir.Path("pipe"), "一个错误的文件句柄关联到 " + dir.Path("pipe") + "。"},
      {dir.Path("socket"), "一个错误的文件句柄关联到 " + dir.Path("socket") + "。"},
      {"/dev/zero", "一个错误的文件句柄关联到 /dev/zero。"}};
  for (const auto& [source, cause] : cases) {
    SCOPED_TRACE(source);
    int result = -1;
    const auto errors = ErrorsOfRun(source, dir.Path("out.pdf"), result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(errors, std::vector<std::string>{"错误 1: 不能打开文件进行修复。" + cause});
    EXPECT_FALSE(FileExists(dir.Path("out.pdf")));
  }
  ::close(sock);
}

TEST(RepairEdges, SourceAsDestinationIsRefusedWhereLocksNeverConflict) {
  ScratchDir dir;
  const std::string source = dir.Path("a.pdf");
  WriteWholeFile(source, kMinimalPdf);
  ASSERT_EQ(::link(source.c_str(), dir.Path("hard.pdf").c_str()), 0);
  FakeSystemFiles fake;
  fake.locksNeverConflict = true;
  for (const std::string& destination : {source, dir.Path("hard.pdf")}) {
    int result = -1;
    const auto errors = ErrorsOfRun(source, destination, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(errors, std::vector<std::string>{"错误 4: 不能创建文件。在访问 " + destination +
                                               " 时发生分配妨碍。"});
    EXPECT_EQ(ReadWholeFile(source), kMinimalPdf);
  }
}

TEST(RepairEdges, FailedCloseOfACompleteDestinationIsAFailure) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("a.pdf"), kMinimalPdf);
  FakeSystemFiles fake;
  fake.failCloseOf = dir.Path("out.pdf");
  fake.failCloseWith = EDQUOT;
  int result = -1;
  const auto errors = ErrorsOfRun(dir.Path("a.pdf"), dir.Path("out.pdf"), result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(errors, std::vector<std::string>{"错误 2: 一般错误。在访问 一个未命名文件 时磁盘已满。"});
}

}  // namespace
