// Stream data stays in the source and is copied from there when it is
// written: byte for byte, by the kernel where it can, and through the
// tolerant reader where a sector cannot be read.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "EngineTestSupport.h"
#include "tesscore/tesscore.h"

namespace {

// One page whose content stream carries `data` with a /Length that fits.
std::string PageWithData(const std::string& data) {
  return "%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n"
         "2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n"
         "3 0 obj\n<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>\nendobj\n"
         "4 0 obj\n<< /Length " +
         std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream\nendobj\n";
}

// Bytes that differ everywhere: a copy from the wrong place shows.
std::string Pattern(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>('A' + (i * 7 + i / 251) % 26);
  return data;
}

struct Outcome {
  int result;
  std::string output;
  std::vector<std::string> errors;
};

Outcome Repair(const std::string& bytes, uint32_t options = 0) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("in.pdf"), bytes);
  MessageLog log;
  log.keepTokenMessages = false;
  EngineCallRecord record = log.Record(dir.Path("in.pdf"), dir.Path("out.pdf"), (4u << 16) | options);
  const int result = RepairPdfFile(&record);
  return {result, ReadWholeFile(dir.Path("out.pdf")), log.TextsOf(msgError)};
}

// The data between the "stream" line and "endstream" of the output.
std::string WrittenData(const std::string& output) {
  const size_t begin = output.find("stream\n");
  const size_t end = output.rfind("\nendstream");
  if (begin == std::string::npos || end == std::string::npos || end < begin) return {};
  return output.substr(begin + 7, end - begin - 7);
}

TEST(StreamCopy, DataComesFromTheSourceByteForByteInBothModes) {
  const std::string data = Pattern(3 << 20);
  for (const uint32_t options : {0u, static_cast<uint32_t>(TESSCORE_OPTION_THOROUGH)}) {
    SCOPED_TRACE(options);
    FakeSystemFiles fake;
    const Outcome outcome = Repair(PageWithData(data), options);
    ASSERT_EQ(outcome.result, 1);
    EXPECT_EQ(WrittenData(outcome.output), data);
    // Copied inside the kernel, not through the engine's memory.
    EXPECT_GE(fake.copiedInKernel, data.size());
  }
}

TEST(StreamCopy, UnreadableSectorInsideTheDataIsCopiedAsZeros) {
  std::string data = Pattern(64 << 10);
  const std::string source = PageWithData(data);
  const size_t dataBegin = source.find("stream\n") + 7;
  FakeSystemFiles fake;
  // The parse reads the whole file in one piece; so that the bad sector
  // stays bad for it too, the stretch lies on sector boundaries.
  const uint64_t bad = (dataBegin + 8192) / 512 * 512;
  fake.unreadable = {{bad, bad + 512}};
  const Outcome outcome = Repair(source);
  ASSERT_EQ(outcome.result, 1);
  data.replace(bad - dataBegin, 512, 512, '\0');
  EXPECT_EQ(WrittenData(outcome.output), data);
}

TEST(StreamCopy, AFullDiskDuringTheCopyFailsTheRepair) {
  const std::string source = PageWithData(Pattern(1 << 20));
  FakeSystemFiles fake;
  fake.failWritesWith = ENOSPC;
  const Outcome outcome = Repair(source);
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.errors.size(), 1u);
  FakeSystemFiles shortWrites;
  shortWrites.writeLimit = 300 << 10;  // the disk fills inside the stream's data
  EXPECT_EQ(Repair(source).result, 0);
}

// Streams the writer cuts or mends keep their place in the source: the
// copied bytes are the kept ones.
TEST(StreamCopy, ACutStreamIsCopiedUpToItsEnd) {
  const std::string data = Pattern(100000);
  std::string source = PageWithData(data);
  source.resize(source.find("\nendstream"));  // the file ends inside the data
  const Outcome outcome = Repair(source, TESSCORE_OPTION_THOROUGH);
  ASSERT_EQ(outcome.result, 1);
  const size_t keyword = outcome.output.find("stream\r\n");
  ASSERT_NE(keyword, std::string::npos);
  const size_t begin = keyword + 8;
  EXPECT_EQ(outcome.output.compare(begin, data.size(), data), 0);
}

}  // namespace
