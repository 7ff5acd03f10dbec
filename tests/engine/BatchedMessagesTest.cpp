// Batched messages: the same repaired bytes with far fewer messages, and a
// stop that is still heard within a bounded stretch of input, also where the
// input gives no token at all.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include "EngineTestSupport.h"
#include "tesscore/tesscore.h"

namespace {

constexpr uint32_t kBatched = (4u << 16) | TESSCORE_OPTION_BATCHED_MESSAGES;
// A stop answered at a question is heard before this many more bytes are
// read: the question step, and the read that was under way.
constexpr uint64_t kStopDistance = 64 * 1024 + 2 * 128 * 1024;

// Two pages around a stream of `streamBytes` binary bytes and a run of NUL
// bytes, which gives no token at all.
std::string TwoPagesAroundAStream(size_t streamBytes, size_t nulBytes) {
  std::string data(streamBytes, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7919u) >> 3);
  return "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n"
         "2 0 obj << /Type /Page /Contents 3 0 R >> endobj\n"
         "3 0 obj << /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
         "\nendstream\nendobj\n" + std::string(nulBytes, '\0') + "\n4 0 obj << /Type /Page >> endobj\n";
}

struct RepairRun {
  int result;
  std::string output;
  MessageLog log;
};

void RepairInto(RepairRun& run, const std::string& source, uint32_t option) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("in.pdf"), source);
  EngineCallRecord record = run.log.Record(dir.Path("in.pdf"), dir.Path("out.pdf"), option);
  run.result = RepairPdfFile(&record);
  run.output = ReadWholeFile(dir.Path("out.pdf"));
}

TEST(BatchedMessages, SameBytesWithAQuestionPerStretchAndOnlyChangedProgress) {
  // One clock for both runs: the dates would otherwise differ across a second.
  ::setenv("SOURCE_DATE_EPOCH", "1767225600", 1);
  const std::string source = TwoPagesAroundAStream(3 << 20, 1 << 20);
  RepairRun perToken;
  perToken.log.keepTokenMessages = false;
  RepairInto(perToken, source, 4u << 16);
  RepairRun batched;
  RepairInto(batched, source, kBatched);

  ASSERT_EQ(batched.result, 1);
  EXPECT_TRUE(batched.output == perToken.output);
  // Four object headers, 4 MiB read, six written objects, a few to spare.
  const size_t questions = batched.log.TextsOf(msgQueryStop).size();
  EXPECT_LE(questions, 4u + (source.size() >> 16) + 6u + 4u);
  EXPECT_GT(perToken.log.tokenMessages, size_t{2} * (3 << 20));

  const std::vector<std::string> progress = batched.log.TextsOf(msgProgress);
  ASSERT_GE(progress.size(), 3u);
  EXPECT_EQ(progress.front(), "0");
  EXPECT_EQ(progress.back(), "100");
  for (size_t i = 1; i < progress.size(); ++i) {
    EXPECT_LT(std::stoi(progress[i - 1]), std::stoi(progress[i])) << "at " << i;
  }
}

// Answers the stop question from the first question after `progressToStop`
// and notes how many bytes had been read when it first did.
struct StopCounter {
  FakeSystemFiles* files;
  int progressToStop;
  bool stopping = false;
  size_t readsAtStop = 0;

  static int32_t Callback(int32_t code, void* data, void* userData) {
    auto& self = *static_cast<StopCounter*>(userData);
    if (code == msgProgress && *static_cast<const uint8_t*>(data) >= self.progressToStop) self.stopping = true;
    if (code != msgQueryStop || !self.stopping) return 0;
    if (self.readsAtStop == 0) self.readsAtStop = self.files->reads.size();
    return 1;
  }

  uint64_t BytesReadAfterStop() const {
    uint64_t bytes = 0;
    for (size_t i = readsAtStop; i < files->reads.size(); ++i) bytes += files->reads[i].second;
    return bytes;
  }
};

TEST(BatchedMessages, AStopIsHeardWithinAShortStretchInStreamDataAndInRunsOfNulBytes) {
  // A stop at 20 % falls inside the stream data, one at 60 % inside the NULs.
  for (const int progressToStop : {20, 60}) {
    ScratchDir dir;
    WriteWholeFile(dir.Path("in.pdf"), TwoPagesAroundAStream(8 << 20, 8 << 20));
    FakeSystemFiles files;
    StopCounter counter{&files, progressToStop};
    const std::string source = dir.Path("in.pdf");
    const std::string destination = dir.Path("out.pdf");
    EngineCallRecord record{source.c_str(), 0, kBatched, destination.c_str(), &StopCounter::Callback, &counter};
    EXPECT_EQ(RepairPdfFile(&record), 0);
    ASSERT_GT(counter.readsAtStop, 0u);
    EXPECT_LE(counter.BytesReadAfterStop(), kStopDistance) << "stop at " << progressToStop << " %";
  }
}

}  // namespace
