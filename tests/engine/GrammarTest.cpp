// What the recovery grammar keeps: only complete "N G obj ... endobj"
// objects reach the table, in the order met, everything else is dropped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "model/Document.h"
#include "model/PdfDictionary.h"

namespace {

// The table as "number generation: written bytes", in table order.
std::vector<std::string> TableOf(const std::string& bytes) {
  ParsedBytes parsed(bytes);
  std::vector<std::string> rows;
  parsed.Document().Table().ForEach([&](const PdfObjectKey& key, const CPdfObjectList& list) {
    for (size_t i = 0; i < list.GetCount(); ++i) {
      rows.push_back(std::to_string(key.number) + " " + std::to_string(key.generation) + ": " +
                     Written(*list.GetAt(i)));
    }
  });
  return rows;
}

using Rows = std::vector<std::string>;

struct GrammarCase {
  std::string input;
  Rows expected;
};

class GrammarTable : public ::testing::TestWithParam<GrammarCase> {};

TEST_P(GrammarTable, KeepsExactlyTheCompleteObjects) { EXPECT_EQ(TableOf(GetParam().input), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Objects, GrammarTable,
    ::testing::Values(
        GrammarCase{"", {}}, GrammarCase{"no objects here 1 2 R", {}},
        GrammarCase{"1 0 obj 42 endobj", {"1 0: 42\r\n"}}, GrammarCase{"1 0 obj endobj", {}},
        GrammarCase{"3 0 obj 1 endobj 3 0 obj 2 endobj", {"3 0: 1\r\n", "3 0: 2\r\n"}},
        GrammarCase{"obj 5 endobj", {"4294967295 4294967295: 5\r\n"}},
        GrammarCase{"4294967293 4294967295 obj 6 endobj", {"4294967293 4294967295: 6\r\n"}},
        GrammarCase{"1 0 obj << /A 1 /A 2 >> endobj", {"1 0: <<\r\n/A\t2\r\n>>\r\n"}},
        GrammarCase{"1 0 obj << 1 2 >> endobj", {}},
        GrammarCase{"1 0 obj << /A 1 /B >> endobj 2 0 obj 9 endobj", {"2 0: 9\r\n"}},
        GrammarCase{"1 0 obj << /A 1 >> 2 0 obj 7 endobj", {"2 0: 7\r\n"}},
        GrammarCase{"1 0 obj [1 [2 (x)] <41>] endobj", {"1 0: [\r\n1\r\n[\r\n2\r\n(x)\r\n]\r\n<41>\r\n]\r\n"}},
        GrammarCase{"1 0 obj (a\\)b) endobj", {"1 0: (a\\)b)\r\n"}},
        GrammarCase{"1 0 obj <41 42> endobj", {"1 0: <41 42>\r\n"}},
        GrammarCase{"1 0 obj <41 x> endobj", {}},
        GrammarCase{"1 0 obj << /Length 2 >> stream\r\nXY\r\nendstream endobj",
                    {"1 0: <<\r\n/Length\t2\r\n>>\r\nstream\r\nXY\r\nendstream\r\n"}},
        GrammarCase{"1 0 obj stream ab endstream endobj 2 0 obj true endobj", {"2 0: true\r\n"}},
        GrammarCase{"1 0 obj (abc endobj 2 0 obj 5 endobj", {}},
        GrammarCase{"xref 0 3 0000000000 65535 f trailer << /Root 1 0 R >> startxref 99 %%EOF", {}},
        GrammarCase{"1 0 obj 5 0 R endobj 2 0 obj null endobj", {"2 0: null\r\n", "1 0: null\r\n"}}));

TEST(Grammar, StopHalfWayThroughADictionaryKeepsEarlierObjects) {
  // Questions: one per token. "1 0 obj", "5", "endobj", "2 0 obj", "<<", "/A"
  // are answered 0; the next one stops.
  ParsedBytes parsed("1 0 obj 5 endobj 2 0 obj << /A 1 >> endobj", 6);
  EXPECT_EQ(parsed.count, 1u);
  EXPECT_NE(parsed.Document().Table().Lookup({1, 0}), nullptr);
  EXPECT_EQ(parsed.Document().Table().Lookup({2, 0}), nullptr);
}

TEST(Grammar, EveryByteOfALiteralStringIsAskedAbout) {
  // "1 0 obj", "5", "endobj", "2 0 obj", "(", six bytes, ")", "endobj": 13
  // questions, whether the bytes come one by one or as one run.
  const std::string bytes = "1 0 obj 5 endobj 2 0 obj (abcdef) endobj";
  EXPECT_EQ(ParsedBytes(bytes, 13).count, 2u);
  EXPECT_EQ(ParsedBytes(bytes, 12).count, 1u);
  EXPECT_EQ(ParsedBytes(bytes, 7).count, 1u);
}

TEST(Grammar, DeepNestingEndsTheParseAndKeepsEarlierObjects) {
  std::string bytes = "1 0 obj 5 endobj 2 0 obj ";
  bytes += std::string(5000, '[') + std::string(5000, ']') + " endobj 3 0 obj 6 endobj";
  ParsedBytes parsed(bytes);
  EXPECT_EQ(parsed.count, 1u);
  EXPECT_TRUE(parsed.log.TextsOf(msgError).empty());
}

TEST(Grammar, NestingWithinTheStackCapIsKept) {
  std::string bytes = "1 0 obj " + std::string(2000, '[') + std::string(2000, ']') + " endobj";
  ParsedBytes parsed(bytes);
  EXPECT_EQ(parsed.count, 1u);
}

TEST(Grammar, DuplicateDefinitionsAllCountAndReferencesTakeTheLast) {
  ParsedBytes parsed("5 0 obj 1 endobj 5 0 obj 2 endobj 6 0 obj 5 0 R endobj");
  EXPECT_EQ(parsed.count, 3u);
  const CPdfObjectList* list = parsed.Document().Table().Lookup({6, 0});
  ASSERT_NE(list, nullptr);
  const auto* reference = static_cast<const CPdfReference*>(list->GetLatest());
  const CPdfObject* target = reference->Resolve();
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(static_cast<const CPdfInteger*>(target)->m_value, 2);
}

}  // namespace
