// The writer's exact bytes, its stop, and a destination that runs full.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "EngineTestSupport.h"
#include "core/RepairEngine.h"
#include "io/File64.h"
#include "model/Document.h"
#include "model/PdfDictionary.h"
#include "security/StandardSecurity.h"
#include "writer/PdfWriter.h"

namespace {

class WriterTest : public ::testing::Test {
 protected:
  WriterTest() : m_engine(&MessageLog::Callback, &m_log), m_document(&m_engine) {}

  CPdfDictionary* AddCatalog(uint32_t number) {
    auto* catalog = new CPdfDictionary;
    catalog->SetAt("/Type", std::make_unique<CPdfText>(kindName, "/Catalog", 8));
    m_document.Table().Add({number, 0}, catalog);
    return catalog;
  }
  int Write(CPdfObject* root, CPdfObject* info = nullptr) {
    CFile64 file;
    if (!file.Open(m_dir.Path("out.pdf").c_str(), 0x9011)) return -1;
    const int result = WriteDocument(m_document, "1.4", root, info, file);
    file.Close();
    return result;
  }
  std::string Output() const { return ReadWholeFile(m_dir.Path("out.pdf")); }

  ScratchDir m_dir;
  MessageLog m_log;
  CRepairEngine m_engine;
  CPdfDocument m_document;
};

TEST_F(WriterTest, OneCatalogGivesTheExact168Bytes) {
  CPdfDictionary* catalog = AddCatalog(1);
  EXPECT_EQ(Write(catalog), 1);
  const std::string expected =
      "%PDF-1.4\r\n%\xE2\xE3\xCF\xD3\r\n"
      "1 0 obj\r\n<<\r\n/Type\t/Catalog\r\n>>\r\nendobj\r\n"
      "xref\r\n0 2\r\n0000000000 65535 f\r\n0000000017 00000 n\r\n"
      "trailer\r\n<<\r\n/Root\t1 0 R\r\n/Size\t2\r\n>>\r\n"
      "startxref\r\n58\r\n%%EOF";
  ASSERT_EQ(expected.size(), 168u);
  EXPECT_EQ(Output(), expected);
  EXPECT_EQ(m_log.TextsOf(msgLogLine), std::vector<std::string>{"输出修复后的文件。"});
  EXPECT_EQ(m_log.TextsOf(msgProgress), std::vector<std::string>{"100"});
}

TEST_F(WriterTest, NewerKeyOfABucketIsNumberedFirst) {
  AddCatalog(1);
  auto* second = new CPdfInteger(7);
  m_document.Table().Add({2, 0}, second);
  CPdfObject* catalog = m_document.Table().Lookup({1, 0})->GetLatest();
  EXPECT_EQ(Write(catalog), 1);
  const std::string out = Output();
  EXPECT_NE(out.find("1 0 obj\r\n7\r\nendobj"), std::string::npos);
  EXPECT_NE(out.find("xref\r\n0 3\r\n"), std::string::npos);
  EXPECT_NE(out.find("/Root\t2 0 R\r\n/Size\t3\r\n"), std::string::npos);
  EXPECT_EQ(out.find("/Info"), std::string::npos);
}

TEST_F(WriterTest, EmptyRootWritesNothing) {
  EXPECT_EQ(Write(nullptr), 0);
  EXPECT_EQ(Output(), "");
}

TEST_F(WriterTest, StopAfterTheFirstObjectKeepsHeaderAndObject) {
  CPdfDictionary* catalog = AddCatalog(1);
  m_document.Table().Add({2, 0}, new CPdfInteger(7));
  m_log.stopAnswer = 1;
  EXPECT_EQ(Write(catalog), 0);
  EXPECT_EQ(Output(), "%PDF-1.4\r\n%\xE2\xE3\xCF\xD3\r\n1 0 obj\r\n7\r\nendobj\r\n");
}

TEST_F(WriterTest, FullDiskIsReportedWithTheDestinationPath) {
  CPdfDictionary* catalog = AddCatalog(1);
  for (uint32_t i = 2; i < 5000; ++i) m_document.Table().Add({i, 0}, new CPdfText(kindString, "(padding bytes)", 15));
  FakeSystemFiles fake;
  fake.writeLimit = 70000;
  EXPECT_EQ(Write(catalog), 0);
  const auto errors = m_log.TextsOf(msgError);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "错误 2: 一般错误。在访问 " + m_dir.Path("out.pdf") + " 时磁盘已满。");
  EXPECT_EQ(Output().size(), 70000u);
}

TEST_F(WriterTest, FailingWriteIsReportedOnce) {
  CPdfDictionary* catalog = AddCatalog(1);
  FakeSystemFiles fake;
  fake.failWritesWith = ENOSPC;
  EXPECT_EQ(Write(catalog), 0);
  EXPECT_EQ(m_log.TextsOf(msgError).size(), 1u);
}

// A sparse file puts the writer near the end of what ten digits can say.
TEST_F(WriterTest, AnObjectAtOffsetTenToTheTenFailsInsteadOfBreakingTheTable) {
  constexpr uint64_t kLimit = 10'000'000'000;
  constexpr uint64_t kHeaderSize = 17;
  CPdfDictionary* catalog = AddCatalog(1);
  for (const uint64_t start : {kLimit - kHeaderSize - 1, kLimit - kHeaderSize}) {
    SCOPED_TRACE(start);
    m_log.messages.clear();
    CFile64 file;
    ASSERT_TRUE(file.Open(m_dir.Path("big.pdf").c_str(), 0x9011));
    file.Seek(static_cast<int64_t>(start), CFile64::begin);
    const int result = WriteDocument(m_document, "1.4", catalog, nullptr, file);
    file.Close();
    if (start < kLimit - kHeaderSize) {
      EXPECT_EQ(result, 1);
      EXPECT_TRUE(m_log.TextsOf(msgError).empty());
    } else {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(m_log.TextsOf(msgError),
                std::vector<std::string>{"错误 2: 一般错误。尝试一个不支持的操作。"});
    }
  }
}

TEST_F(WriterTest, OffsetsBeyondTenDigitsWidenTheLine) {
  std::vector<CXrefEntry> entries = {{0, 0, 0, 65535}, {1, 12345678901ull, 1, 0}};
  CFile64 file;
  ASSERT_TRUE(file.Open(m_dir.Path("x").c_str(), 0x9011));
  WriteXrefSubsection(entries, 0, 1, file);
  WriteXrefSubsection(entries, 1, 3, file);
  file.Close();
  EXPECT_EQ(ReadWholeFile(m_dir.Path("x")), "0 2\r\n0000000000 65535 f\r\n12345678901 00000 n\r\n");
}

TEST_F(WriterTest, AnOutputThatCannotBeEncryptedIsNotWritten) {
  // An AES-256 handler that read its dictionary but holds no file key (no
  // password opened it): the cipher refuses every encryption, as it would
  // after a failed RAND_bytes.
  CPdfDictionary* catalog = AddCatalog(1);
  const char secret[] = "(kept secret)";
  m_document.Table().Add({2, 0}, new CPdfText(kindString, secret, sizeof secret - 1));
  auto encryption = std::make_unique<CSourceEncryption>();
  CPdfDictionary handler;
  const auto name = [](const char* text) { return std::make_unique<CPdfText>(kindName, text, std::strlen(text)); };
  const auto hex = [](size_t bytes) {
    const std::string text = "<" + std::string(2 * bytes, 'A') + ">";
    return std::make_unique<CPdfText>(kindString, text.data(), text.size());
  };
  handler.SetAt("/Filter", name("/Standard"));
  handler.SetAt("/V", std::make_unique<CPdfInteger>(5));
  handler.SetAt("/R", std::make_unique<CPdfInteger>(6));
  handler.SetAt("/P", std::make_unique<CPdfInteger>(-4));
  handler.SetAt("/StmF", name("/StdCF"));
  handler.SetAt("/StrF", name("/StdCF"));
  auto filter = std::make_unique<CPdfDictionary>();
  filter->SetAt("/CFM", name("/AESV3"));
  auto filters = std::make_unique<CPdfDictionary>();
  filters->SetAt("/StdCF", std::move(filter));
  handler.SetAt("/CF", std::move(filters));
  handler.SetAt("/O", hex(48));
  handler.SetAt("/U", hex(48));
  handler.SetAt("/UE", hex(32));
  ASSERT_TRUE(encryption->security.Read(handler, {}));
  encryption->dictionary = std::make_unique<CPdfDictionary>();
  m_document.SetEncryption(std::move(encryption));
  EXPECT_EQ(Write(catalog), 0);
  EXPECT_EQ(m_log.TextsOf(msgError), std::vector<std::string>{"错误 2: 一般错误。不能加密目标文件。"});
  EXPECT_EQ(Output().find("kept secret"), std::string::npos);
}

}  // namespace
