// Inputs made to hurt: every one ends with a result, in linear time, with
// what can be salvaged salvaged.
#include <gtest/gtest.h>

#include <string>

#include "EngineTestSupport.h"
#include "tesscore/tesscore.h"

namespace {

struct RepairOutcome {
  int result;
  std::string output;
  std::vector<std::string> errors;
};

RepairOutcome Repair(const std::string& bytes) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("in.pdf"), bytes);
  MessageLog log;
  log.keepTokenMessages = false;
  EngineCallRecord record = log.Record(dir.Path("in.pdf"), dir.Path("out.pdf"));
  const int result = RepairPdfFile(&record);
  return {result, ReadWholeFile(dir.Path("out.pdf")), log.TextsOf(msgError)};
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

}  // namespace
