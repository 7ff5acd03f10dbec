// Thorough recovery of what a catalog points to besides its pages, and of
// pages that the source's tree lists twice: qpdf --json and pdfinfo judge
// what readers find in the output.
#include <gtest/gtest.h>

#include <string>

#include "EngineTestSupport.h"
#include "Judges.h"
#include "PdfWithXref.h"

namespace {

struct Outcome {
  int result;
  std::string output;  // line ends as LF, tabs as spaces, for reading
  std::string json;    // qpdf --json's outlines, page labels and form, of thorough output
  int pages;           // pdfinfo's count of the output
  int sourcePages;     // pdfinfo's count of the source, when it has a true xref
  int check;           // qpdf --check's status: 0 sound, 2 errors, 3 warnings
};

Outcome RepairFile(const std::string& file, bool thorough, bool sourceReadable) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("in.pdf"), file);
  MessageLog log;
  EngineCallRecord record =
      log.Record(dir.Path("in.pdf"), dir.Path("out.pdf"), (4u << 16) | (thorough ? TESSCORE_OPTION_THOROUGH : 0));
  Outcome outcome{RepairPdfFile(&record), "", "", -1, sourceReadable ? judges::Pages(dir.Path("in.pdf")) : -1, -1};
  for (char c : ReadWholeFile(dir.Path("out.pdf"))) {
    if (c != '\r') outcome.output += c == '\t' ? ' ' : c;
  }
  if (outcome.result == 1) {
    outcome.pages = judges::Pages(dir.Path("out.pdf"));
    // The default repair leaves the widgets without their form, which
    // qpdf's form view stops on: only thorough output is judged there.
    if (thorough) {
      outcome.json = judges::Qpdf("--json --json-key=outlines --json-key=pagelabels --json-key=acroform " +
                                judges::Quoted(dir.Path("out.pdf")))
                         .output;
    }
    outcome.check = judges::QpdfCheck(dir.Path("out.pdf")).status;
  }
  return outcome;
}

Outcome Repair(const std::string& body, bool thorough = true) { return RepairFile("%PDF-1.4\n" + body, thorough, false); }

size_t Occurrences(const std::string& text, const std::string& word) {
  size_t count = 0;
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++count;
  return count;
}

size_t OutlineItems(const Outcome& outcome) { return Occurrences(outcome.json, "\"title\":"); }
size_t LabelRanges(const Outcome& outcome) { return Occurrences(outcome.json, "\"index\":"); }
size_t FormFields(const Outcome& outcome) { return Occurrences(outcome.json, "\"fullname\":"); }

const std::string kTree = "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
                          "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >> endobj\n";
// The same page with the widgets of two fields.
const std::string kTreeWithWidgets =
    "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
    "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] /Annots [14 0 R 15 0 R] >> endobj\n";

std::string Catalog(const std::string& entries) {
  return "1 0 obj << /Type /Catalog /Pages 2 0 R " + entries + ">> endobj\n";
}

// An outline's root, its two items, and two fields without a parent.
const std::string kFeatures = "9 0 obj << /Type /Outlines /First 10 0 R /Last 11 0 R /Count 2 >> endobj\n"
                              "10 0 obj << /Title (one) /Parent 9 0 R /Next 11 0 R /Dest [3 0 R /Fit] >> endobj\n"
                              "11 0 obj << /Title (two) /Parent 9 0 R /Prev 10 0 R >> endobj\n"
                              "14 0 obj << /FT /Tx /T (a) /Subtype /Widget /Rect [0 0 5 5] /P 3 0 R >> endobj\n"
                              "15 0 obj << /FT /Tx /T (b) /Subtype /Widget /Rect [5 5 9 9] /P 3 0 R >> endobj\n";

TEST(DocumentAttach, ASurvivingCatalogGetsWhatItLacksAndKeepsWhatItHas) {
  // The catalog keeps its own labels (lower-case roman); the other label
  // tree, held by nobody, is not taken in their place.
  const std::string body = Catalog("/PageLabels 12 0 R ") + kTreeWithWidgets + kFeatures +
                           "12 0 obj << /Nums [0 << /S /r >>] >> endobj\n"
                           "13 0 obj << /Nums [0 << /S /D >>] >> endobj\n"
                           "16 0 obj << /Fields [14 0 R 15 0 R] >> endobj\n";
  const Outcome outcome = Repair(body);
  ASSERT_EQ(outcome.pages, 1);
  EXPECT_EQ(outcome.check, 0);
  EXPECT_EQ(OutlineItems(outcome), 2u) << outcome.json;
  EXPECT_EQ(LabelRanges(outcome), 1u) << outcome.json;
  EXPECT_NE(outcome.json.find("\"/S\": \"/r\""), std::string::npos) << outcome.json;
  EXPECT_EQ(FormFields(outcome), 2u) << outcome.json;
  // A catalog's key whose object is gone is no key.
  EXPECT_EQ(OutlineItems(Repair(Catalog("/Outlines 40 0 R ") + kTreeWithWidgets + kFeatures)), 2u);
  const Outcome classic = Repair(body, false);
  EXPECT_EQ(classic.output.find("/Outlines 9 0 R"), std::string::npos);
  EXPECT_EQ(classic.output.find("/Outlines"), classic.output.rfind("/Outlines")) << "only the root's /Type";
  EXPECT_EQ(classic.output.find("/AcroForm"), std::string::npos);
}

TEST(DocumentAttach, AFormWithoutFieldsGetsItsTopLevelFieldsOrAnEmptyArray) {
  const std::string form = "16 0 obj << /NeedAppearances true >> endobj\n";
  const Outcome outcome = Repair(Catalog("/AcroForm 16 0 R ") + kTreeWithWidgets + kFeatures + form);
  EXPECT_EQ(outcome.check, 0);
  EXPECT_EQ(FormFields(outcome), 2u) << outcome.json;
  const Outcome empty = Repair(Catalog("/AcroForm << /NeedAppearances true >> ") + kTree);
  EXPECT_EQ(empty.check, 0);
  EXPECT_NE(empty.output.find("/Fields [\n]"), std::string::npos) << empty.output;
  // A field that has a parent is not a top-level one.
  const Outcome kid = Repair(Catalog("/AcroForm 16 0 R ") + kTree + form +
                             "14 0 obj << /FT /Tx /T (a) /Parent 15 0 R >> endobj\n"
                             "15 0 obj << /T (group) /Kids [14 0 R] >> endobj\n");
  EXPECT_EQ(Occurrences(kid.output, "/Fields [\n]"), 1u) << kid.output;
}

TEST(DocumentAttach, OutlineChainsWithCyclesOrGreatLengthEnd) {
  // The root is lost; the top chain runs back to its head, a child chain
  // names itself as its next.
  const std::string cyclic = Catalog("") + kTree +
                             "10 0 obj << /Title (one) /Parent 9 0 R /Next 11 0 R /First 12 0 R >> endobj\n"
                             "11 0 obj << /Title (two) /Parent 9 0 R /Next 10 0 R >> endobj\n"
                             "12 0 obj << /Title (kid) /Parent 10 0 R /Next 12 0 R /First 10 0 R >> endobj\n";
  const Outcome outcome = Repair(cyclic);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.pages, 1);
  EXPECT_NE(outcome.output.find("/Outlines"), std::string::npos);
  // A long chain whose root is lost, ending in a loop to its middle.
  constexpr int kItems = 20000;
  std::string chain = Catalog("") + kTree;
  for (int n = 0; n < kItems; ++n) {
    const int next = n + 1 < kItems ? n + 1 : kItems / 2;
    chain += std::to_string(100 + n) + " 0 obj << /Title (i) /Parent 9 0 R /Next " + std::to_string(100 + next) +
             " 0 R >> endobj\n";
  }
  const Outcome longChain = Repair(chain);
  EXPECT_EQ(longChain.result, 1);
  EXPECT_EQ(longChain.pages, 1);
  EXPECT_EQ(Occurrences(longChain.output, "/Outlines"), 2u);  // the catalog's key and the root's /Type
}

TEST(DocumentAttach, ADeepOrCyclicNameTreeEnds) {
  // A tree whose second kid heads a /Kids chain thousands deep that turns
  // back on itself: attached once, and its count ends.
  constexpr int kDepth = 20000;
  std::string body = kTree;
  for (int n = 0; n < kDepth; ++n) {
    const int kid = n + 1 < kDepth ? 100 + n + 1 : 100;
    body += std::to_string(100 + n) + " 0 obj << /Kids [" + std::to_string(kid) + " 0 R 99 0 R] >> endobj\n";
  }
  body += "99 0 obj << /Names [(a) [3 0 R /Fit]] /Limits [(a) (a)] >> endobj\n";
  body += "98 0 obj << /Kids [99 0 R 100 0 R] >> endobj\n";
  const Outcome outcome = Repair(body);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.pages, 1);
  EXPECT_EQ(Occurrences(outcome.output, "/Names"), 2u) << "one tree attached";
}

TEST(DocumentAttach, APageListedTwiceStaysTwiceWhereReadersShowIt) {
  const std::string page3 = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >>";
  const std::string page4 = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 20 20] >>";
  const std::string catalog = "<< /Type /Catalog /Pages 2 0 R >>";
  // The root's /Count says whether readers show the second listing.
  for (const char* count : {"3", "2"}) {
    SCOPED_TRACE(count);
    const std::string root = "<< /Type /Pages /Kids [3 0 R 3 0 R 4 0 R] /Count " + std::string(count) + " >>";
    const Outcome outcome = RepairFile(PdfWithXref({catalog, root, page3, page4}), true, true);
    EXPECT_NE(outcome.check, 2);  // qpdf warns of a page listed twice, as in the source
    EXPECT_EQ(outcome.pages, outcome.sourcePages);
  }
  // Listed again by another node that the root's /Count accounts for.
  const Outcome outcome = RepairFile(PdfWithXref({catalog, "<< /Type /Pages /Kids [3 0 R 5 0 R 4 0 R] /Count 3 >>",
                                                  page3, page4, "<< /Type /Pages /Kids [3 0 R] /Count 1 /Parent 2 0 R >>"}),
                                     true, true);
  EXPECT_EQ(outcome.sourcePages, 3);
  EXPECT_EQ(outcome.pages, 3);
}

}  // namespace
