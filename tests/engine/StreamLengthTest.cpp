// Every written stream carries the length of the data it is written with,
// whatever the source said; a length that already fits is left as written.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "EngineTestSupport.h"
#include "Judges.h"
#include "model/StreamBounds.h"

namespace {

TEST(StreamBounds, DataLiesBetweenTheEndOfLinesAroundIt) {
  struct Case {
    std::string data;
    size_t begin;
    size_t end;
  };
  const Case cases[] = {
      {"\r\nXY\r\n", 2, 4}, {"\nXY\n", 1, 3},   {"\rXY\r", 1, 3},  {"XY", 0, 2},   {"\r\nXY", 2, 4},
      {"XY\r\n", 0, 2},     {"", 0, 0},         {"\r\n", 2, 2},    {"\n\n", 1, 1}, {" \r\nXY\n", 3, 5},
      {" XY", 0, 3},        {"\r\n\r\n", 2, 2}, {"\n\r\n", 1, 1},
  };
  for (const Case& c : cases) {
    const StreamDataBounds bounds = FindStreamDataBounds(c.data);
    EXPECT_EQ(bounds.begin, c.begin) << "data \"" << c.data << "\"";
    EXPECT_EQ(bounds.end, c.end) << "data \"" << c.data << "\"";
  }
}

struct Repaired {
  std::string output;
  std::string check;  // what qpdf --check says of it
};

Repaired RepairBody(const std::string& body) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("in.pdf"), "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n" + body);
  MessageLog log;
  EngineCallRecord record = log.Record(dir.Path("in.pdf"), dir.Path("out.pdf"));
  EXPECT_EQ(RepairPdfFile(&record), 1);
  return {ReadWholeFile(dir.Path("out.pdf")), judges::QpdfCheck(dir.Path("out.pdf")).output};
}

void ExpectSoundStreams(const Repaired& repaired) {
  for (const char* problem : {"expected endstream", "stream length", "lacks /Length"}) {
    EXPECT_EQ(repaired.check.find(problem), std::string::npos) << repaired.check;
  }
}

TEST(StreamLength, WrongMissingAndLostLengthsBecomeTheTrueOne) {
  for (const std::string stated : {"/Length 99", "", "/Length 9 0 R", "/Length (2)"}) {
    const Repaired repaired = RepairBody("2 0 obj << " + stated + " /Filter /X >>\nstream\r\nXY\r\nendstream\nendobj\n");
    EXPECT_NE(repaired.output.find("<<\r\n/Filter\t/X\r\n/Length\t2\r\n>>\r\nstream\r\nXY\r\nendstream"),
              std::string::npos)
        << stated;
    ExpectSoundStreams(repaired);
  }
}

TEST(StreamLength, ALengthThatFitsIsKeptAsWritten) {
  // Counted without and with the end-of-line before "endstream", direct and
  // through a reference.
  const Repaired direct = RepairBody("2 0 obj << /Filter /X /Length 2 >>\nstream\nXY\nendstream endobj\n"
                                     "3 0 obj << /Filter /X /Length 3 >>\nstream\nXY\nendstream endobj\n");
  EXPECT_NE(direct.output.find("/Filter\t/X\r\n/Length\t2\r\n"), std::string::npos);
  EXPECT_NE(direct.output.find("/Filter\t/X\r\n/Length\t3\r\n"), std::string::npos);
  ExpectSoundStreams(direct);
  const Repaired referenced = RepairBody("4 0 obj 2 endobj\n2 0 obj << /Length 4 0 R >>\nstream\r\nXY\r\nendstream endobj\n");
  EXPECT_NE(referenced.output.find("/Length\t2 0 R\r\n"), std::string::npos);
  ExpectSoundStreams(referenced);
}

TEST(StreamLength, StreamsNestedInValuesAreSettledToo) {
  const Repaired repaired = RepairBody("2 0 obj [ << /Length 7 >> stream\nabc\nendstream ] endobj\n");
  EXPECT_NE(repaired.output.find("<<\r\n/Length\t3\r\n>>\r\nstream\nabc\nendstream"), std::string::npos);
}

}  // namespace
