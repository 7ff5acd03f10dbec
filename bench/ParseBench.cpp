// Parse speed: MB/s and tokens/s of the recovery parser on a stream-heavy
// and an object-heavy damaged file, with a callback that only counts, and
// the whole repair through the entry point for comparison.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchFiles.h"
#include "core/RepairEngine.h"
#include "io/File64Ex.h"
#include "model/Document.h"
#include "parser/ParseRun.h"
#include "tesscore/tesscore.h"

namespace {

struct Counts {
  uint64_t questions = 0;
  uint64_t progress = 0;
};

int32_t CountMessage(int32_t code, void*, void* userData) {
  auto& counts = *static_cast<Counts*>(userData);
  if (code == msgQueryStop) ++counts.questions;
  if (code == msgProgress) ++counts.progress;
  return 0;
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void MeasureParse(const char* label, const std::string& path) {
  const double megabytes = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  double best = 1e9;
  Counts counts;
  uint32_t objects = 0;
  for (int run = 0; run < 3; ++run) {
    counts = {};
    CRepairEngine engine(&CountMessage, &counts);
    CFile64Ex file;
    if (!file.Open(path.c_str(), 0x8020)) return;
    ResetSerialNumbers();
    const auto start = std::chrono::steady_clock::now();
    {
      CPdfDocument document(&engine);
      objects = ParseObjects(document, file);
    }
    best = std::min(best, Seconds(start));
  }
  std::printf("%-14s parse  %8.1f MB  %7.0f ms  %8.1f MB/s  %6.2f M tokens/s  (%u objects, %llu tokens)\n", label,
              megabytes, best * 1000, megabytes / best, static_cast<double>(counts.questions) / best / 1e6, objects,
              static_cast<unsigned long long>(counts.questions));
}

void MeasureRepair(const char* label, const std::string& path, const std::string& destination) {
  const double megabytes = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    Counts counts;
    EngineCallRecord record{path.c_str(), 0, 4u << 16, destination.c_str(), &CountMessage, &counts};
    const auto start = std::chrono::steady_clock::now();
    RepairPdfFile(&record);
    best = std::min(best, Seconds(start));
  }
  std::printf("%-14s repair %8.1f MB  %7.0f ms  %8.1f MB/s\n", label, megabytes, best * 1000, megabytes / best);
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder =
      argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path() / "tessaly-bench";
  std::filesystem::create_directories(folder);
  const std::string streams = (folder / "stream-heavy.pdf").string();
  const std::string objects = (folder / "object-heavy.pdf").string();
  if (!std::filesystem::exists(streams)) MakeStreamHeavyFile(streams, 40);
  if (!std::filesystem::exists(objects)) MakeObjectHeavyFile(objects, 200000);
  MeasureParse("stream-heavy", streams);
  MeasureParse("object-heavy", objects);
  MeasureRepair("stream-heavy", streams, (folder / "stream-heavy_fixed.pdf").string());
  MeasureRepair("object-heavy", objects, (folder / "object-heavy_fixed.pdf").string());
  return 0;
}
