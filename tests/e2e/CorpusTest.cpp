// Every damaged file of the shared corpus, repaired through the public entry
// point: the output must be exactly the expected file, and the independent
// judges (qpdf, poppler) must find its structure sound.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tesscore/tesscore.h"

namespace fs = std::filesystem;

namespace {

const fs::path kShared = TESSALY_SHARED_DIR;

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

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Runs a command and answers its output (both streams) and exit status.
std::pair<std::string, int> RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return {"", -1};
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
  const int status = ::pclose(pipe);
  return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// The /Count of the page-tree root that the catalog names, or -1.
int RootCount(const std::string& pdf) {
  std::smatch match;
  const auto objectText = [&](const std::string& number) {
    const size_t start = pdf.find("\r\n" + number + " 0 obj\r\n");
    return start == std::string::npos ? std::string() : pdf.substr(start, pdf.find("endobj", start) - start);
  };
  if (!std::regex_search(pdf, match, std::regex("trailer\r\n[^]*/Root\t(\\d+) 0 R"))) return -1;
  const std::string catalog = objectText(match[1]);
  if (!std::regex_search(catalog, match, std::regex("/Pages\t(\\d+) 0 R"))) return -1;
  const std::string root = objectText(match[1]);
  if (!std::regex_search(root, match, std::regex("/Count\t(\\d+)"))) return -1;
  return std::stoi(match[1]);
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
  ASSERT_TRUE(output == expected) << "output differs from " << file.expected << " (" << output.size() << " vs "
                                  << expected.size() << " bytes)";
  if (result == 0) return;

  // Stream contents and lengths are carried over from the source as they
  // were; the structure around them must be sound.
  auto [check, status] = RunCommand("qpdf --check " + Quoted(m_output));
  EXPECT_NE(status, -1);
  // The file's own name must not count as a finding.
  for (size_t at; (at = check.find(destination)) != std::string::npos;) check.replace(at, destination.size(), "FILE");
  const std::regex structural("(WARNING|ERROR).*(xref|trailer|reconstruct|damaged|expected n n obj|unexpected EOF)",
                              std::regex::icase);
  EXPECT_FALSE(std::regex_search(check, structural)) << check;

  const int pages = RootCount(output);
  ASSERT_GE(pages, 0) << "no page-tree root found";
  if (pages >= 1) {
    const auto [info, infoStatus] = RunCommand("pdfinfo " + Quoted(m_output));
    EXPECT_NE(info.find("Pages:           " + std::to_string(pages) + "\n"), std::string::npos) << info;
  }
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
