// Inputs made to hurt: every one ends with a result, in linear time, with
// what can be salvaged salvaged.
#include <gtest/gtest.h>

#include <zlib.h>

#include <string>

#include "EngineTestSupport.h"
#include "tesscore/tesscore.h"

namespace {

struct RepairOutcome {
  int result;
  std::string output;
  std::vector<std::string> errors;
};

RepairOutcome Repair(const std::string& bytes, uint32_t options = 0, MessageLog* logged = nullptr) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("in.pdf"), bytes);
  MessageLog own;
  MessageLog& log = logged != nullptr ? *logged : own;
  log.keepTokenMessages = false;
  EngineCallRecord record = log.Record(dir.Path("in.pdf"), dir.Path("out.pdf"), (4u << 16) | options);
  const int result = RepairPdfFile(&record);
  return {result, ReadWholeFile(dir.Path("out.pdf")), log.TextsOf(msgError)};
}

std::string Deflate(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
            static_cast<uLong>(data.size()), 9);
  out.resize(size);
  return out;
}

std::string Object(uint32_t number, const std::string& body) {
  return std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
}

std::string Stream(uint32_t number, const std::string& dictionary, const std::string& data) {
  return Object(number, "<< " + dictionary + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
                            "\nendstream");
}

// A catalog and `pages` pages, each with the extras, before the bodies.
std::string Document(const std::string& bodies, size_t pages = 1, const std::string& pageExtras = "") {
  std::string kids;
  for (size_t i = 0; i < pages; ++i) kids += std::to_string(10 + i) + " 0 R ";
  std::string bytes = "%PDF-1.5\n" + Object(1, "<< /Type /Catalog /Pages 2 0 R >>") +
                      Object(2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
  for (size_t i = 0; i < pages; ++i) {
    bytes += Object(static_cast<uint32_t>(10 + i), "<< /Type /Page /Parent 2 0 R " + pageExtras + " >>");
  }
  return bytes + bodies;
}

// An object stream of `count` copies of one entry text, numbered from `number`.
std::string PackedCopies(uint32_t container, uint32_t number, size_t count, const std::string& text) {
  std::string header;
  std::string body;
  for (size_t i = 0; i < count; ++i) {
    header += std::to_string(number + i) + " " + std::to_string(body.size()) + " ";
    body += text + "\n";
  }
  header += "\n";
  return Stream(container, "/Type /ObjStm /N " + std::to_string(count) + " /First " + std::to_string(header.size()) +
                               " /Filter /FlateDecode",
                Deflate(header + body));
}

std::string ReportText(const MessageLog& log) {
  const std::vector<std::string> reports = log.TextsOf(msgReport);
  return reports.empty() ? std::string() : reports.back();
}

size_t CountOf(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++count;
  return count;
}

TEST(HostileInput, AMillionDefinitionsOfOneObjectAreAllWritten) {
  std::string bytes = "%PDF-1.4\n";
  bytes.reserve(20 << 20);
  for (int i = 0; i < 1000000; ++i) bytes += "7 0 obj 1 endobj\n";
  bytes += "8 0 obj [7 0 R] endobj\n";
  const RepairOutcome outcome = Repair(bytes);
  EXPECT_EQ(outcome.result, 1);
  // Every definition is written; the reference names the last of them.
  EXPECT_EQ(CountOf(outcome.output, " 0 obj\r\n1\r\n"), 1000000u);
  EXPECT_NE(outcome.output.find("[\r\n1000001 0 R\r\n]"), std::string::npos);
}

TEST(HostileInput, LiteralStringThatNeverClosesKeepsWhatCameBefore) {
  std::string bytes = "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n2 0 obj (never closed ";
  bytes += std::string(4 << 20, 'x') + " endobj 3 0 obj 5 endobj";
  const RepairOutcome outcome = Repair(bytes);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_NE(outcome.output.find("/Type\t/Catalog"), std::string::npos);
  EXPECT_EQ(outcome.output.find("never closed"), std::string::npos);
}

TEST(HostileInput, StreamThatNeverEndsKeepsWhatCameBefore) {
  std::string bytes = "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n2 0 obj << /Length 5 >> stream\n";
  for (int i = 0; i < (1 << 20); ++i) bytes += "eeend";
  const RepairOutcome outcome = Repair(bytes);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(CountOf(outcome.output, " 0 obj\r\n"), 3u);  // the catalog, the new root, the information
}

TEST(HostileInput, FileOfNulBytesFindsNothing) {
  const RepairOutcome outcome = Repair(std::string(8 << 20, '\0'));
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.output, "");
  EXPECT_TRUE(outcome.errors.empty());
}

TEST(HostileInput, WhitespaceRunAfterANumberStaysLinear) {
  // Each number tries the "N G R" rule across the run that follows it.
  std::string bytes = "%PDF-1.4\n";
  for (int i = 0; i < 64; ++i) bytes += "1" + std::string(64 << 10, ' ');
  bytes += "1 0 obj << /Type /Catalog >> endobj";
  EXPECT_EQ(Repair(bytes).result, 1);
}

// A zeroed stretch where white space may go on: after a number, and after a
// line end inside thorough string and stream data. Each was read again for
// every zero byte, taking hours for a few megabytes.
TEST(HostileInput, ZeroedStretchesAreReadOnceAndTheWordsAroundThemKept) {
  const std::string zeros(4 << 20, '\0');
  // Words spread over less than a megabyte are one token; a longer stretch
  // ends them, so that the buffer stays bounded.
  const std::string spreadHeader = "20" + std::string(300 << 10, '\0') + " 0 obj (spread) endobj\n";
  const std::string bytes = Document(Object(3, "7" + zeros + "x") + spreadHeader +
                                     Stream(4, "", "q\n" + std::string(512 << 10, '\0') + "5 0 obj (cut) endobj\n") + Object(6, "(a\n" + zeros) +
                                     "\n7 0 obj (kept) endobj\n8" + zeros);
  for (const uint32_t options : {0u, TESSCORE_OPTION_THOROUGH}) {
    SCOPED_TRACE(options);
    const RepairOutcome outcome = Repair(bytes, options);
    ASSERT_EQ(outcome.result, 1);
    EXPECT_NE(outcome.output.find(" 0 obj\r\n(spread)\r\n"), std::string::npos);
    // Only the thorough mode ends stream and string data at an object header.
    EXPECT_EQ(outcome.output.find(" 0 obj\r\n(cut)\r\n") != std::string::npos, options != 0);
    EXPECT_EQ(outcome.output.find(" 0 obj\r\n(kept)\r\n") != std::string::npos, options != 0);
  }
  // The first token of the file too.
  EXPECT_EQ(Repair("1" + zeros + " 0 obj << /Type /Catalog >> endobj", TESSCORE_OPTION_THOROUGH).result, 1);
}

TEST(HostileInput, UnreadableStretchReadsAsZerosAndObjectsAroundItSurvive) {
  std::string bytes = "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n";
  bytes.resize(8192, ' ');
  bytes += std::string(16384, 'j');  // the stretch that cannot be read
  bytes += "\n2 0 obj << /Type /Page >> endobj\n";
  FakeSystemFiles fake;
  fake.unreadable = {{8192, 8192 + 16384}};
  const RepairOutcome outcome = Repair(bytes);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_TRUE(outcome.errors.empty());
  EXPECT_NE(outcome.output.find("/Type\t/Page\r\n"), std::string::npos);
  EXPECT_NE(outcome.output.find("/Count\t1\r\n"), std::string::npos);
}

// Thousands of pages that share one content stream selecting fonts that are
// lost: each lost font is replaced once, in one dictionary every page
// shares, however many pages draw with it.
TEST(HostileInput, LostFontsSharedByManyPagesAreReplacedOnce) {
  constexpr size_t kPages = 200;
  constexpr size_t kFonts = 50;
  std::string content;
  for (size_t i = 0; i < kFonts; ++i) content += "BT /F" + std::to_string(i) + " 12 Tf (x) Tj ET\n";
  const std::string bytes = Document(Stream(3, "/Filter /FlateDecode", Deflate(content)), kPages, "/Contents 3 0 R");
  MessageLog log;
  const RepairOutcome outcome = Repair(bytes, TESSCORE_OPTION_THOROUGH | TESSCORE_OPTION_REPORT, &log);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(CountOf(outcome.output, "/F7\t"), 1u);
  EXPECT_EQ(CountOf(outcome.output, "/Type\t/Page\r\n"), kPages);
  EXPECT_NE(ReportText(log).find("fonts_replaced=" + std::to_string(kFonts) + "\n"), std::string::npos);
  EXPECT_NE(ReportText(log).find("pages_fonts_lost=" + std::to_string(kPages) + "\n"), std::string::npos);
  EXPECT_LE(outcome.output.size(), 8 * bytes.size() + (1u << 20));
}

// Object streams of arrays of integers that the model would make two
// thousand times the source: the output stays within a multiple of it, and
// what was not made is named in the log and the report.
// An /Encrypt dictionary is read as a copy with its references resolved: a
// chain of arrays that each name the next fifty times would copy the last
// one fifty to the sixteenth power times. The copy stays small, and the
// handler it makes does not open.
TEST(HostileInput, AnEncryptDictionaryThatNamesOneValueManyTimesIsCopiedOnce) {
  std::string bodies;
  for (uint32_t level = 20; level < 40; ++level) {
    std::string refs;
    for (int i = 0; i < 50; ++i) refs += std::to_string(level + 1) + " 0 R ";
    bodies += Object(level, "[" + refs + "]");
  }
  bodies += Object(40, "<< /CFM /V2 >>");
  bodies += Object(9, "<< /Filter /Standard /V 4 /R 4 /O <" + std::string(64, 'A') + "> /U <" +
                          std::string(64, 'B') + "> /P -4 /CF << /StdCF 20 0 R >> >>");
  const std::string bytes = Document(bodies) + "trailer << /Root 1 0 R /Encrypt 9 0 R >>\n%%EOF\n";
  for (const uint32_t options : {0u, static_cast<uint32_t>(TESSCORE_OPTION_THOROUGH)}) {
    const RepairOutcome outcome = Repair(bytes, options);
    EXPECT_EQ(outcome.result, 0) << options;
    EXPECT_EQ(outcome.errors.size(), 1u) << options;
  }
}

TEST(HostileInput, ObjectsTheBudgetCouldNotMakeAreReported) {
  std::string zeros = "[";
  for (int i = 0; i < 100000; ++i) zeros += "0 ";
  zeros += "]";
  std::string bodies;
  for (uint32_t i = 0; i < 4; ++i) bodies += PackedCopies(100 + i, 1000 + i * 100, 100, zeros);
  const std::string bytes = Document(bodies);
  for (const uint32_t mode : {0u, static_cast<uint32_t>(TESSCORE_OPTION_THOROUGH)}) {
    MessageLog log;
    const RepairOutcome outcome = Repair(bytes, mode | TESSCORE_OPTION_REPORT, &log);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_LE(outcome.output.size(), 8 * bytes.size() + (2u << 20));
    const std::string report = ReportText(log);
    EXPECT_EQ(report.find("objects_dropped=0\n"), std::string::npos) << report;
    EXPECT_NE(report.find("个对象因解码限额或内存用完而未能恢复"), std::string::npos) << report;
    bool logged = false;
    for (const std::string& line : log.TextsOf(msgLogLine)) logged |= line.find("个对象未能恢复") != std::string::npos;
    EXPECT_TRUE(logged);
  }
}

}  // namespace
