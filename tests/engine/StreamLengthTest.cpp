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

// Inflates what a zlib stream holds, however it ends; `ends` tells whether
// the zlib data ends as it should.
std::string InflatedPrefix(const std::string& data, bool* ends = nullptr) {
  std::string plain(1 << 20, '\0');
  z_stream z{};
  inflateInit(&z);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(plain.data());
  z.avail_out = static_cast<uInt>(plain.size());
  const int status = inflate(&z, Z_FINISH);
  if (ends != nullptr) *ends = status == Z_STREAM_END;
  plain.resize(z.total_out);
  inflateEnd(&z);
  return plain;
}

// The data of the one stream of a repaired file, wherever /Length stands.
std::string StreamDataByLength(const std::string& output) {
  const size_t length = output.find("/Length\t");
  if (length == std::string::npos) return {};
  size_t data = output.find(">>\r\nstream", length);
  if (data == std::string::npos) return {};
  data += 10;
  if (output[data] == '\r') ++data;
  return output.substr(data + 1, std::stoul(output.substr(length + 8)));
}

TEST(StreamLength, ThoroughRepairWritesACutFlateStreamAsCompleteZlibData) {
  std::string content;
  for (int i = 0; i < 200; ++i) content += "BT /F1 9 Tf 10 " + std::to_string(i) + " Td (line " + std::to_string(i) + ") Tj ET\n";
  uLongf size = compressBound(content.size());
  std::string deflated(size, '\0');
  compress(reinterpret_cast<Bytef*>(deflated.data()), &size, reinterpret_cast<const Bytef*>(content.data()),
           content.size());
  deflated.resize(size);
  const std::string cut = deflated.substr(0, deflated.size() / 2);
  const std::string filters = "/Filter [/FlateDecode /X] /DecodeParms [null << /K 1 >>]";
  const std::string cutOff = "2 0 obj << " + filters + " /Length " + std::to_string(deflated.size()) + " >>\nstream\n" + cut;
  const std::string zeroed = "2 0 obj << /Filter /FlateDecode >>\nstream\n" + cut + std::string(600, '\0') +
                             "\nendstream endobj\n";
  for (const std::string& body : {cutOff, zeroed}) {
    const Repaired thorough = RepairBody(body, TESSCORE_OPTION_THOROUGH);
    const std::string written = StreamDataByLength(thorough.output);
    bool ends = false;
    const std::string shown = InflatedPrefix(written, &ends);
    EXPECT_TRUE(ends);
    // What the cut data holds comes back; zeros may inflate to more.
    const std::string survives = InflatedPrefix(cut);
    EXPECT_GT(survives.size(), content.size() / 4);
    EXPECT_EQ(shown.compare(0, survives.size(), survives), 0);
    ExpectSoundStreams(thorough);
  }
  // The default mode carries the bytes as they are.
  EXPECT_EQ(StreamDataByLength(RepairBody(zeroed).output).substr(0, cut.size()), cut);
  EXPECT_NE(RepairBody(cutOff, TESSCORE_OPTION_THOROUGH).output.find("/DecodeParms\t[\r\nnull\r\n<<\r\n/K\t1"),
            std::string::npos);
  // Complete zlib data behind a wrong length is carried byte for byte.
  const Repaired whole = RepairBody("2 0 obj << /Filter /FlateDecode /Length 7 >>\nstream\n" + deflated +
                                        "\nendstream endobj\n",
                                    TESSCORE_OPTION_THOROUGH);
  EXPECT_EQ(StreamDataByLength(whole.output), deflated);
}

// Line ends around the data that would mislead readers are the writer's own
// in the thorough mode; the default mode keeps the source's.
TEST(StreamLength, ThoroughRepairFramesStreamDataWithItsOwnLineEnds) {
  for (const std::string framing : {"stream (Potato) Tj\nendstream", "stream \r\n(Potato) Tj\nendstream",
                                    "stream\r(Potato) Tj\nendstream", "stream\n(Potato) Tjendstream"}) {
    const Repaired thorough = RepairBody("2 0 obj << /Length 11 >>\n" + framing + " endobj\n", TESSCORE_OPTION_THOROUGH);
    const size_t keyword = thorough.output.find("stream\r\n");
    ASSERT_NE(keyword, std::string::npos) << framing;
    EXPECT_LE(thorough.output.find("(Potato) Tj", keyword), keyword + 9) << framing;
    EXPECT_EQ(thorough.check.find("WARNING"), std::string::npos) << thorough.check;
    EXPECT_EQ(thorough.check.find("stream keyword"), std::string::npos) << thorough.check;
  }
  EXPECT_NE(RepairBody("2 0 obj << /Length 11 >>\nstream (Potato) Tj\nendstream endobj\n").output.find("stream (Potato)"),
            std::string::npos);
}

}  // namespace
