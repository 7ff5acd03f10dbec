// Token sequences of the scanner's edge cases: longest match with rule
// priority, numbers, strings, streams and what is skipped.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "Grammar.hpp"
#include "core/RepairEngine.h"
#include "io/File64Ex.h"
#include "model/Document.h"
#include "parser/Tokenizer.h"

namespace {

std::string Describe(int code, const TokenValue& value) {
  switch (code) {
    case TOKEN_INTEGER: {
      std::unique_ptr<CPdfObject> owned(value.object);
      return "I" + std::to_string(static_cast<CPdfInteger*>(value.object)->m_value);
    }
    case TOKEN_BOOLEAN:
    case TOKEN_REAL:
    case TOKEN_NAME:
    case TOKEN_NULL: {
      std::unique_ptr<CPdfObject> owned(value.object);
      const char* prefix = code == TOKEN_BOOLEAN ? "B" : code == TOKEN_REAL ? "R" : code == TOKEN_NAME ? "N" : "Z";
      return prefix + std::string(static_cast<CPdfText*>(value.object)->Bytes());
    }
    case TOKEN_INDIRECT_REF: {
      std::unique_ptr<CPdfObject> owned(value.object);
      const auto* reference = static_cast<CPdfReference*>(value.object);
      return "ref " + std::to_string(reference->m_key.number) + " " + std::to_string(reference->m_key.generation);
    }
    case TOKEN_OBJ: return "obj " + std::to_string(value.key.number) + " " + std::to_string(value.key.generation);
    case TOKEN_LITSTR_BYTES: return "L" + std::string(value.piece.bytes, value.piece.length);
    case TOKEN_HEXSTR_BYTES: return "H" + std::string(value.piece.bytes, value.piece.length);
    case TOKEN_STREAM_BYTE: return "S" + std::string(1, static_cast<char>(value.byte));
    case TOKEN_STREAM_RUN: return "S" + std::string(value.run->data, value.run->length);
    case TOKEN_LITSTR_RUN: return "L" + std::string(value.run->data, value.run->length);
    case TOKEN_LEFT_PAREN: return "(";
    case TOKEN_RIGHT_PAREN: return ")";
    case TOKEN_LEFT_ANGLE_BRACKET: return "<";
    case TOKEN_RIGHT_ANGLE_BRACKET: return ">";
    case TOKEN_LEFT_SQUARE_BRACKET: return "[";
    case TOKEN_RIGHT_SQUARE_BRACKET: return "]";
    case TOKEN_DBL_LEFT_ANGLE_BRACKET: return "<<";
    case TOKEN_DBL_RIGHT_ANGLE_BRACKET: return ">>";
    case TOKEN_STREAM: return "stream";
    case TOKEN_ENDSTREAM: return "endstream";
    case TOKEN_ENDOBJ: return "endobj";
    default: return "?" + std::to_string(code);
  }
}

std::vector<std::string> Tokenize(const std::string& bytes) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("in"), bytes);
  CFile64Ex file;
  if (!file.Open(dir.Path("in").c_str(), 0x8020)) return {"open failed"};
  CRepairEngine engine(nullptr, nullptr);
  CPdfDocument document(&engine);
  BindScanner(&document, &file, file.GetLength());
  ResetTokenizer();
  std::vector<std::string> tokens;
  TokenValue value;
  for (int code; (code = NextToken(&value)) != 0;) {
    // A run of stream or string bytes stands for one token per byte.
    const std::string token = Describe(code, value);
    if (code != TOKEN_STREAM_RUN && code != TOKEN_LITSTR_RUN) {
      tokens.push_back(token);
      continue;
    }
    for (char byte : token.substr(1)) tokens.push_back(token.substr(0, 1) + std::string(1, byte));
  }
  BindScanner(nullptr, nullptr, 0);
  return tokens;
}

using Tokens = std::vector<std::string>;

struct TokenCase {
  std::string input;
  Tokens expected;
};

class TokenSequence : public ::testing::TestWithParam<TokenCase> {};

TEST_P(TokenSequence, MatchesTheRules) { EXPECT_EQ(Tokenize(GetParam().input), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Numbers, TokenSequence,
    ::testing::Values(TokenCase{"2147483647", {"I2147483647"}}, TokenCase{"2147483648", {"R2147483648"}},
                      TokenCase{"-2147483648", {"I-2147483648"}}, TokenCase{"-2147483649", {"R-2147483649"}},
                      TokenCase{"+5 005", {"I5", "I5"}}, TokenCase{"3. .5 -.5", {"R3.", "R.5", "R-.5"}},
                      TokenCase{". + - 1e5 1.2.3 12abc", {}}, TokenCase{"true truex null nullx", {"Btrue", "Znull"}}));

INSTANTIATE_TEST_SUITE_P(
    ReferencesAndHeaders, TokenSequence,
    ::testing::Values(TokenCase{"12 0 R", {"ref 12 0"}}, TokenCase{"12 0 r", {"I12", "I0"}},
                      TokenCase{"12 0 Rx", {"ref 12 0"}}, TokenCase{"12 0 x", {"I12", "I0"}},
                      TokenCase{std::string("12\r\n0\t\0obj", 10), {"obj 12 0"}},
                      TokenCase{"0 0 obj", {"I0", "I0", "obj 4294967295 4294967295"}},
                      TokenCase{"99999999999 0 obj", {"obj 4294967295 4294967295"}},
                      TokenCase{"99999999999 0 R", {"ref 4294967294 4294967295"}},
                      TokenCase{"+5 0 R", {"I5", "I0"}}, TokenCase{"007 00 R", {"ref 7 0"}},
                      TokenCase{"12 0 obj<<", {"obj 12 0", "<<"}}, TokenCase{"12 %c\n0 R", {"I12", "I0"}},
                      TokenCase{"objx obj endobj endstream streamer", {"obj 4294967295 4294967295", "endobj"}}));

INSTANTIATE_TEST_SUITE_P(
    NumbersAmongOtherWords, TokenSequence,
    ::testing::Values(TokenCase{"[10 0 30 40]", {"[", "I10", "I0", "I30", "I40", "]"}},
                      TokenCase{"1 2 3 R 4 5", {"I1", "ref 2 3", "I4", "I5"}},
                      TokenCase{"10/x 10(a)10%c\n9", {"I10", "N/x", "I10", "(", "La", ")", "I10", "I9"}},
                      TokenCase{"12\t\r\n 7 \f/N 1 2 objx", {"I12", "I7", "N/N", "obj 1 2"}},
                      TokenCase{"3 4 5.5 6x 7 8 Q", {"I3", "I4", "R5.5", "I7", "I8"}}));

INSTANTIATE_TEST_SUITE_P(
    NamesAndDelimiters, TokenSequence,
    ::testing::Values(TokenCase{"/", {"N/"}}, TokenCase{"/A/B", {"N/A", "N/B"}}, TokenCase{"/A#20B", {"N/A#20B"}},
                      TokenCase{"[]<<>>) { } > x", {"[", "]", "<<", ">>"}},
                      TokenCase{"% comment\r\n/A %x\r/B", {"N/A", "N/B"}}, TokenCase{"%%EOF", {}}));

INSTANTIATE_TEST_SUITE_P(
    Strings, TokenSequence,
    ::testing::Values(TokenCase{"(a(b)c)", {"(", "La", "L(", "Lb", "L)", "Lc", ")"}},
                      TokenCase{"(a\\)b)", {"(", "La", "L\\)", "Lb", ")"}}, TokenCase{"(a\\", {"(", "La", "L\\"}},
                      TokenCase{"(%x)", {"(", "L%", "Lx", ")"}},
                      TokenCase{"<4 1\n>", {"<", "H4", "H ", "H1", "H\n", ">"}}, TokenCase{"<>", {"<", ">"}},
                      TokenCase{"<41/N>", {"<", "H4", "H1", "N/N"}}, TokenCase{"<4%x\n/A", {"<", "H4", "N/A"}}));

INSTANTIATE_TEST_SUITE_P(
    Streams, TokenSequence,
    ::testing::Values(TokenCase{"stream\r\nAB\r\nendstream",
                                {"stream", "S\r", "S\n", "SA", "SB", "S\r", "S\n", "endstream"}},
                      TokenCase{"streamx", {}}, TokenCase{"stream eendstreamx", {"stream", "S ", "Se", "endstream"}},
                      TokenCase{"stream ab", {"stream", "S ", "Sa", "Sb"}}));

TEST(Tokenizer, NulBytesAreWhitespaceAndNeverEndTheInput) {
  EXPECT_EQ(Tokenize(std::string("1\0\0002 0 R\0", 10)), (Tokens{"I1", "ref 2 0"}));
}

TEST(Tokenizer, EachRunStartsFresh) {
  // The first file ends inside a stream and a comment; the next starts clean.
  EXPECT_EQ(Tokenize("stream abc"), (Tokens{"stream", "S ", "Sa", "Sb", "Sc"}));
  EXPECT_EQ(Tokenize("1 0 R"), (Tokens{"ref 1 0"}));
  EXPECT_EQ(Tokenize("%%EOF"), Tokens{});
  EXPECT_EQ(Tokenize("true"), Tokens{"Btrue"});
}

TEST(Tokenizer, EveryStreamByteGetsItsQuestionAndProgress) {
  const std::string bytes = "1 0 obj << >> stream\nABCDEFGH\nendstream endobj";
  ParsedBytes parsed(bytes);
  EXPECT_EQ(parsed.count, 1u);
  // obj, <<, >>, stream, 10 data bytes, endstream, endobj, and the call
  // that meets the end.
  EXPECT_EQ(parsed.log.TextsOf(msgQueryStop).size(), 17u);
  EXPECT_EQ(parsed.log.TextsOf(msgProgress).size(), 17u);
  // A stop answered at a byte inside the data asks nothing more.
  ParsedBytes stopped(bytes, 8);
  EXPECT_EQ(stopped.count, 0u);
  EXPECT_EQ(stopped.log.TextsOf(msgQueryStop).size(), 9u);
  EXPECT_EQ(stopped.log.TextsOf(msgProgress).size(), 8u);
}

TEST(Tokenizer, StopAnswerEndsTheInputBeforeReading) {
  ParsedBytes parsed("1 0 obj 5 endobj", 0);
  EXPECT_EQ(parsed.count, 0u);
  EXPECT_TRUE(parsed.log.TextsOf(msgProgress).empty());
}

TEST(Tokenizer, ProgressFollowsTheReadPosition) {
  std::string bytes = "1 0 obj (";
  bytes += std::string(20000, 'x') + ") endobj";
  ParsedBytes parsed(bytes);
  const auto progress = parsed.log.TextsOf(msgProgress);
  ASSERT_FALSE(progress.empty());
  // The first question comes before any read; then the first read has taken
  // 8192 of 20017 bytes: trunc(8192 * 80 / 20017).
  ASSERT_GE(progress.size(), 2u);
  EXPECT_EQ(progress[0], "0");
  EXPECT_EQ(progress[1], "32");
  EXPECT_EQ(progress.back(), "80");
  EXPECT_EQ(parsed.log.TextsOf(msgQueryStop).size(), progress.size());
}

TEST(Tokenizer, HugeWordWithoutWhitespaceIsSkipped) {
  ScratchDir dir;
  const std::string path = dir.Path("word");
  {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fputs("1 0 obj 7 endobj\n", out);
    const std::string chunk(1 << 20, 'w');
    for (int i = 0; i < 100; ++i) {
      if (std::fwrite(chunk.data(), 1, chunk.size(), out) != chunk.size()) {
        std::fclose(out);
        GTEST_SKIP() << "not enough disk space";
      }
    }
    std::fputs("\n2 0 obj 8 endobj", out);
    std::fclose(out);
  }
  ParsedBytes parsed(ReadWholeFile(path), -1, false);
  EXPECT_EQ(parsed.count, 2u);
}

}  // namespace

// Stream data is taken from the scanner's own buffer in runs, which leans on
// how the generated scanner keeps its buffer, its position and the byte it
// sets aside. Data that puts a near "endstream" across every position of a
// read, in every mode, must come through byte for byte.
TEST(Tokenizer, StreamRunsKeepEveryByteAcrossReadsInEveryMode) {
  std::string data;
  const std::string piece = "endstreaendstre\nendst\reeeendstream_";  // no "endstream" once the last "m" goes
  while (data.size() < (600u << 10)) data += piece.substr(0, piece.size() - 6) + "x" + std::to_string(data.size());
  ASSERT_EQ(data.find("endstream"), std::string::npos);
  const std::string source = "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n2 0 obj << /Length " +
                             std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream\nendobj\n";
  ScratchDir dir;
  WriteWholeFile(dir.Path("in.pdf"), source);
  for (const uint32_t options : {0u, TESSCORE_OPTION_BATCHED_MESSAGES, TESSCORE_OPTION_THOROUGH,
                                 TESSCORE_OPTION_THOROUGH | TESSCORE_OPTION_BATCHED_MESSAGES}) {
    MessageLog log;
    log.keepTokenMessages = false;
    EngineCallRecord record = log.Record(dir.Path("in.pdf"), dir.Path("out.pdf"), (4u << 16) | options);
    ASSERT_EQ(RepairPdfFile(&record), 1) << "options " << options;
    const std::string output = ReadWholeFile(dir.Path("out.pdf"));
    EXPECT_NE(output.find("stream\n" + data + "\nendstream"), std::string::npos) << "options " << options;
  }
}
