// The catalogue of damaged files that the damage kit makes from its own
// sources (bench/damage_kit.py, run by the catalogue.make fixture), one test
// per kind of damage and mode, every file of the kind repaired through the
// public entry point and judged by qpdf and poppler: a sound structure
// always; the clean source's every page, text and drawing where the kind of
// damage loses nothing in that mode; never fewer pages recovered in thorough
// mode than in the default mode.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "Soundness.h"
#include "tesscore/tesscore.h"

namespace fs = std::filesystem;

namespace {

const fs::path kCatalogue = TESSALY_CATALOGUE;

// The modes in which every page of the clean source comes back.
enum class Whole { never, inThorough, always };

struct Kind {
  const char* name;
  Whole whole;
};

// Every kind the kit makes (bench/kit/kinds.py).
constexpr Kind kKinds[] = {
    {"clean", Whole::always},
    {"paren_between", Whole::inThorough},
    {"paren_before_first", Whole::inThorough},
    {"garbage_binary", Whole::inThorough},
    {"garbage_text", Whole::always},
    {"garbage_after_last", Whole::always},
    {"fragment_between", Whole::inThorough},
    {"endobj_removed", Whole::inThorough},
    {"endstream_removed", Whole::inThorough},
    {"glued_num_endobj", Whole::always},
    {"glued_endstream_endobj", Whole::always},
    {"glued_dict_stream", Whole::always},
    {"double_dict_open", Whole::inThorough},
    {"pages_listed_twice", Whole::inThorough},
    {"page_type_lost", Whole::inThorough},
    {"superseded_generation", Whole::inThorough},
    {"superseded_xref_zeroed", Whole::inThorough},
    {"truncate_25", Whole::never},
    {"truncate_50", Whole::never},
    {"truncate_75", Whole::never},
    {"truncate_95", Whole::never},
    {"zero_sector", Whole::never},
    {"content_byteflips", Whole::never},
    {"xref_deleted", Whole::always},
    {"trailer_deleted", Whole::always},
    {"catalog_deleted", Whole::always},
    {"pages_root_deleted", Whole::never},
    {"catalog_destroyed", Whole::always},
    {"catalog_keys_lost", Whole::always},
    {"form_fields_lost", Whole::always},
    {"kids_list_page_twice", Whole::always},
    {"length_wrong", Whole::always},
    {"length_missing", Whole::always},
    {"objstm_xref_deleted", Whole::always},
    {"objstm_flipped", Whole::never},
    {"objstm_truncated", Whole::never},
    {"content_unended_string", Whole::inThorough},
    {"content_unbalanced", Whole::inThorough},
    {"content_operands", Whole::inThorough},
    {"content_unknown_operator", Whole::inThorough},
    {"content_garbage", Whole::inThorough},
    {"content_show_array", Whole::inThorough},
};

// One line of the kit's MANIFEST.tsv.
struct Entry {
  std::string file, kind, source, reference, detail;
};

std::vector<Entry> Manifest() {
  std::vector<Entry> entries;
  std::ifstream manifest(kCatalogue / "MANIFEST.tsv");
  std::string line;
  std::getline(manifest, line);  // the column names
  while (std::getline(manifest, line)) {
    std::vector<std::string> fields(1);
    for (char c : line) {
      if (c == '\t') {
        fields.emplace_back();
      } else {
        fields.back() += c;
      }
    }
    if (fields.size() == 5) entries.push_back({fields[0], fields[1], fields[2], fields[3], fields[4]});
  }
  return entries;
}

// Reference pages that come back at their place with their text.
int Recovered(const std::vector<std::string>& reference, const std::vector<std::string>& output) {
  int pages = 0;
  for (size_t i = 0; i < std::min(reference.size(), output.size()); ++i) {
    pages += !reference[i].empty() && reference[i] == output[i];
  }
  return pages;
}

void PrintTo(const Kind& kind, std::ostream* out) { *out << kind.name; }

class Catalogue : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    m_output = fs::temp_directory_path() /
               ("tessaly-catalogue-" + std::to_string(::getpid()) + "-" + GetParam().name + ".pdf");
    for (const Entry& entry : Manifest()) {
      if (entry.kind == GetParam().name) m_entries.push_back(entry);
    }
    ASSERT_FALSE(m_entries.empty()) << "no file of this kind in " << kCatalogue / "MANIFEST.tsv";
  }
  void TearDown() override { fs::remove(m_output); }

  // Repairs one file into m_output and answers the repaired pages' texts
  // (none when nothing was written or no page).
  std::vector<std::string> Repair(const Entry& entry, bool thorough, bool judged) {
    const std::string source = (kCatalogue / "damaged" / entry.file).string();
    const std::string destination = m_output.string();
    fs::remove(m_output);
    EngineCallRecord record{source.c_str(), 0, (4u << 16) | (thorough ? TESSCORE_OPTION_THOROUGH : 0u),
                            destination.c_str(), nullptr, nullptr};
    const int result = RepairPdfFile(&record);
    EXPECT_TRUE(result == 0 || result == 1) << result;
    m_result = result;
    if (result != 1) return {};
    EXPECT_GT(fs::file_size(m_output), 0u);
    if (judged) e2e::ExpectSoundStructure(m_output);
    // Poppler opens no file without pages.
    if (e2e::RootCount(e2e::ReadAll(m_output)) < 1) return {};
    return judges::PageTexts(m_output);
  }

  void RepairEveryFile(bool thorough) {
    const Kind& kind = GetParam();
    const bool whole = kind.whole == Whole::always || (thorough && kind.whole == Whole::inThorough);
    int recovered = 0;
    for (const Entry& entry : m_entries) {
      SCOPED_TRACE(entry.file + ": " + entry.detail);
      const fs::path reference = kCatalogue / entry.reference;
      const std::vector<std::string> pages = judges::PageTexts(reference);
      ASSERT_TRUE(std::any_of(pages.begin(), pages.end(), [](const std::string& page) { return !page.empty(); }))
          << "no text in " << reference;
      const int standard = thorough ? Recovered(pages, Repair(entry, false, false)) : 0;
      const int standardResult = m_result;
      const std::vector<std::string> repaired = Repair(entry, thorough, true);
      recovered += Recovered(pages, repaired);
      if (whole) {
        EXPECT_EQ(repaired, pages) << "not every page came back with its text";
        // Drawn alike too (judged once, with the mode that recovers most).
        if (thorough && repaired == pages) {
          EXPECT_TRUE(judges::Rendering(m_output) == judges::Rendering(reference)) << "drawn differently";
        }
      }
      // Thorough recovery writes whatever the default repair writes, and no
      // fewer of the source's pages (its tree may be shorter: it lists each
      // page once, and only the newest generation).
      if (thorough) {
        EXPECT_GE(Recovered(pages, repaired), standard) << "thorough recovery lost pages";
        EXPECT_GE(m_result, standardResult) << "thorough recovery failed where the default repair did not";
      }
    }
    EXPECT_GT(recovered, 0) << "no page of any file came back";
  }

  fs::path m_output;
  std::vector<Entry> m_entries;
  int m_result = 0;  // of the last repair
};

TEST_P(Catalogue, DefaultRepair) { RepairEveryFile(false); }

TEST_P(Catalogue, ThoroughRepair) { RepairEveryFile(true); }

INSTANTIATE_TEST_SUITE_P(Kinds, Catalogue, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<Kind>& info) { return std::string(info.param.name); });

// The kinds above are the kinds the kit makes, every one of them.
TEST(CatalogueManifest, HoldsEveryKindAndOnlyThose) {
  std::set<std::string> made;
  for (const Entry& entry : Manifest()) {
    made.insert(entry.kind);
    EXPECT_TRUE(fs::is_regular_file(kCatalogue / "damaged" / entry.file)) << entry.file;
    EXPECT_TRUE(fs::is_regular_file(kCatalogue / entry.reference)) << entry.reference;
  }
  std::set<std::string> listed;
  for (const Kind& kind : kKinds) listed.insert(kind.name);
  EXPECT_EQ(made, listed);
}

}  // namespace
