// The report's facts judged by qpdf and poppler: on every file of the
// damage kit's catalogue and its clean sources, on an outline and page
// labels that qpdf reads back, and on encrypted sources.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "tesscore/tesscore.h"

namespace fs = std::filesystem;

namespace {

const fs::path kCatalogue = TESSALY_CATALOGUE;
const std::string kQpdf = std::string(TESSALY_QPDF) + " ";

struct Outcome {
  int result = 0;
  std::map<std::string, std::string> facts;
  std::vector<std::string> losses;
};

int32_t Receive(int32_t code, void* data, void* userData) {
  if (code != msgReport) return 0;
  auto& outcome = *static_cast<Outcome*>(userData);
  EXPECT_TRUE(outcome.facts.empty()) << "a second report";
  std::string text = static_cast<const char*>(data);
  for (size_t start = 0; start <= text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const std::string line = text.substr(start, end - start);
    const size_t equals = line.find('=');
    if (equals != std::string::npos && line.substr(0, equals) == "loss") {
      outcome.losses.push_back(line.substr(equals + 1));
    } else if (equals != std::string::npos) {
      outcome.facts[line.substr(0, equals)] = line.substr(equals + 1);
    }
    start = end + 1;
  }
  return 0;
}

Outcome Repair(const fs::path& source, const fs::path& destination) {
  Outcome outcome;
  fs::remove(destination);
  const std::string in = source.string();
  const std::string out = destination.string();
  const EngineCallRecord record{in.c_str(), 0, (4u << 16) | TESSCORE_OPTION_THOROUGH | TESSCORE_OPTION_REPORT,
                                out.c_str(), Receive, &outcome};
  outcome.result = RepairPdfFile(&record);
  EXPECT_FALSE(outcome.facts.empty()) << "no report for " << source;
  return outcome;
}

// How often `needle` occurs in the top-level JSON array `key` of qpdf's
// --json answer.
int CountInJsonArray(const std::string& json, const std::string& key, const std::string& needle) {
  const size_t open = json.find("\n  \"" + key + "\": [");
  if (open == std::string::npos) return -1;
  size_t at = json.find('[', open);
  const size_t begin = at;
  bool inString = false;
  for (int depth = 0; at < json.size(); ++at) {
    const char c = json[at];
    if (inString) {
      if (c == '\\') ++at;
      if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      ++depth;
    } else if ((c == ']' || c == '}') && --depth == 0) {
      break;
    }
  }
  const std::string array = json.substr(begin, at - begin);
  int count = 0;
  for (size_t found = array.find(needle); found != std::string::npos; found = array.find(needle, found + 1)) ++count;
  return count;
}

// Each fact the judges can tell, on a written output.
void ExpectJudgesAgree(const Outcome& outcome, const fs::path& output) {
  EXPECT_EQ(outcome.facts.at("pages"), std::to_string(judges::Pages(output)));
  const std::string json = judges::Run(kQpdf + "--json " + e2e::Quoted(output) + " 2>/dev/null").output;
  EXPECT_EQ(outcome.facts.at("outline_items"), std::to_string(CountInJsonArray(json, "outlines", "\"title\":")));
  EXPECT_EQ(outcome.facts.at("page_labels"), std::to_string(CountInJsonArray(json, "pagelabels", "\"index\":")));
  const std::string encryption = judges::Qpdf("--show-encryption " + e2e::Quoted(output)).output;
  EXPECT_EQ(outcome.facts.at("encryption"), encryption.find("File is not encrypted") != std::string::npos ? "none" : "kept");
  const std::string claimed = outcome.facts.at("pages_claimed");
  if (claimed != "null" && std::stoll(outcome.facts.at("pages")) < std::stoll(claimed)) {
    EXPECT_FALSE(outcome.losses.empty()) << "fewer pages than claimed and no loss";
  }
}

class ReportFacts : public ::testing::Test {
 protected:
  void TearDown() override { fs::remove_all(m_dir); }
  fs::path Path(const std::string& name) {
    fs::create_directories(m_dir);
    return m_dir / name;
  }
  fs::path m_dir = fs::temp_directory_path() / ("tessaly-report-" + std::to_string(::getpid()));
};

TEST_F(ReportFacts, CatalogueAgreesWithTheJudges) {
  std::ifstream manifest(kCatalogue / "MANIFEST.tsv");
  std::string line;
  std::getline(manifest, line);
  int files = 0;
  while (std::getline(manifest, line)) {
    const std::string file = line.substr(0, line.find('\t'));
    const std::string kind = line.substr(file.size() + 1, line.find('\t', file.size() + 1) - file.size() - 1);
    const size_t referenceAt = line.find('\t', line.find('\t', file.size() + 1) + 1) + 1;
    const std::string reference = line.substr(referenceAt, line.find('\t', referenceAt) - referenceAt);
    SCOPED_TRACE(file);
    const Outcome outcome = Repair(kCatalogue / "damaged" / file, Path("out.pdf"));
    if (outcome.facts.empty()) continue;
    ++files;
    if (kind == "clean") {
      EXPECT_EQ(outcome.facts.at("damaged"), "false");
    }
    if (kind == "xref_deleted" || kind == "objstm_xref_deleted") {
      EXPECT_EQ(outcome.facts.at("damaged"), "true");
    }
    if (outcome.result == 1) ExpectJudgesAgree(outcome, Path("out.pdf"));
    // Fewer pages than the clean source had is a loss, claimed or not.
    if (outcome.result == 1 && std::stoll(outcome.facts.at("pages")) < judges::Pages(kCatalogue / reference)) {
      EXPECT_FALSE(outcome.losses.empty()) << "fewer pages than the clean source and no loss";
    }
  }
  EXPECT_GT(files, 100);
}

TEST_F(ReportFacts, CleanSourcesAreNotDamaged) {
  for (const auto& entry : fs::directory_iterator(kCatalogue / "sources")) {
    SCOPED_TRACE(entry.path().string());
    const Outcome outcome = Repair(entry.path(), Path("out.pdf"));
    EXPECT_EQ(outcome.facts.at("damaged"), "false");
    EXPECT_TRUE(outcome.losses.empty());
  }
}

// Nested outline items and page labels, in a file without its
// cross-reference table: what comes back is what qpdf reads.
TEST_F(ReportFacts, OutlineAndPageLabelsAsQpdfReadsThem) {
  std::string pdf = "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R /Outlines 5 0 R"
                    " /PageLabels << /Nums [0 << /S /r >> 1 << /S /D /St 5 >>] >> >> endobj\n"
                    "2 0 obj << /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >> endobj\n";
  for (int page = 3; page <= 4; ++page) {
    pdf += std::to_string(page) + " 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >> endobj\n";
  }
  pdf += "5 0 obj << /First 6 0 R /Last 7 0 R /Count 3 >> endobj\n"
         "6 0 obj << /Title (one) /Parent 5 0 R /Next 7 0 R /First 8 0 R /Last 8 0 R /Dest [3 0 R /Fit] >> endobj\n"
         "7 0 obj << /Title (two) /Parent 5 0 R /Prev 6 0 R /Dest [4 0 R /Fit] >> endobj\n"
         "8 0 obj << /Title (inner) /Parent 6 0 R /Dest [4 0 R /Fit] >> endobj\n"
         "trailer << /Root 1 0 R >>\n%%EOF\n";
  e2e::WriteAll(Path("outline.pdf"), pdf);
  const Outcome outcome = Repair(Path("outline.pdf"), Path("out.pdf"));
  ASSERT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.facts.at("damaged"), "true");
  EXPECT_EQ(outcome.facts.at("outline_items"), "3");
  EXPECT_EQ(outcome.facts.at("page_labels"), "2");
  ExpectJudgesAgree(outcome, Path("out.pdf"));
}

// The source with an outline, labels, destinations and a form keeps them
// through every damage that cuts its catalog or its cross-reference table
// away, as qpdf reads them in the output and the clean source alike, and
// its pages render without a complaint.
TEST_F(ReportFacts, AFeatureRichSourceKeepsItsFeaturesWhenTheCatalogIsLost) {
  const std::string clean = judges::Run(kQpdf + "--json " + e2e::Quoted(kCatalogue / "sources" / "h_features.pdf")).output;
  const int outline = CountInJsonArray(clean, "outlines", "\"title\":");
  const int labels = CountInJsonArray(clean, "pagelabels", "\"index\":");
  ASSERT_EQ(outline, 5);
  ASSERT_EQ(labels, 3);
  for (const char* kind : {"clean", "catalog_deleted", "xref_deleted", "trailer_deleted", "garbage_text"}) {
    const fs::path source = kCatalogue / "damaged" / (std::string("h_features__") + kind + ".pdf");
    SCOPED_TRACE(source.string());
    const Outcome outcome = Repair(source, Path("out.pdf"));
    ASSERT_EQ(outcome.result, 1);
    const std::string json = judges::Run(kQpdf + "--json " + e2e::Quoted(Path("out.pdf"))).output;
    EXPECT_EQ(CountInJsonArray(json, "outlines", "\"title\":"), outline);
    EXPECT_EQ(CountInJsonArray(json, "pagelabels", "\"index\":"), labels);
    EXPECT_EQ(outcome.facts.at("named_destinations"), "3");
    EXPECT_EQ(outcome.facts.at("form_fields"), "2");
    const std::string rendered = judges::Run(std::string(TESSALY_PDFTOPPM) + " -r 10 -png " +
                                             e2e::Quoted(Path("out.pdf")) + " " + e2e::Quoted(Path("page")) + " 2>&1").output;
    EXPECT_EQ(rendered, "");
  }
}

TEST_F(ReportFacts, EncryptionKeptOrNotOpened) {
  const fs::path clean = kCatalogue / "sources" / "h_lf_plain.pdf";
  judges::Qpdf("--encrypt '' owner 256 -- " + e2e::Quoted(clean) + " " + e2e::Quoted(Path("open.pdf")));
  const Outcome opened = Repair(Path("open.pdf"), Path("out.pdf"));
  ASSERT_EQ(opened.result, 1);
  EXPECT_EQ(opened.facts.at("encryption"), "kept");
  EXPECT_EQ(opened.facts.at("damaged"), "false");
  ExpectJudgesAgree(opened, Path("out.pdf"));

  judges::Qpdf("--encrypt user owner 256 -- " + e2e::Quoted(clean) + " " + e2e::Quoted(Path("sealed.pdf")));
  const Outcome sealed = Repair(Path("sealed.pdf"), Path("out.pdf"));
  EXPECT_EQ(sealed.result, 0);
  EXPECT_EQ(sealed.facts.at("encryption"), "not-opened");
  EXPECT_EQ(sealed.facts.at("pages"), "0");
  EXPECT_FALSE(sealed.losses.empty());
}

}  // namespace
