// The looks through every byte that the parse makes on the way: a word
// searched sixteen places at a time, the trailer keywords seen in the pieces
// the parse reads, and runs of zeros in stream data. Each must find what a
// plain search of the whole bytes finds, however the bytes are cut.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "base/FindWord.h"
#include "io/File64Ex.h"
#include "io/SourceReader.h"
#include "model/StreamData.h"
#include "parser/TrailerScan.h"

namespace {

// Text of few letters, so that the words' first and last bytes meet often.
std::string TextOfLetters(size_t size, std::string_view letters, std::mt19937& random) {
  std::string text(size, ' ');
  for (char& byte : text) byte = letters[random() % letters.size()];
  return text;
}

TEST(FindWord, FindsWhatAPlainSearchFindsAtEveryPlace) {
  std::mt19937 random(7);
  for (const std::string_view word : {std::string_view("endstream"), std::string_view("trailer")}) {
    for (size_t size = 0; size < 80; ++size) {
      for (size_t at = 0; at + word.size() <= size; ++at) {
        std::string text = TextOfLetters(size, "eamnrt", random);
        text.replace(at, word.size(), word);
        const size_t expected = std::string_view(text).find(word);
        const char* found = FindWord(text.data(), text.data() + text.size(), word);
        ASSERT_EQ(static_cast<size_t>(found - text.data()), expected) << word << " size " << size << " at " << at;
      }
      const std::string none = TextOfLetters(size, "eamnrt", random);
      const size_t expected = std::string_view(none).find(word);
      const char* found = FindWord(none.data(), none.data() + none.size(), word);
      ASSERT_EQ(found == none.data() + none.size() ? std::string_view::npos : static_cast<size_t>(found - none.data()),
                expected);
    }
  }
}

std::vector<uint64_t> KeywordsInPieces(const std::string& file, std::mt19937& random, size_t largestPiece) {
  CTrailerKeywords keywords;
  for (size_t at = 0; at < file.size();) {
    const size_t piece = std::min(file.size() - at, 1 + random() % largestPiece);
    keywords.Feed(at, std::string_view(file).substr(at, piece));
    at += piece;
  }
  std::vector<uint64_t> found;
  EXPECT_TRUE(keywords.Take(file.size(), found));
  return found;
}

TEST(TrailerKeywords, PiecesOfAnySizeFindTheSameKeywords) {
  std::mt19937 random(11);
  std::string file = TextOfLetters(3u << 20, "trailer \n/<", random);
  // A keyword at the start, words glued to others, and one at the very end.
  file.replace(0, 8, "trailer ");
  file.replace(1000, 9, "xtrailer ");
  file.replace(2000, 9, " trailerx");
  file.replace(file.size() - 8, 8, " trailer");
  std::vector<uint64_t> whole;
  CTrailerKeywords once;
  once.Feed(0, file);
  ASSERT_TRUE(once.Take(file.size(), whole));
  ASSERT_FALSE(whole.empty());
  EXPECT_EQ(whole.back(), file.size() - 7);
  for (const size_t largest : {1u, 5u, 8u, 100u, 8192u, 131072u}) {
    EXPECT_EQ(KeywordsInPieces(file, random, largest), whole) << "pieces up to " << largest;
  }
}

// The scan of the whole file reads blocks of a megabyte and does not look
// past a block's end: a keyword that ends one counts when either of its
// neighbours allows. Earlier outputs depend on that.
TEST(TrailerKeywords, AKeywordAtAMegabyteCountsAsTheBlockScanCountedIt) {
  constexpr size_t kMegabyte = size_t{1} << 20;
  std::string file(2 * kMegabyte + 100, 'x');
  file.replace(kMegabyte - 8, 9, " trailerx");       // ends the first block, glued after
  file.replace(2 * kMegabyte - 8, 9, "xtrailer ");  // ends the second, glued before
  file.replace(kMegabyte + 100, 9, "xtrailer ");    // inside a block, glued: never
  std::mt19937 random(3);
  const std::vector<uint64_t> expected{kMegabyte - 7, 2 * kMegabyte - 7};
  EXPECT_EQ(KeywordsInPieces(file, random, 4096), expected);
  EXPECT_EQ(KeywordsInPieces(file, random, 3 * kMegabyte), expected);
}

TEST(TrailerKeywords, PiecesThatSkipOrStopShortAnswerNothing) {
  CTrailerKeywords gap;
  gap.Feed(0, "abc trailer ");
  gap.Feed(20, " trailer ");
  std::vector<uint64_t> found;
  EXPECT_FALSE(gap.Take(29, found));
  CTrailerKeywords shortOfTheEnd;
  shortOfTheEnd.Feed(0, "abc trailer ");
  EXPECT_FALSE(shortOfTheEnd.Take(100, found));
}

TEST(StreamDataZeroRuns, ARunIsSeenAcrossPiecesAndOneByteShortIsNot) {
  CFile64Ex unopened;
  CSourceReader source(unopened);
  const std::string run(kZeroRunLength, '\0');
  const std::string shortRun(kZeroRunLength - 1, '\0');
  std::mt19937 random(5);
  for (int round = 0; round < 200; ++round) {
    std::string bytes = TextOfLetters(400 + random() % 400, "ab", random);
    const bool whole = round % 2 == 0;
    bytes.insert(random() % bytes.size(), whole ? run : shortRun);
    CStreamData data(source, 0);
    for (size_t at = 0; at < bytes.size();) {
      const size_t piece = std::min(bytes.size() - at, 1 + random() % 70);
      if (piece == 1) {
        data.push_back(bytes[at]);
      } else {
        data.append(bytes.data() + at, piece);
      }
      at += piece;
    }
    ASSERT_EQ(data.MayHoldZeroRun(), whole) << "round " << round;
  }
  // Data held in memory was never looked at: it may hold one.
  EXPECT_TRUE(CStreamData(std::string("abc")).MayHoldZeroRun());
}

}  // namespace
