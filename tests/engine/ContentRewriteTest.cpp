// Thorough recovery's page content: what readers would stop on is dropped,
// the rest is kept as it was, and content that reads cleanly is not touched.
#include <gtest/gtest.h>

#include <zlib.h>

#include <string>

#include "EngineTestSupport.h"
#include "Judges.h"
#include "rebuild/ContentRewrite.h"

namespace {

// The content rewritten as the only stream of its page; the content itself
// when nothing was dropped.
std::string Rewritten(const std::string& content) {
  ContentState state;
  std::string out;
  return RewriteContent(content, state, true, out) ? out : content;
}

bool Clean(const std::string& content) {
  ContentState state;
  std::string out;
  return !RewriteContent(content, state, true, out);
}

TEST(ContentRewrite, ContentThatReadsCleanlyIsLeftAlone) {
  EXPECT_TRUE(Clean("q 1 0 0 1 72 700 cm BT /F1 12 Tf (Hello \\) (world)) Tj [(a) -20 (b)] TJ ET Q\n"));
  EXPECT_TRUE(Clean("% a comment ) ] >\n0.5 g 10 10 m 20 20 l h S 0 0 5 5 re f* [3 1] 0 d /GS0 gs"));
  EXPECT_TRUE(Clean("q 10 0 0 10 0 0 cm BI /W 2 /H 1 /BPC 8 /CS /G ID \xff)( EI Q"));
  EXPECT_TRUE(Clean("/Span << /MCID 0 /Alt (x) >> BDC /Pattern cs /P0 scn /CS0 CS 0.1 0.2 0.3 /P1 SCN /DeviceRGB cs 1 0 0 sc EMC"));
  EXPECT_TRUE(Clean("/F1 9 Tf BX 1 2 frob /x [1 [2]] zap EX <48656c6c6f> Tj 2 J 1 j"));
  EXPECT_TRUE(Clean("q /F1 9 Tf (a) Tj"));  // a page's later stream may restore it
}

TEST(ContentRewrite, UnendedStringsArraysAndDictionariesAreDropped) {
  // The "(" that never ends goes alone; what it would have swallowed is read again.
  EXPECT_EQ(Rewritten("BT /F1 9 Tf ( 0 0 Td (b) Tj ET"), "BT /F1 9 Tf\n0 0 Td (b) Tj ET");
  EXPECT_EQ(Rewritten("BT /F1 9 Tf [(a) 5 (b) TJ ET"), "BT /F1 9 Tf [(a) 5 (b)] TJ ET");
  EXPECT_EQ(Rewritten("] 1 0 0 RG >> <zz> g"), "1 0 0 RG");
  // An open bracket before operands that are no array's costs only itself.
  EXPECT_EQ(Rewritten("BT /F1 9 Tf [\n(a) Tj << /K [1 (b) Tj ET"), "BT /F1 9 Tf\n(a) Tj\n(b) Tj ET");
  EXPECT_EQ(Rewritten("/P << /MCID 0 BDC q Q"), "q Q");
  EXPECT_EQ(Rewritten("/P << /MCID >> BDC EMC"), "EMC");
}

TEST(ContentRewrite, OperatorsWithoutTheirOperandsAreDropped) {
  EXPECT_EQ(Rewritten("0 0 RG 1 g"), "1 g");
  EXPECT_EQ(Rewritten("(x) 0 0 rg 1.5 J 0 w"), "0 w");
  // Readers take the last operands: the surplus before them goes.
  EXPECT_EQ(Rewritten("9 1 0 0 1 72 700 cm"), "1 0 0 1 72 700 cm");
  EXPECT_EQ(Rewritten("/Im1 5 Do /F1 Tf 1 2 3 4 5 sc"), "5 sc");
  EXPECT_EQ(Rewritten("10 10 l 5 5 m 6 6 l S h"), "5 5 m 6 6 l S");
  EXPECT_EQ(Rewritten("BT (a) Tj /F1 9 Tf (b) Tj ET"), "BT\n/F1 9 Tf (b) Tj ET");
  // A device colour takes as many components as its space, saved with "q".
  EXPECT_EQ(Rewritten("1 0 0 rg q 0 g 0.5 0.5 sc Q 1 2 3 4 sc /P0 scn"), "1 0 0 rg q 0 g\n0.5 sc Q\n2 3 4 sc");
  EXPECT_EQ(Rewritten("q 1 2 3 Q 4"), "q\nQ");
  // Bytes without a single operator are not taken for content.
  EXPECT_TRUE(Clean("1 2 3 frob ) ABCDEFGH"));
}

TEST(ContentRewrite, UnknownOperatorsAndGarbageAreDropped) {
  EXPECT_EQ(Rewritten("q frob Q"), "q\nQ");
  // Garbage within an operation costs only itself.
  EXPECT_EQ(Rewritten("1 0 0 \x01\xfe}{ 1 72 700 cm"), "1 0 0 1 72 700 cm");
  EXPECT_EQ(Rewritten("BT /F1 9 Tf (a) Tj ID EI ET"), "BT /F1 9 Tf (a) Tj\nET");
  EXPECT_EQ(Rewritten("q BI /W 1 Q"), "q\nQ");
  EXPECT_EQ(Rewritten("q BI /W 1 ID 00"), "q\nQ\n");
}

TEST(ContentRewrite, AShowArrayKeepsOnlyNumbersAndStrings) {
  EXPECT_EQ(Rewritten("/F1 9 Tf BT [(a) /X (b) true 5 [1] <41>] TJ ET"), "/F1 9 Tf BT [(a) (b) 5 <41>] TJ ET");
}

TEST(ContentRewrite, SavesAndTextObjectsStayBalanced) {
  EXPECT_EQ(Rewritten("Q ET q BT /F1 9 Tf (a) Tj ET frob"), "q BT /F1 9 Tf (a) Tj ET\nQ\n");
  EXPECT_EQ(Rewritten("q q BT /F1 9 Tf (a) Tj % end"), "q q BT /F1 9 Tf (a) Tj % end");
  EXPECT_EQ(Rewritten("q q BT /F1 9 Tf (a) Tj ) % end"), "q q BT /F1 9 Tf (a) Tj\nET\nQ\nQ\n");
  // Across the streams of a page: the second restores what the first saved.
  ContentState state;
  std::string out;
  EXPECT_FALSE(RewriteContent("q 1 g", state, false, out));
  EXPECT_TRUE(RewriteContent("Q Q ) 0 g", state, true, out));
  EXPECT_EQ(out, "Q\n0 g");
}

TEST(ContentRewrite, HostileContentTakesLinearWork) {
  // Each unended "(" or open "[" would cost a scan to the end if looked at
  // anew; the operands before an operator are kept to a few.
  const std::string content = std::string(200000, '(') + std::string(200000, '[') + " Tj " +
                              std::string(200000, '1').replace(1, 199998, std::string(99999, ' ') + std::string(99999, '2')) + " q";
  ContentState state;
  std::string out;
  EXPECT_TRUE(RewriteContent(content, state, true, out));
  EXPECT_LT(out.size(), 100u);
}

// A page of the content, repaired in thorough mode with the report.
struct Repaired {
  std::string report;
  std::string stderrOfRendering;
  std::string text;
};

// Pages 3 (and 5 when shared) draw content 4 with the resources given,
// among the objects given.
Repaired RepairPage(const std::string& content, bool shared,
                    const std::string& resources = "<< /Font << /F1 6 0 R >> >>",
                    const std::string& objects = "6 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> endobj\n",
                    const std::string& filter = "") {
  ScratchDir dir;
  std::string body = "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n";
  body += std::string("2 0 obj << /Type /Pages /Kids [3 0 R") + (shared ? " 5 0 R" : "") + "] /Count " +
          (shared ? "2" : "1") + " >> endobj\n";
  const std::string page =
      " << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R /Resources " + resources + " >> endobj\n";
  body += "3 0 obj" + page;
  if (shared) body += "5 0 obj" + page;
  body += objects;
  body += "4 0 obj << " + filter + " /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
          "\nendstream endobj\n";
  body += "trailer << /Root 1 0 R >>\n%%EOF\n";
  WriteWholeFile(dir.Path("in.pdf"), body);
  MessageLog log;
  EngineCallRecord record = log.Record(dir.Path("in.pdf"), dir.Path("out.pdf"),
                                       (4u << 16) | TESSCORE_OPTION_THOROUGH | TESSCORE_OPTION_REPORT);
  EXPECT_EQ(RepairPdfFile(&record), 1);
  Repaired repaired;
  const std::vector<std::string> reports = log.TextsOf(msgReport);
  if (!reports.empty()) repaired.report = reports.front();
  repaired.stderrOfRendering =
      judges::Run(std::string(TESSALY_PDFTOPPM) + " -r 18 -gray " + judges::Quoted(dir.Path("out.pdf")) +
                  " 2>&1 >/dev/null")
          .output;
  repaired.text = judges::Text(dir.Path("out.pdf"));
  return repaired;
}

TEST(ContentRewrite, ReadersDrawTheRewrittenContentWithoutComplaint) {
  const std::string broken = "q BT /F1 12 Tf 10 100 Td (Kept) Tj ( 0 10 Td [(a) /N 3 (b)] TJ frob 1 2 Tj ET\n"
                             "0 0 RG 10 10 m 50 50 l S \x01\x02 Q Q";
  const Repaired page = RepairPage(broken, true);
  EXPECT_EQ(page.stderrOfRendering, "");
  // The stream the two pages share is rewritten once.
  EXPECT_NE(page.report.find("content_rewritten=1"), std::string::npos) << page.report;
  const Repaired clean = RepairPage("BT /F1 12 Tf 10 100 Td (Kept) Tj ET", false);
  EXPECT_NE(clean.report.find("content_rewritten=0"), std::string::npos) << clean.report;
}

// Deflated content that breaks off mid-way: what inflates is drawn, without
// the string the break left open.
TEST(ContentRewrite, ACutFlateStreamShowsWhatInflates) {
  std::string content;
  for (int i = 0; i < 150; ++i) content += "BT /F1 6 Tf 10 " + std::to_string(i) + " Td (Line" + std::to_string(i) + ") Tj ET\n";
  uLongf size = compressBound(content.size());
  std::string deflated(size, '\0');
  compress(reinterpret_cast<Bytef*>(deflated.data()), &size, reinterpret_cast<const Bytef*>(content.data()),
           content.size());
  deflated.resize(size / 2);
  const Repaired page = RepairPage(deflated, false, "<< /Font << /F1 6 0 R >> >>",
                                   "6 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> endobj\n",
                                   "/Filter /FlateDecode");
  EXPECT_EQ(page.stderrOfRendering, "");
  EXPECT_NE(page.text.find("Line0"), std::string::npos);
  EXPECT_NE(page.report.find("streams_cut=1"), std::string::npos) << page.report;
  EXPECT_NE(page.report.find("content_rewritten=1"), std::string::npos) << page.report;
}

TEST(ContentRewrite, ResourcesReadersStopOnAreDroppedAndUnreadableFontsReplaced) {
  // F1 is no dictionary, F2's program does not inflate, the graphics states
  // are a number.
  const std::string resources = "<< /Font << /F1 7 0 R /F2 8 0 R >> /ExtGState 12 >>";
  const std::string objects =
      "7 0 obj 42 endobj\n"
      "8 0 obj << /Type /Font /Subtype /TrueType /BaseFont /Broken /FirstChar 97 /LastChar 98 /Widths [500 500]"
      " /FontDescriptor 9 0 R >> endobj\n"
      "9 0 obj << /Type /FontDescriptor /FontName /Broken /Flags 32 /FontBBox [0 0 500 700] /ItalicAngle 0"
      " /Ascent 700 /Descent 0 /CapHeight 700 /StemV 80 /FontFile2 10 0 R >> endobj\n"
      "10 0 obj << /Length 12 /Filter /FlateDecode >>\nstream\nx\x9c\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\nendstream endobj\n";
  const Repaired page = RepairPage("BT /F1 12 Tf 10 100 Td (a) Tj /F2 12 Tf (b) Tj ET", false, resources, objects);
  EXPECT_EQ(page.stderrOfRendering, "");
  EXPECT_EQ(page.text, "ab");
  EXPECT_NE(page.report.find("fonts_replaced=2"), std::string::npos) << page.report;
}

}  // namespace
