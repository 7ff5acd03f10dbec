// Every written stream carries the length of the data it is written with,
// whatever the source said; a length that already fits is left as written.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdio>
#include <regex>
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
    const StreamDataBounds bounds = FindStreamDataBounds(CStreamData(c.data));
    EXPECT_EQ(bounds.begin, c.begin) << "data \"" << c.data << "\"";
    EXPECT_EQ(bounds.end, c.end) << "data \"" << c.data << "\"";
  }
}

struct Repaired {
  std::string output;
  std::string check;  // what qpdf --check says of it
};

Repaired RepairBody(const std::string& body, uint32_t mode = 0) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("in.pdf"), "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n" + body);
  MessageLog log;
  EngineCallRecord record = log.Record(dir.Path("in.pdf"), dir.Path("out.pdf"), (4u << 16) | mode);
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

TEST(StreamLength, ADeclaredLengthIsKeptWhateverEndOfLineAndWhiteSpaceFollow) {
  // Data "XY", data ending in CR, data ending in LF; then every end-of-line
  // variant and white space before "endstream".
  for (const std::string data : {"XY", "X\r", "X\n"}) {
    for (const std::string tail : {"", "\r", "\n", "\r\n", " \r\n", "\r\r\n", "\n\n", " ", "\t\n "}) {
      const Repaired repaired =
          RepairBody("2 0 obj << /Filter /X /Length 2 >>\nstream\n" + data + tail + "endstream endobj\n");
      EXPECT_NE(repaired.output.find("/Filter\t/X\r\n/Length\t2\r\n>>\r\nstream\n" + data + tail + "endstream"),
                std::string::npos)
          << "data \"" << data << "\" then \"" << tail << "\"";
    }
  }
}

// Deflated bytes whose last byte (of the checksum) is CR, or is not.
std::string Deflated(bool endingInCr) {
  for (int n = 0;; ++n) {
    const std::string plain = "BT /F1 12 Tf 72 712 Td (line " + std::to_string(n) + ") Tj ET";
    uLongf size = compressBound(plain.size());
    std::string deflated(size, '\0');
    compress(reinterpret_cast<Bytef*>(deflated.data()), &size, reinterpret_cast<const Bytef*>(plain.data()), plain.size());
    deflated.resize(size);
    if ((deflated.back() == '\r') == endingInCr) return deflated;
  }
}

// The data of the one stream of a repaired file, as its /Length reads it.
std::string WrittenStreamData(const std::string& output) {
  std::smatch match;
  static const std::regex kStream("/Length\t(\\d+)\r\n>>\r\nstream\r?\n");
  if (!std::regex_search(output, match, kStream)) return {};
  return output.substr(match.position(0) + match.length(0), std::stoul(match[1].str()));
}

bool Inflates(const std::string& data) {
  std::string plain(4096, '\0');
  uLongf size = plain.size();
  return uncompress(reinterpret_cast<Bytef*>(plain.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                    data.size()) == Z_OK;
}

TEST(StreamLength, AComputedLengthKeepsAFlateStreamsLastCr) {
  const std::string deflated = Deflated(true);
  for (const std::string stated : {"", "/Length 9999", "/Length 3"}) {
    const Repaired repaired =
        RepairBody("2 0 obj << /Filter /FlateDecode " + stated + " >>\nstream\n" + deflated + "\nendstream endobj\n");
    const std::string written = WrittenStreamData(repaired.output);
    EXPECT_EQ(written, deflated) << stated;
    EXPECT_TRUE(Inflates(written)) << stated;
    ExpectSoundStreams(repaired);
  }
  // Where the CR is the end-of-line's own, it stays out of the data.
  const std::string other = Deflated(false);
  const Repaired plain = RepairBody("2 0 obj << /Filter /FlateDecode >>\nstream\n" + other + "\r\nendstream endobj\n");
  EXPECT_EQ(WrittenStreamData(plain.output), other);
}

TEST(StreamLength, AStreamWithoutEndstreamKeepsItsWholeZlibData) {
  // The zlib data runs past the stated length, then the object ends: the
  // zlib data says where the stream ends.
  const std::string deflated = Deflated(false);
  const std::string shorter = "/Length " + std::to_string(deflated.size() - 6);
  const Repaired flate = RepairBody("2 0 obj << /Filter /FlateDecode " + shorter + " >>\nstream\n" + deflated +
                                        "\nendobj\n3 0 obj (after) endobj\n",
                                    TESSCORE_OPTION_THOROUGH);
  EXPECT_EQ(WrittenStreamData(flate.output), deflated);
  EXPECT_TRUE(Inflates(WrittenStreamData(flate.output)));
  ExpectSoundStreams(flate);
  // Data that tells nothing of its end: the stated length when the data
  // holds it, else what lies before the "endobj".
  const Repaired stated = RepairBody("2 0 obj << /Filter /X /Length 4 >>\nstream\nABCDEFGH\nendobj\n3 0 obj (after) endobj\n",
                                     TESSCORE_OPTION_THOROUGH);
  EXPECT_EQ(WrittenStreamData(stated.output), "ABCD");
  const Repaired unstated = RepairBody("2 0 obj << /Filter /X /Length 99 >>\nstream\nABCDEFGH\nendobj\n3 0 obj (after) endobj\n",
                                       TESSCORE_OPTION_THOROUGH);
  EXPECT_EQ(WrittenStreamData(unstated.output), "ABCDEFGH");
}

}  // namespace
