// Memory that runs out while parsing, for real: a child process with a
// lowered address-space limit meets a word too large to hold.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "EngineTestSupport.h"
#include "tesscore/tesscore.h"

namespace {

// GCC names AddressSanitizer with a macro, clang through __has_feature.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSALY_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(TESSALY_ADDRESS_SANITIZER)
constexpr bool kAddressLimitWorks = false;  // the sanitizer reserves terabytes up front
#else
constexpr bool kAddressLimitWorks = true;
#endif

size_t CurrentAddressSpace() {
  std::ifstream statm("/proc/self/statm");
  size_t pages = 0;
  statm >> pages;
  return pages * 4096;
}

void RepairUnderLimit(const std::string& source, const std::string& destination) {
  MessageLog log;
  log.keepTokenMessages = false;
  EngineCallRecord record = log.Record(source, destination);
  rlimit limit{};
  limit.rlim_cur = limit.rlim_max = CurrentAddressSpace() + (48u << 20);
  if (::setrlimit(RLIMIT_AS, &limit) != 0) std::exit(3);
  const int result = RepairPdfFile(&record);
  const auto errors = log.TextsOf(msgError);
  std::fprintf(stderr, "result %d, %zu errors: %s\n", result, errors.size(), errors.empty() ? "" : errors[0].c_str());
  const bool reported = errors.size() == 1 && errors[0] == "错误 2: 一般错误。内存溢出。";
  const bool kept = ReadWholeFile(destination).find("/Type\t/Catalog") != std::string::npos;
  std::exit(result == 1 && reported && kept ? 0 : 1);
}

// A declared length is a claim of the source, not a size to make room for:
// with 8 MB of address space to spare the repair still succeeds.
void RepairHugeLengthsUnderLimit(const std::string& source, const std::string& destination, uint32_t options) {
  MessageLog log;
  EngineCallRecord record = log.Record(source, destination, (4u << 16) | options);
  rlimit limit{};
  limit.rlim_cur = limit.rlim_max = CurrentAddressSpace() + (8u << 20);
  if (::setrlimit(RLIMIT_AS, &limit) != 0) std::exit(3);
  const int result = RepairPdfFile(&record);
  const size_t errors = log.TextsOf(msgError).size();
  std::fprintf(stderr, "result %d, %zu errors\n", result, errors);
  std::exit(result == 1 && errors == 0 ? 0 : 1);
}

// Memory that runs out while the object streams already collected are
// unpacked loses what the parse had found: the repair fails.
void RepairLosingCollectedObjects(const std::string& source, const std::string& destination) {
  MessageLog log;
  log.keepTokenMessages = false;
  EngineCallRecord record = log.Record(source, destination, (4u << 16) | TESSCORE_OPTION_REPORT);
  rlimit limit{};
  limit.rlim_cur = limit.rlim_max = CurrentAddressSpace() + (48u << 20);
  if (::setrlimit(RLIMIT_AS, &limit) != 0) std::exit(3);
  const int result = RepairPdfFile(&record);
  const auto errors = log.TextsOf(msgError);
  std::fprintf(stderr, "result %d, %zu errors\n", result, errors.size());
  std::exit(result == 0 && errors.size() == 1 && errors[0] == "错误 2: 一般错误。内存溢出。" ? 0 : 1);
}

// Containers of arrays of integers, the same bytes in each: a few megabytes
// that the model would make hundreds of megabytes.
std::string IntegerArrayContainers(int containers) {
  std::string header;
  std::string body;
  std::string array = "[";
  for (int i = 0; i < 100000; ++i) array += "0 ";
  array += "]\n";
  for (int i = 0; i < 100; ++i) {
    header += std::to_string(1000 + i) + " " + std::to_string(body.size()) + " ";
    body += array;
  }
  header += "\n";
  const std::string data = header + body;
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string deflated(size, '\0');
  compress2(reinterpret_cast<Bytef*>(deflated.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
            static_cast<uLong>(data.size()), 6);
  deflated.resize(size);
  std::string bytes = "%PDF-1.5\n1 0 obj << /Type /Catalog >> endobj\n";
  for (int i = 0; i < containers; ++i) {
    bytes += std::to_string(10 + i) + " 0 obj\n<< /Type /ObjStm /N 100 /First " + std::to_string(header.size()) +
             " /Filter /FlateDecode /Length " + std::to_string(deflated.size()) + " >>\nstream\n" + deflated +
             "\nendstream\nendobj\n";
  }
  return bytes;
}

TEST(MemoryExhaustion, UnpackingThatRunsOutFailsTheRepair) {
  if (!kAddressLimitWorks) GTEST_SKIP() << "address-space limits do not apply under the address sanitizer";
  ScratchDir dir;
  const std::string source = dir.Path("arrays.pdf");
  WriteWholeFile(source, IntegerArrayContainers(150));
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(RepairLosingCollectedObjects(source, dir.Path("out.pdf")), ::testing::ExitedWithCode(0),
              "result 0, 1 errors");
}

TEST(MemoryExhaustion, HugeDeclaredLengthAllocatesNothing) {
  if (!kAddressLimitWorks) GTEST_SKIP() << "address-space limits do not apply under the address sanitizer";
  ScratchDir dir;
  const std::string source = dir.Path("lengths.pdf");
  WriteWholeFile(source,
                 "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                 "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
                 "3 0 obj << /Type /Page /Parent 2 0 R /Contents [4 0 R 5 0 R] >> endobj\n"
                 "4 0 obj << /Length 1000000000000000 >>\nstream\n0 0 m S\nendstream\nendobj\n"
                 "5 0 obj << /Length 2147483647 >>\nstream\n1 1 m S\nendstream\nendobj\n");
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const uint32_t options : {0u, static_cast<uint32_t>(TESSCORE_OPTION_THOROUGH)}) {
    EXPECT_EXIT(RepairHugeLengthsUnderLimit(source, dir.Path("out.pdf"), options), ::testing::ExitedWithCode(0),
                "result 1, 0 errors");
  }
}

TEST(MemoryExhaustion, ReportedAndEarlierObjectsStillWritten) {
  if (!kAddressLimitWorks) GTEST_SKIP() << "address-space limits do not apply under the address sanitizer";
  ScratchDir dir;
  const std::string source = dir.Path("big.pdf");
  {
    std::ofstream out(source, std::ios::binary);
    out << "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n";
    const std::string chunk(1 << 20, 'w');
    for (int i = 0; i < 160; ++i) out << chunk;
    if (!out) GTEST_SKIP() << "not enough disk space";
  }
  const std::string destination = dir.Path("out.pdf");
  // A fresh process: one forked from this one would inherit a heap that
  // earlier tests left large enough to hide the limit.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(RepairUnderLimit(source, destination), ::testing::ExitedWithCode(0), "result 1, 1 errors");
}

}  // namespace
