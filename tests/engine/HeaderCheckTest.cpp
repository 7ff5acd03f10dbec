// The version the first line announces.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "io/File64Ex.h"
#include "parser/ParseRun.h"

namespace {

std::string HeaderVersionOf(const std::string& bytes) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("in"), bytes);
  CFile64Ex file;
  if (!file.Open(dir.Path("in").c_str(), 0x8020)) return "open failed";
  return ReadHeaderVersion(file);
}

struct HeaderCase {
  std::string bytes;
  std::string version;
};

class HeaderVersion : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderVersion, FromTheFirstLine) { EXPECT_EQ(HeaderVersionOf(GetParam().bytes), GetParam().version); }

INSTANTIATE_TEST_SUITE_P(
    Lines, HeaderVersion,
    ::testing::Values(HeaderCase{"%PDF-1.4\r\n1 0 obj", "1.4"}, HeaderCase{"%PDF-1.4\rx", "1.4"},
                      HeaderCase{"%PDF-1.4\nx", "1.4"}, HeaderCase{std::string("%PDF-1.4\0x", 10), "1.4"},
                      HeaderCase{"%PDF-1.6", "1.6"}, HeaderCase{"%PDF-1.0", "1.0"}, HeaderCase{"%PDF-1.7", ""},
                      HeaderCase{"%PDF-2.0", ""}, HeaderCase{"%PDF-1.45", "1.4"}, HeaderCase{"%PDF-1.\n5", ""},
                      HeaderCase{"%PDF-1.", ""}, HeaderCase{"%PDF-1.x", ""}, HeaderCase{" %PDF-1.4", ""},
                      HeaderCase{"\xEF\xBB\xBF%PDF-1.4", ""}, HeaderCase{"", ""}, HeaderCase{"0123456789", ""}));

TEST(HeaderVersion, LongFirstLineLeavesTheFileAfterIt) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("in"), "%PDF-1.3" + std::string(100000, 'x') + "\nrest");
  CFile64Ex file;
  ASSERT_TRUE(file.Open(dir.Path("in").c_str(), 0x8020));
  EXPECT_EQ(ReadHeaderVersion(file), "1.3");
  EXPECT_EQ(file.GetPosition(), 100009u);
}

}  // namespace
