// Repairs one file thoroughly with the report and prints the report's text:
//   report_driver SOURCE DESTINATION [--default]
// Exit status: the engine's result (1 written, 0 not), 2 for bad arguments.
// bench/report_check.py runs it over folders and checks the facts.
#include <cstdio>
#include <cstring>
#include <string>

#include "tesscore/tesscore.h"

namespace {

int32_t Receive(int32_t code, void* data, void* userData) {
  if (code == msgReport) *static_cast<std::string*>(userData) += static_cast<const char*>(data);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4 || (argc == 4 && std::strcmp(argv[3], "--default") != 0)) {
    std::fprintf(stderr, "usage: report_driver SOURCE DESTINATION [--default]\n");
    return 2;
  }
  const uint32_t mode = argc == 4 ? 0u : TESSCORE_OPTION_THOROUGH;
  std::string report;
  const EngineCallRecord record{argv[1], 0, (4u << 16) | mode | TESSCORE_OPTION_REPORT, argv[2], Receive, &report};
  const int result = RepairPdfFile(&record);
  std::printf("%s\n", report.c_str());
  return result;
}
