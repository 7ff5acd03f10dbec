// Thorough recovery: resynchronising at object headers, missing end
// markers, glued keywords, broken pieces inside objects, truncation and the
// page tree's duplicates. Each case is one that the default mode loses.
#include <gtest/gtest.h>

#include <string>

#include "EngineTestSupport.h"
#include "Judges.h"

namespace {

struct Outcome {
  int result;
  std::string output;  // line ends as LF, tabs as spaces, for reading
  int pages;           // the page count pdfinfo reads, or -1 when nothing was written
  std::string complaints;  // what pdffonts writes to its error stream, and qpdf --check's failure
};

Outcome Repair(const std::string& body, bool thorough = true) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("in.pdf"), "%PDF-1.4\n" + body);
  MessageLog log;
  EngineCallRecord record =
      log.Record(dir.Path("in.pdf"), dir.Path("out.pdf"), (4u << 16) | (thorough ? TESSCORE_OPTION_THOROUGH : 0));
  Outcome outcome{RepairPdfFile(&record), "", -1, ""};
  for (char c : ReadWholeFile(dir.Path("out.pdf"))) {
    if (c != '\r') outcome.output += c == '\t' ? ' ' : c;
  }
  // pdfinfo judges every file the engine writes (one without pages has 0).
  if (outcome.result == 1) {
    outcome.pages = judges::Pages(dir.Path("out.pdf"));
    const std::string out = judges::Quoted(dir.Path("out.pdf"));
    outcome.complaints = judges::Run(std::string(TESSALY_PDFFONTS) + " " + out + " 2>&1 >/dev/null").output;
    const judges::Answer check = judges::QpdfCheck(dir.Path("out.pdf"));
    if (check.status != 0) outcome.complaints += "qpdf " + std::to_string(check.status);
  }
  return outcome;
}

bool Holds(const Outcome& outcome, const std::string& text) { return outcome.output.find(text) != std::string::npos; }

const std::string kPage = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] /Contents 4 0 R >>";

TEST(ThoroughRecovery, AStrayParenthesisCostsNoFollowingObject) {
  const std::string body = "(garbage before the first object\n1 0 obj " + kPage + " endobj\n" +
                           "junk ( more junk\n3 0 obj (kept) endobj\n<41 42 garbage\n5 0 obj [1] endobj\n";
  EXPECT_LT(Repair(body, false).pages, 1);
  const Outcome outcome = Repair(body);
  EXPECT_EQ(outcome.pages, 1);
  EXPECT_TRUE(Holds(outcome, "(kept)\nendobj"));
  EXPECT_TRUE(Holds(outcome, "[\n1\n]\nendobj"));
}

TEST(ThoroughRecovery, MissingEndMarkersEndAtTheNextHeaderOrSection) {
  const Outcome outcome = Repair("1 0 obj " + kPage + "\n4 0 obj << /Length 7 0 R >>\nstream\nBT ET\nendobj\n" +
                                 "5 0 obj << /Filter /X >>\nstream\nq Q\nendobj\n6 0 obj (six)\nxref\n" +
                                 "7 0 obj 5endobj\n");
  EXPECT_EQ(outcome.pages, 1);
  // The length where it fits (here through "7 0 R", which holds 5); else
  // the data up to the object's "endobj".
  EXPECT_TRUE(Holds(outcome, "/Length 1 0 R\n>>\nstream\nBT ET\nendstream"));
  EXPECT_TRUE(Holds(outcome, "/Length 3\n>>\nstream\nq Q\nendstream"));
  EXPECT_TRUE(Holds(outcome, "(six)\nendobj"));
  EXPECT_TRUE(Holds(outcome, " obj\n5\nendobj"));
}

TEST(ThoroughRecovery, ABrokenPieceIsDroppedAndTheRestKept) {
  const Outcome outcome = Repair("1 0 obj << << /Type /Page /MediaBox [0 0 10 10] ] /Rotate 90 /Bad >> endobj\n"
                                 "3 0 obj << /A [1 2 >> /B (open\n4 0 obj << /C 3 /D << /E 4 >> endobj\n");
  EXPECT_EQ(outcome.pages, 1);
  EXPECT_TRUE(Holds(outcome, "/MediaBox [\n0\n0\n10\n10\n]\n/Type /Page\n"));
  EXPECT_TRUE(Holds(outcome, "/Rotate 90\n"));
  EXPECT_TRUE(Holds(outcome, "<<\n/A [\n1\n2\n]\n>>"));
  EXPECT_TRUE(Holds(outcome, "/C 3\n/D <<\n/E 4\n>>\n>>"));
}

TEST(ThoroughRecovery, ACutFileKeepsTheCompleteEntriesAndBytes) {
  const Outcome page =
      Repair("1 0 obj << /Type /Page /MediaBox [0 0 10 10] /Resources << /ProcSet [/PDF] /Font << /F");
  EXPECT_EQ(page.pages, 1);
  EXPECT_TRUE(Holds(page, "/Resources <<\n/Font <<\n>>\n/ProcSet [\n/PDF\n]\n>>"));
  const Outcome stream = Repair("4 0 obj << /Length 99 >>\nstream\nBT (Hi) Tj");
  // The writer puts a line end of its own before "endstream".
  EXPECT_TRUE(Holds(stream, "/Length 10\n>>\nstream\nBT (Hi) Tj\nendstream"));
}

TEST(ThoroughRecovery, EachPageOnceAndOnlyTheNewestGeneration) {
  const std::string body =
      "2 0 obj << /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 >> endobj\n"
      "6 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 /Parent 2 0 R >> endobj\n"
      "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >> endobj\n"
      "5 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 20 20] >> endobj\n"
      "5 1 obj << /Parent 2 0 R /Contents 9 0 R >> endobj\n";
  // Listed twice, superseded, and a page without /Type.
  EXPECT_EQ(Repair(body, false).pages, 3);
  const Outcome outcome = Repair(body);
  EXPECT_EQ(outcome.pages, 2);
  EXPECT_FALSE(Holds(outcome, "/MediaBox [\n0\n0\n20\n20"));
}

TEST(ThoroughRecovery, ACatalogThatLostItsTypeIsFoundThroughTheTrailer) {
  const std::string body = "1 0 obj << /Pages 2 0 R /PageMode /UseOutlines >> endobj\n"
                           "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n3 0 obj " + kPage +
                           " endobj\nxref\n0 4\ntrailer << /Root 1 0 R /Size 4 >>\nstartxref\n9\n%%EOF\n";
  EXPECT_FALSE(Holds(Repair(body, false), "/Type /Catalog\n/PageMode /UseOutlines"));
  const Outcome outcome = Repair(body);
  EXPECT_EQ(outcome.pages, 1);
  EXPECT_TRUE(Holds(outcome, "/Type /Catalog\n/PageMode /UseOutlines"));
}

TEST(ThoroughRecovery, AFontThatWasLostIsReplacedByTheOneItsNameNumbersOrAStandardOne) {
  const std::string body =
      "1 0 obj << /Type /Page /MediaBox [0 0 10 10] /Resources << /Font << /F1 5 0 R >> >>"
      " /Contents 4 0 R >> endobj\n4 0 obj << /Length 40 >>\nstream\nBT /F1 9 Tf (a) Tj /R6 9 Tf (b) Tj ET\n"
      "endstream\nendobj\n6 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >> endobj\n";
  EXPECT_FALSE(Holds(Repair(body, false), "/Helvetica"));
  const Outcome outcome = Repair(body);
  EXPECT_TRUE(Holds(outcome, "/F1 6 0 R\n"));
  EXPECT_TRUE(Holds(outcome, "6 0 obj\n<<\n/Encoding /WinAnsiEncoding\n/Type /Font\n/Subtype /Type1\n/BaseFont /Helvetica\n>>\n"));
  EXPECT_TRUE(Holds(outcome, "/R6 1 0 R\n"));
}

TEST(ThoroughRecovery, AStandardFontInPlaceOfALostOneNeedsNoTableReconstruction) {
  // Two pages lost their font: both take one standard font object, as a
  // font written into the resources has no number that poppler can look up.
  const std::string content = "4 0 obj << /Length 22 >>\nstream\nBT /F1 9 Tf (a) Tj ET\nendstream\nendobj\n";
  const std::string body = "1 0 obj " + kPage + " endobj\n3 0 obj " + kPage + " endobj\n" + content;
  const Outcome outcome = Repair(body);
  EXPECT_EQ(outcome.complaints, "");
  EXPECT_EQ(outcome.output.find("/BaseFont /Helvetica"), outcome.output.rfind("/BaseFont /Helvetica"));
}

TEST(ThoroughRecovery, ALostFontTakesOnlyAnEncodingThatCanBeWritten) {
  // A base encoding that names its own dictionary, and one that is a direct
  // dictionary: neither is followed, and no reference to nothing is written.
  const std::string body =
      "1 0 obj << /Type /Page /MediaBox [0 0 10 10] /Contents 4 0 R >> endobj\n4 0 obj << /Length 22 >>\nstream\n"
      "BT /F1 9 Tf (a) Tj ET\nendstream\nendobj\n"
      "6 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding 7 0 R >> endobj\n"
      "7 0 obj << /Type /Encoding /BaseEncoding 7 0 R >> endobj\n"
      "8 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Symbol /Encoding << /BaseEncoding << /X 1 >> >> >> endobj\n";
  const Outcome outcome = Repair(body);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_TRUE(Holds(outcome, "/BaseFont /Helvetica"));
  EXPECT_FALSE(Holds(outcome, " 0 0 R"));
}

TEST(ThoroughRecovery, ContentsThatWereCutAwayLeaveNoNullInTheContentsArray) {
  const std::string body = "1 0 obj << /Type /Page /MediaBox [0 0 10 10] /Contents [4 0 R 5 0 R] >> endobj\n"
                           "5 0 obj << /Length 5 >>\nstream\nBT ET\nendstream\nendobj\n";
  EXPECT_NE(Repair(body, false).complaints, "");
  const Outcome outcome = Repair(body);
  EXPECT_EQ(outcome.complaints, "");
  EXPECT_TRUE(Holds(outcome, "/Contents [\n1 0 R\n]"));
}

TEST(ThoroughRecovery, AnObjectNestedTooDeepForTheGrammarCostsNoOtherObject) {
  const std::string body = "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n5 0 obj " +
                           std::string(20000, '[') + std::string(20000, ']') + " endobj\n3 0 obj " + kPage + " endobj\n";
  EXPECT_EQ(Repair(body, false).pages, 0);
  EXPECT_EQ(Repair(body).pages, 1);
}

}  // namespace

// A lost catalog's outline comes back: the items whose root is gone get a
// new one, and an item's destination to a page that is gone is dropped. A
// /Dests dictionary and page labels that nothing holds are attached too.
TEST(ThoroughRecovery, ALostCatalogsOutlineLabelsAndDestinationsComeBack) {
  const std::string pages = "2 0 obj << /Type /Pages /Kids [1 0 R] /Count 1 >> endobj\n"
                            "1 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >> endobj\n";
  const std::string items = "10 0 obj << /Title (one) /Parent 9 0 R /Next 11 0 R /Dest [1 0 R /Fit] >> endobj\n"
                            "11 0 obj << /Title (two) /Parent 9 0 R /Prev 10 0 R /Dest [8 0 R /Fit] >> endobj\n"
                            "12 0 obj << /Nums [0 << /S /r >>] >> endobj\n"
                            "13 0 obj << /intro [1 0 R /Fit] >> endobj\n";
  const Outcome outcome = Repair(pages + items);
  ASSERT_EQ(outcome.pages, 1);
  EXPECT_TRUE(Holds(outcome, "/Outlines")) << outcome.output;
  EXPECT_TRUE(Holds(outcome, "/PageLabels")) << outcome.output;
  EXPECT_TRUE(Holds(outcome, "/Dests")) << outcome.output;
  EXPECT_FALSE(Holds(outcome, "/Parent null")) << outcome.output;
  EXPECT_TRUE(Holds(outcome, "/Dest null")) << outcome.output;
  EXPECT_TRUE(outcome.complaints.empty()) << outcome.complaints;
  EXPECT_FALSE(Holds(Repair(pages + items, false), "/Outlines"));
}
