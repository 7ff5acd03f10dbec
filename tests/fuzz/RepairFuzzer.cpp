// The contract: any byte string, repaired as a file, gives result 0 or 1 and
// never a crash, a hang or a leak. The callback answers every question with
// "go on" (a password query with a wrong password) and counts what it hears,
// so that every message is delivered. The low bits of the first byte choose
// the engine's options, so that one input
// reaches both the default and the thorough parse ("%" of a PDF header picks
// thorough recovery; the fuzz script also seeds each file behind a space).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tesscore/tesscore.h"

namespace {

struct Heard {
  uint64_t messages = 0;
  uint64_t progress = 0;
};

int32_t Count(int32_t code, void* data, void* userData) {
  auto& heard = *static_cast<Heard*>(userData);
  ++heard.messages;
  if (code == msgProgress) {
    const uint8_t percent = *static_cast<const uint8_t*>(data);
    if (percent > 100) std::abort();
    heard.progress += percent;
  }
  if (code == msgQueryPassword) {
    auto& query = *static_cast<PasswordQuery*>(data);
    if (query.attempt < 1 || query.attempt > 3) std::abort();
    query.password = "fuzz";
    query.length = 4;
    return 1;
  }
  return 0;
}

std::string ScratchPath(const char* suffix) {
  const char* folder = std::getenv("TMPDIR");
  return std::string(folder != nullptr ? folder : "/tmp") + "/tessaly-fuzz-" + std::to_string(::getpid()) + suffix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string source = ScratchPath(".pdf");
  static const std::string destination = ScratchPath("-out.pdf");
  std::FILE* file = std::fopen(source.c_str(), "wb");
  if (file == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);

  Heard heard;
  const uint32_t options = size > 0 ? data[0] & (TESSCORE_OPTION_THOROUGH | TESSCORE_OPTION_BATCHED_MESSAGES | TESSCORE_OPTION_PASSWORD_QUERY) : 0;
  const EngineCallRecord record{source.c_str(), 0, (4u << 16) | options, destination.c_str(), &Count, &heard};
  const int result = RepairPdfFile(&record);
  if (result != 0 && result != 1) std::abort();
  ::unlink(destination.c_str());
  return 0;
}
