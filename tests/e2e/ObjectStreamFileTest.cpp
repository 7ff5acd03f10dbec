// PDF 1.5 files whose pages live in object streams, as qpdf writes them from
// the clean sources of the damage kit's catalogue: intact, without their
// cross-reference stream, and with it damaged. Every page comes back with
// its text.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "E2eSupport.h"
#include "tesscore/tesscore.h"

namespace fs = std::filesystem;

namespace {

using e2e::Quoted;
using e2e::ReadAll;
using e2e::WriteAll;

const fs::path kSources = fs::path(TESSALY_CATALOGUE) / "sources";

// Where the cross-reference stream's object lies: from its header to the
// end of its "endobj".
std::pair<size_t, size_t> XrefStreamObject(const std::string& pdf) {
  const size_t type = pdf.rfind("/Type /XRef");
  if (type == std::string::npos) return {0, 0};
  size_t begin = pdf.rfind(" 0 obj", type);
  while (begin > 0 && pdf[begin - 1] >= '0' && pdf[begin - 1] <= '9') --begin;
  const size_t end = pdf.find("endobj", type) + 6;
  return {begin, end};
}

class ObjectStreamFile : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() / ("tessaly-objstm-" + std::to_string(::getpid()));
    fs::create_directories(m_dir);
    m_source = kSources / GetParam();
    m_packed = m_dir / "packed.pdf";
    judges::Qpdf("--object-streams=generate " + Quoted(m_source) + " " + Quoted(m_packed));
    ASSERT_NE(ReadAll(m_packed).find("/ObjStm"), std::string::npos) << "qpdf made no object stream";
  }
  void TearDown() override { fs::remove_all(m_dir); }

  // Repairs the bytes and compares pages and text with the clean source.
  void ExpectWholeDocument(const std::string& bytes, const char* variant) {
    const fs::path damaged = m_dir / "damaged.pdf";
    const fs::path repaired = m_dir / "repaired.pdf";
    WriteAll(damaged, bytes);
    fs::remove(repaired);
    const std::string source = damaged.string();
    const std::string destination = repaired.string();
    EngineCallRecord record{source.c_str(), 0, 4u << 16, destination.c_str(), nullptr, nullptr};
    EXPECT_EQ(RepairPdfFile(&record), 1) << variant;
    EXPECT_EQ(judges::Pages(repaired), judges::Pages(m_source)) << variant;
    EXPECT_EQ(judges::Text(repaired), judges::Text(m_source)) << variant;
    EXPECT_EQ(judges::QpdfCheck(repaired).status, 0) << variant;
  }

  fs::path m_dir;
  fs::path m_source;
  fs::path m_packed;
};

TEST_P(ObjectStreamFile, EveryPageComesBackWithItsText) {
  const std::string packed = ReadAll(m_packed);
  ExpectWholeDocument(packed, "intact");

  const auto [begin, end] = XrefStreamObject(packed);
  ASSERT_LT(begin, end);
  ExpectWholeDocument(packed.substr(0, begin) + packed.substr(end), "cross-reference stream deleted");

  std::string damaged = packed;
  for (size_t at = packed.find("stream", packed.find(">>", begin)) + 7; at + 9 < end; ++at) damaged[at] = '\0';
  damaged.replace(damaged.rfind("startxref") + 10, 2, "99");
  ExpectWholeDocument(damaged, "cross-reference stream zeroed, startxref wrong");
}

INSTANTIATE_TEST_SUITE_P(CleanSources, ObjectStreamFile,
                         ::testing::Values("h_lf_plain.pdf", "gs_text8.pdf", "groff_short.pdf",
                                           "h_crlf_flate_nested.pdf"));

}  // namespace
