// The damaged-file reader: buffer choice, direct reads, end of file and
// unreadable sectors delivered as zeros.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "EngineTestSupport.h"
#include "base/Exceptions.h"
#include "io/File64Ex.h"

namespace {

class File64ExTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_bytes.resize(8000);
    for (size_t i = 0; i < m_bytes.size(); ++i) m_bytes[i] = static_cast<char>('A' + i % 23 + i / 512 % 3);
    WriteWholeFile(m_dir.Path("data"), m_bytes);
  }
  void OpenWith(CFile64Ex& file) { ASSERT_TRUE(file.Open(m_dir.Path("data").c_str(), 0x8020)); }

  ScratchDir m_dir;
  std::string m_bytes;
};

TEST_F(File64ExTest, ZeroByteReadChangesNothing) {
  CFile64Ex file(100);
  OpenWith(file);
  file.Seek(9000, CFile64::begin);
  file.Read(nullptr, 5);
  ASSERT_TRUE(file.IsShortRead());
  EXPECT_EQ(file.Read(nullptr, 0), 0u);
  EXPECT_TRUE(file.IsShortRead());
  EXPECT_EQ(file.GetPosition(), 9000u);
}

TEST_F(File64ExTest, RequestOfNGoesThroughABuffer) {
  CFile64Ex file(100);
  OpenWith(file);
  FakeSystemFiles fake;
  std::vector<char> out(100);
  EXPECT_EQ(file.Read(out.data(), 100), 100u);
  EXPECT_EQ(std::string(out.data(), 100), m_bytes.substr(0, 100));
  EXPECT_EQ(file.BufferA().position, 0u);
  EXPECT_EQ(file.BufferA().valid, 100u);
  EXPECT_TRUE(file.BufferB().IsEmpty());
}

TEST_F(File64ExTest, RequestOfNPlusOneReadsNDirectlyThenOneByteBuffered) {
  CFile64Ex file(100);
  OpenWith(file);
  file.Seek(1000, CFile64::begin);
  FakeSystemFiles fake;
  std::vector<char> out(101);
  EXPECT_EQ(file.Read(out.data(), 101), 101u);
  EXPECT_EQ(std::string(out.data(), 101), m_bytes.substr(1000, 101));
  ASSERT_EQ(fake.reads.size(), 2u);
  EXPECT_EQ(fake.reads[0], std::make_pair(uint64_t{1000}, size_t{100}));
  EXPECT_EQ(fake.reads[1], std::make_pair(uint64_t{1100}, size_t{100}));
  EXPECT_EQ(file.BufferA().position, 1100u);
  EXPECT_EQ(file.GetPosition(), 1101u);
}

TEST_F(File64ExTest, ReadsAtAndPastTheEnd) {
  CFile64Ex file(4096);
  OpenWith(file);
  std::vector<char> out(100);
  EXPECT_EQ(file.Seek(0, CFile64::end), 8000u);
  EXPECT_EQ(file.Read(out.data(), 10), 0u);
  EXPECT_TRUE(file.IsShortRead());
  file.Seek(7990, CFile64::begin);
  EXPECT_FALSE(file.IsShortRead());
  EXPECT_EQ(file.Read(out.data(), 100), 10u);
  EXPECT_EQ(std::string(out.data(), 10), m_bytes.substr(7990));
  EXPECT_TRUE(file.IsShortRead());
  file.Seek(100000, CFile64::begin);
  EXPECT_EQ(file.Read(out.data(), 1), 0u);
}

TEST_F(File64ExTest, ByteByByteRefillsTheLowerBuffer) {
  CFile64Ex file(100);
  OpenWith(file);
  char byte;
  for (int i = 0; i < 250; ++i) ASSERT_EQ(file.Read(&byte, 1), 1u);
  // A filled at 0, B at 100, then the lower one (A) again at 200.
  EXPECT_EQ(file.BufferA().position, 200u);
  EXPECT_EQ(file.BufferB().position, 100u);

  // Back before both buffers: B starts after the position, so B is refilled.
  file.Seek(50, CFile64::begin);
  ASSERT_EQ(file.Read(&byte, 1), 1u);
  EXPECT_EQ(byte, m_bytes[50]);
  EXPECT_EQ(file.BufferB().position, 50u);
  EXPECT_EQ(file.BufferA().position, 200u);
}

TEST_F(File64ExTest, UnreadableSectorsReadAsZerosWithTheRightBytesAfterThem) {
  CFile64Ex file(4096);
  FakeSystemFiles fake;
  fake.unreadable = {{1536, 2560}};
  OpenWith(file);
  std::vector<char> out(8000);
  EXPECT_EQ(file.Read(out.data(), 8000), 8000u);
  std::string expected = m_bytes;
  std::fill(expected.begin() + 1536, expected.begin() + 2560, '\0');
  EXPECT_EQ(std::string(out.data(), 8000), expected);
  EXPECT_FALSE(file.IsShortRead());
}

TEST_F(File64ExTest, UnreadableSectorsThroughByteReads) {
  CFile64Ex file(4096);
  FakeSystemFiles fake;
  fake.unreadable = {{1536, 2560}};
  OpenWith(file);
  std::string got;
  char byte;
  while (file.Read(&byte, 1) == 1) got += byte;
  std::string expected = m_bytes;
  std::fill(expected.begin() + 1536, expected.begin() + 2560, '\0');
  EXPECT_EQ(got, expected);
}

TEST_F(File64ExTest, DeviceFailingEveryReadStillEnds) {
  CFile64Ex file(4096);
  FakeSystemFiles fake;
  fake.unreadable = {{0, UINT64_MAX}};
  OpenWith(file);
  std::vector<char> out(20000);
  // The last unreadable sector counts whole, as every unreadable piece does.
  EXPECT_EQ(file.Read(out.data(), 20000), 8192u);
  EXPECT_EQ(std::count(out.begin(), out.begin() + 8192, '\0'), 8192);
}

TEST_F(File64ExTest, SeekOriginsAndSetLength) {
  CFile64Ex file(4096);
  ASSERT_TRUE(file.Open(m_dir.Path("data").c_str(), 0x3002));
  EXPECT_EQ(file.Seek(0, CFile64::end), 8000u);
  EXPECT_EQ(file.Seek(-8, CFile64::current), 7992u);
  EXPECT_EQ(file.Seek(5, 7), 7992u);
  file.Write("xyz", 3);
  EXPECT_EQ(file.GetPosition(), 7995u);
  file.SetLength(100);
  EXPECT_EQ(file.GetPosition(), 0u);
  EXPECT_EQ(file.GetLength(), 100u);
  EXPECT_THROW(file.Duplicate(), CNotSupportedException);
  EXPECT_THROW(file.LockRange(0, 1), CNotSupportedException);
}

}  // namespace
