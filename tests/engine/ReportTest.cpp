// The report of TESSCORE_OPTION_REPORT: sent once, just before the final
// progress, only with its bit and only for a source that was opened; its
// facts on small sources made here.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "PdfWithXref.h"
#include "tesscore/tesscore.h"

namespace {

constexpr uint32_t kReport = (4u << 16) | TESSCORE_OPTION_REPORT;

std::string WithXref(const std::vector<std::string>& objects) { return PdfWithXref(objects); }

const std::vector<std::string> kTwoPages = {
    "<< /Type /Catalog /Pages 2 0 R >>",
    "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 5 0 R >>",
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 5 0 R >>",
    "<< /Length 8 >>\nstream\n0 0 m S\n\nendstream",
};

struct Report {
  std::vector<std::string> keys;
  std::map<std::string, std::string> facts;
  std::vector<std::string> losses;
};

Report Parse(const std::string& text) {
  Report report;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const std::string line = text.substr(start, end - start);
    const size_t equals = line.find('=');
    if (equals != std::string::npos && line.compare(0, equals, "loss") == 0) {
      report.losses.push_back(line.substr(equals + 1));
    } else if (equals != std::string::npos) {
      report.keys.push_back(line.substr(0, equals));
      report.facts[line.substr(0, equals)] = line.substr(equals + 1);
    }
    start = end + 1;
  }
  return report;
}

// Repairs the bytes with the report (and the options) and answers it.
Report RepairWithReport(const std::string& bytes, uint32_t options = 0) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("in.pdf"), bytes);
  MessageLog log;
  EngineCallRecord record = log.Record(dir.Path("in.pdf"), dir.Path("out.pdf"), kReport | options);
  RepairPdfFile(&record);
  const std::vector<std::string> reports = log.TextsOf(msgReport);
  EXPECT_EQ(reports.size(), 1u);
  return reports.empty() ? Report{} : Parse(reports.front());
}

TEST(RepairReport, ComesOnlyWithItsBitAndJustBeforeTheLastProgress) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("in.pdf"), WithXref(kTwoPages));
  MessageLog plain;
  EngineCallRecord record = plain.Record(dir.Path("in.pdf"), dir.Path("out.pdf"));
  ASSERT_EQ(RepairPdfFile(&record), 1);
  EXPECT_TRUE(plain.TextsOf(msgReport).empty());

  MessageLog reported;
  record = reported.Record(dir.Path("in.pdf"), dir.Path("out2.pdf"), kReport);
  ASSERT_EQ(RepairPdfFile(&record), 1);
  ASSERT_EQ(reported.TextsOf(msgReport).size(), 1u);
  const auto& messages = reported.messages;
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages.back().code, msgProgress);
  EXPECT_EQ(messages.back().text, "100");
  EXPECT_EQ(messages[messages.size() - 2].code, msgReport);
  // The same file either way.
  EXPECT_EQ(ReadWholeFile(dir.Path("out.pdf")), ReadWholeFile(dir.Path("out2.pdf")));
}

TEST(RepairReport, KeysComeInTheirOrder) {
  const Report report = RepairWithReport(WithXref(kTwoPages));
  const std::vector<std::string> keys = {
      "damaged",        "pages",          "pages_claimed",   "pages_content_lost", "pages_fonts_lost",
      "objects_found",  "objects_written", "objects_dropped", "missing_objects", "missing_object_numbers", "streams_mended",
      "streams_cut",    "content_rewritten", "fonts_replaced", "encryption",        "outline_items",
      "page_labels",    "form_fields",    "named_destinations"};
  EXPECT_EQ(report.keys, keys);
  EXPECT_EQ(report.facts.at("damaged"), "false");
  EXPECT_EQ(report.facts.at("pages"), "2");
  EXPECT_EQ(report.facts.at("pages_claimed"), "2");
  EXPECT_EQ(report.facts.at("objects_found"), "5");
  EXPECT_EQ(report.facts.at("encryption"), "none");
  EXPECT_TRUE(report.losses.empty());
}

TEST(RepairReport, NotSentForASourceThatDidNotOpen) {
  ScratchDir dir;
  MessageLog log;
  EngineCallRecord record = log.Record(dir.Path("missing.pdf"), dir.Path("out.pdf"), kReport);
  EXPECT_EQ(RepairPdfFile(&record), 0);
  EXPECT_TRUE(log.TextsOf(msgReport).empty());
}

TEST(RepairReport, SentWhenTheRepairFailsAfterTheOpen) {
  const Report report = RepairWithReport("not a PDF at all");
  EXPECT_EQ(report.facts.at("pages"), "0");
  EXPECT_EQ(report.facts.at("pages_claimed"), "null");
  EXPECT_EQ(report.facts.at("damaged"), "true");
}

TEST(RepairReport, ShiftedOffsetsAndABrokenCountAreDamage) {
  std::string shifted = WithXref(kTwoPages);
  shifted.insert(shifted.find("3 0 obj"), "junk\n");
  EXPECT_EQ(RepairWithReport(shifted).facts.at("damaged"), "true");

  std::vector<std::string> objects = kTwoPages;
  objects[1] = "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 5 >>";
  const Report report = RepairWithReport(WithXref(objects), TESSCORE_OPTION_THOROUGH);
  EXPECT_EQ(report.facts.at("damaged"), "true");
  EXPECT_EQ(report.facts.at("pages_claimed"), "5");
  EXPECT_EQ(report.losses, std::vector<std::string>{"文档页数少于原来的 5 页"});
}

TEST(RepairReport, ContentThatBreaksTheTokenRulesIsDamage) {
  const auto withContent = [](const std::string& content) {
    std::vector<std::string> objects = kTwoPages;
    objects[4] = "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream";
    return WithXref(objects);
  };
  EXPECT_EQ(RepairWithReport(withContent("BT (a) Tj) ET")).facts.at("damaged"), "true");
  // Inline image data may hold any byte.
  EXPECT_EQ(RepairWithReport(withContent("BI /W 1 ID \x29\x3e EI (b) Tj")).facts.at("damaged"), "false");
}

TEST(RepairReport, LostContentIsAMissingObject) {
  std::vector<std::string> objects = kTwoPages;
  objects[3] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 99 0 R >>";
  const Report report = RepairWithReport(WithXref(objects));
  EXPECT_EQ(report.facts.at("pages_content_lost"), "1");
  EXPECT_EQ(report.facts.at("missing_objects"), "1");
  EXPECT_EQ(report.facts.at("missing_object_numbers"), "99");
  EXPECT_EQ(report.losses, (std::vector<std::string>{"1 个页面的内容丢失", "1 个对象丢失"}));
}

// Items that link back to each other are each counted once, and the walk ends.
TEST(RepairReport, OutlineLoopsAndFeaturesAreCountedOnce) {
  std::vector<std::string> objects = kTwoPages;
  objects[0] =
      "<< /Type /Catalog /Pages 2 0 R /Outlines 6 0 R /PageLabels << /Nums [0 << /S /D >> 1 << /S /r >>] >>"
      " /Dests << /a [3 0 R /Fit] >> /Names << /Dests << /Kids [10 0 R 10 0 R] >> >>"
      " /AcroForm << /Fields [11 0 R] >> >>";
  objects.push_back("<< /First 7 0 R /Last 8 0 R >>");
  objects.push_back("<< /Title (one) /Next 8 0 R /First 9 0 R >>");
  objects.push_back("<< /Title (two) /Next 7 0 R >>");
  objects.push_back("<< /Title (nested) /Next 9 0 R /First 7 0 R >>");
  objects.push_back("<< /Names [(b) [4 0 R /Fit] (c) [3 0 R /Fit]] /Kids [10 0 R] >>");
  objects.push_back("<< /T (group) /Kids [12 0 R 13 0 R] >>");
  objects.push_back("<< /T (name) /FT /Tx /Parent 11 0 R >>");
  objects.push_back("<< /Subtype /Widget /Parent 11 0 R /Rect [0 0 1 1] >>");
  const Report report = RepairWithReport(WithXref(objects));
  EXPECT_EQ(report.facts.at("outline_items"), "3");
  EXPECT_EQ(report.facts.at("page_labels"), "2");
  EXPECT_EQ(report.facts.at("named_destinations"), "3");
  EXPECT_EQ(report.facts.at("form_fields"), "2");
}

// Streams: a line end other than LF or CR LF after "stream", or a /Filter
// that is neither a name nor an array, is damage; a file cut off before its
// "%%EOF" loses what followed, and says so.
TEST(RepairReport, MalformedStreamsAndACutEndAreDamage) {
  const auto withStream = [](const std::string& dictionary, const std::string& keyword) {
    std::vector<std::string> objects = kTwoPages;
    objects[3] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 5 0 R >>";
    objects.push_back("<< /Length 10" + dictionary + " >>\n" + keyword + "BT (a) Tj\nendstream");
    return WithXref(objects);
  };
  EXPECT_EQ(RepairWithReport(withStream("", "stream\r\n")).facts.at("damaged"), "false");
  EXPECT_EQ(RepairWithReport(withStream("", "stream\r")).facts.at("damaged"), "true");
  EXPECT_EQ(RepairWithReport(withStream("", "stream \n")).facts.at("damaged"), "true");
  EXPECT_EQ(RepairWithReport(withStream(" /Filter 7", "stream\n")).facts.at("damaged"), "true");
  const std::string whole = WithXref(kTwoPages);
  const Report cut = RepairWithReport(whole.substr(0, whole.find("xref")), TESSCORE_OPTION_THOROUGH);
  EXPECT_EQ(cut.facts.at("damaged"), "true");
  EXPECT_EQ(cut.losses, (std::vector<std::string>{"来源文件不完整，截断处之后的内容丢失"}));
}

}  // namespace
