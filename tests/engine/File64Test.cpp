// The plain file class: opening with the mode word, sharing, writing and the
// failures it raises.
#include <gtest/gtest.h>

#include <cerrno>

#include "EngineTestSupport.h"
#include "base/Exceptions.h"
#include "io/File64.h"
#include "io/File64Ex.h"

namespace {

constexpr uint32_t kSourceFlags = 0x8020;
constexpr uint32_t kDestinationFlags = 0x9011;

std::string MessageOf(const CException& failure) {
  std::string text;
  failure.GetErrorMessage(text);
  return text;
}

TEST(File64Open, FailureFillsTheRecordWithThePathAsPassed) {
  CFile64 file;
  CFileException error;
  EXPECT_FALSE(file.Open("no/such/file.pdf", kSourceFlags, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_EQ(error.m_osError, ENOENT);
  EXPECT_EQ(error.m_fileName, "no/such/file.pdf");
  EXPECT_EQ(MessageOf(error), "no/such/file.pdf 未找到。");
  EXPECT_FALSE(file.IsOpen());
}

TEST(File64Open, StoresTheAbsolutePathAndNames) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("doc.pdf"), "x");
  CFile64 file;
  ASSERT_TRUE(file.Open(dir.Path("doc.pdf").c_str(), kSourceFlags));
  EXPECT_EQ(file.GetFilePath(), dir.Path("doc.pdf"));
  EXPECT_EQ(file.GetFileName(), "doc.pdf");
  EXPECT_EQ(file.GetFileTitle(), "doc.pdf");
  file.Close();
  EXPECT_EQ(file.GetFilePath(), "");
  EXPECT_NO_THROW(file.Close());
  EXPECT_NO_THROW(file.Abort());
}

TEST(File64Open, ExclusiveWriterIsRefusedWhileAReaderHoldsTheFile) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("a.pdf"), "source bytes");
  CFile64Ex reader;
  ASSERT_TRUE(reader.Open(dir.Path("a.pdf").c_str(), kSourceFlags));
  CFile64 writer;
  CFileException error;
  EXPECT_FALSE(writer.Open(dir.Path("a.pdf").c_str(), kDestinationFlags, &error));
  EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
  EXPECT_EQ(ReadWholeFile(dir.Path("a.pdf")), "source bytes");

  // Two readers that let others read share the file.
  CFile64Ex second;
  EXPECT_TRUE(second.Open(dir.Path("a.pdf").c_str(), kSourceFlags));
}

TEST(File64Open, CreateTruncatesAndNoTruncateKeeps) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("out"), "previous");
  {
    CFile64 keep;
    ASSERT_TRUE(keep.Open(dir.Path("out").c_str(), kDestinationFlags | CFile64::modeNoTruncate));
  }
  EXPECT_EQ(ReadWholeFile(dir.Path("out")), "previous");
  {
    CFile64 truncate;
    ASSERT_TRUE(truncate.Open(dir.Path("out").c_str(), kDestinationFlags));
    EXPECT_EQ(truncate.GetLength(), 0u);
  }
}

TEST(File64Write, ShortWriteRaisesDiskFullWithThePath) {
  ScratchDir dir;
  CFile64 file;
  ASSERT_TRUE(file.Open(dir.Path("out").c_str(), kDestinationFlags));
  FakeSystemFiles fake;
  fake.writeLimit = 3;
  try {
    file.Write("abcdef", 6);
    FAIL() << "no exception";
  } catch (const CFileException& failure) {
    EXPECT_EQ(failure.m_cause, CFileException::diskFull);
    EXPECT_EQ(failure.m_osError, -1);
    EXPECT_EQ(MessageOf(failure), "在访问 " + dir.Path("out") + " 时磁盘已满。");
  }
}

TEST(File64Write, FailedWriteRaisesTheMappedCause) {
  ScratchDir dir;
  CFile64 file;
  ASSERT_TRUE(file.Open(dir.Path("out").c_str(), kDestinationFlags));
  FakeSystemFiles fake;
  fake.failWritesWith = ENOSPC;
  EXPECT_THROW(file.Write("a", 1), CFileException);
  fake.failWritesWith = 0;
  EXPECT_NO_THROW(file.Write("", 0));
}

TEST(File64Errors, ErrnoMapsToCauses) {
  EXPECT_EQ(CFileException::CauseFromErrno(ENOENT), 2);
  EXPECT_EQ(CFileException::CauseFromErrno(ELOOP), 3);
  EXPECT_EQ(CFileException::CauseFromErrno(EMFILE), 4);
  EXPECT_EQ(CFileException::CauseFromErrno(EISDIR), 5);
  EXPECT_EQ(CFileException::CauseFromErrno(EIO), 10);
  EXPECT_EQ(CFileException::CauseFromErrno(EWOULDBLOCK), 11);
  EXPECT_EQ(CFileException::CauseFromErrno(ENOLCK), 12);
  EXPECT_EQ(CFileException::CauseFromErrno(EDQUOT), 13);
  EXPECT_EQ(CFileException::CauseFromErrno(ENXIO), 6);
  EXPECT_EQ(CFileException::CauseFromErrno(EBUSY), 11);
  EXPECT_EQ(CFileException::CauseFromErrno(EXDEV), 1);
  EXPECT_EQ(MessageOf(CFileException(CFileException::badSeek, -1, "")), "搜索失败在 一个未命名文件");
}

TEST(File64Open, FailingOpenThroughTheSystemLayer) {
  FakeSystemFiles fake;
  fake.failOpensWith = EMFILE;
  CFile64 file;
  CFileException error;
  EXPECT_FALSE(file.Open("/tmp/x", kSourceFlags, &error));
  EXPECT_EQ(MessageOf(error), "/tmp/x 不能打开，因为打开文件太多。");
}

}  // namespace
