// Every damaged file of the shared corpus, repaired through the public entry
// point: the output must be exactly the expected file, and the independent
// judges (qpdf, poppler) must find its structure sound. Thorough recovery is
// judged on the generated catalogue (CatalogueTest.cpp), which every clone
// makes for itself. Registered only where
// the shared corpus and its expected outputs are (tests/CMakeLists.txt). The few recorded
// outputs that predate true stream lengths and opened object streams are
// judged by the same judges and by the text of the clean source instead.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "Soundness.h"
#include "tesscore/tesscore.h"

namespace fs = std::filesystem;

namespace {

using e2e::ReadAll;

const fs::path kShared = TESSALY_SHARED_DIR;

// Recorded outputs made before the engine opened object streams, wrote
// true stream lengths, decrypted encrypted sources and cut /Kids loops in
// the default mode, and whether the repaired file holds the clean source's
// whole text.
struct StaleRecord {
  const char* reason;
  bool wholeText;
};
const std::map<std::string, StaleRecord> kStaleRecords = {
    {"d_gs_report__length_wrong.pdf", {"a /Length that does not match its stream", true}},
    {"d_py_shuffled__length_wrong.pdf", {"a /Length that does not match its stream", true}},
    {"d_py_shuffled__truncate_25.pdf", {"indirect /Length objects lost with the cut", false}},
    {"d_py_shuffled__truncate_75.pdf", {"indirect /Length objects lost with the cut", false}},
    {"d_py_objstm__clean.pdf", {"object streams", true}},
    {"d_py_objstm__header_missing.pdf", {"object streams", true}},
    {"d_py_objstm__truncate_25.pdf", {"object streams", false}},
    {"d_py_objstm__truncate_95.pdf", {"object streams", false}},
    {"qpdf-bad22.pdf", {"a stream without /Length", false}},
    {"qpdf-bad23.pdf", {"a /Length that is no integer", false}},
    {"qpdf-bad39.pdf", {"a /Length that does not match its stream", false}},
    {"qpdf-bad40.pdf", {"object streams", false}},
    {"qpdf-eof-terminates-literal.pdf", {"object streams", false}},
    {"qpdf-leading-junk.pdf", {"an encrypted source, now decrypted and encrypted again", true}},
    {"qpdf-pages-loop.pdf", {"a /Kids loop that left its page out of the tree, now cut", true}},
    {"qpdf-recover-xref-stream.pdf", {"object streams and a /Length that does not match", false}},
};

// The clean source a corpus file was made from, by its manifest.
fs::path CleanSourceOf(const fs::path& damaged) {
  std::ifstream manifest(kShared / "corpus" / "MANIFEST.tsv");
  for (std::string line; std::getline(manifest, line);) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos || line.substr(0, tab) != damaged.filename().string()) continue;
    const size_t next = line.find('\t', tab + 1);
    return kShared / "corpus" / "sources" / (line.substr(tab + 1, next - tab - 1) + ".pdf");
  }
  return {};
}

struct CorpusFile {
  fs::path source;
  fs::path expected;
};

void PrintTo(const CorpusFile& file, std::ostream* out) { *out << file.source.filename(); }

std::vector<CorpusFile> ListCorpus() {
  std::vector<CorpusFile> files;
  for (const auto& [folder, expected] : {std::pair{kShared / "corpus", kShared / "expected"},
                                         std::pair{kShared / "corpus" / "public", kShared / "expected" / "public"}}) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
      if (entry.path().extension() == ".pdf") files.push_back({entry.path(), expected / entry.path().filename()});
    }
  }
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.source < b.source; });
  return files;
}

class Corpus : public ::testing::TestWithParam<CorpusFile> {
 protected:
  static void SetUpTestSuite() {
    ::setenv("SOURCE_DATE_EPOCH", "1767225600", 1);
    ::setenv("TZ", "UTC", 1);
    ::tzset();
  }
  void SetUp() override {
    m_output = fs::temp_directory_path() / ("tessaly-e2e-" + std::to_string(::getpid()) + "-" +
                                            GetParam().source.filename().string());
  }
  void TearDown() override { fs::remove(m_output); }

  fs::path m_output;
};

TEST_P(Corpus, RepairsToTheExpectedBytesAndSatisfiesTheJudges) {
  const CorpusFile& file = GetParam();
  const std::string source = file.source.string();
  const std::string destination = m_output.string();
  EngineCallRecord record{source.c_str(), 0, 4u << 16, destination.c_str(), nullptr, nullptr};
  const int result = RepairPdfFile(&record);

  ASSERT_TRUE(fs::exists(file.expected)) << file.expected;
  const std::string expected = ReadAll(file.expected);
  const std::string output = ReadAll(m_output);
  EXPECT_EQ(result, expected.empty() ? 0 : 1);
  if (output != expected) {
    const auto stale = kStaleRecords.find(file.source.filename().string());
    ASSERT_TRUE(stale != kStaleRecords.end()) << "output differs from " << file.expected << " ("
                                              << output.size() << " vs " << expected.size() << " bytes)";
    if (stale->second.wholeText) {
      // A file of the public suite has no clean source: its own text, where
      // a reader gets it, is the one to keep.
      const fs::path clean = CleanSourceOf(file.source);
      EXPECT_EQ(judges::Text(m_output), judges::Text(clean.empty() ? file.source : clean)) << stale->second.reason;
    }
  }
  // Batched messages change the messages, never the bytes.
  record.versionOption |= TESSCORE_OPTION_BATCHED_MESSAGES;
  EXPECT_EQ(RepairPdfFile(&record), result);
  EXPECT_EQ(ReadAll(m_output), output) << "with batched messages";
  if (result == 0) return;
  e2e::ExpectSoundStructure(m_output);
}

std::string TestName(const ::testing::TestParamInfo<CorpusFile>& info) {
  std::string name = info.param.source.parent_path().filename().string() + "_" + info.param.source.stem().string();
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(SharedCorpus, Corpus, ::testing::ValuesIn(ListCorpus()), TestName);

}  // namespace
