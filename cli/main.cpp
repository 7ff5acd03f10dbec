// tessaly-cli: repairs a damaged PDF file from the command line.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "DestinationName.h"
#include "tesscore/tesscore.h"

namespace {

constexpr uint32_t kDefaultVersionOption = 4u << 16;  // "1.4"

struct RunState {
  bool progressOnTerminal = false;
  int lastPercent = -1;
  bool progressShown = false;
};

void EndProgressLine(RunState& state) {
  if (state.progressShown) {
    std::fputc('\n', stderr);
    state.progressShown = false;
  }
}

int32_t OnEngineMessage(int32_t code, void* data, void* userData) {
  auto& state = *static_cast<RunState*>(userData);
  switch (code) {
    case msgProgress: {
      const int percent = *static_cast<const uint8_t*>(data);
      if (state.progressOnTerminal && percent != state.lastPercent) {
        std::fprintf(stderr, "\r%3d%%", percent);
        state.progressShown = true;
      }
      state.lastPercent = percent;
      break;
    }
    case msgLogLine:
    case msgError:
      EndProgressLine(state);
      std::fprintf(stderr, "%s\n", static_cast<const char*>(data));
      break;
    default: break;
  }
  return 0;
}

void PrintUsage(std::FILE* out) {
  std::fputs("用法: tessaly-cli 来源文件 [目标文件]\n", out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || std::strcmp(argv[1], "--help") == 0) {
    PrintUsage(argc < 2 || argc > 3 ? stderr : stdout);
    return argc < 2 || argc > 3 ? 2 : 0;
  }
  const std::string source = argv[1];
  const std::string destination = argc == 3 ? argv[2] : DefaultDestinationName(source);

  RunState state;
  state.progressOnTerminal = isatty(STDERR_FILENO) != 0;
  EngineCallRecord record{source.c_str(), 0, kDefaultVersionOption, destination.c_str(),
                          &OnEngineMessage, &state};
  const int result = RepairPdfFile(&record);
  EndProgressLine(state);
  return result != 0 ? 0 : 1;
}
