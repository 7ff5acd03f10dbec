// Memory that runs out while parsing, for real: a child process with a
// lowered address-space limit meets a word too large to hold.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "EngineTestSupport.h"
#include "tesscore/tesscore.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
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
