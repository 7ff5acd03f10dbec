// tessaly-cli: repairs damaged PDF files from the command line.
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "BatchRunner.h"
#include "CliOptions.h"
#include "Console.h"
#include "DestinationName.h"
#include "Reporter.h"
#include "tesscore/tesscore.h"

namespace {

constexpr int kExitRepaired = 0;
constexpr int kExitNotRepaired = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;  // as a shell reports a death by SIGINT

std::vector<FileJob> PlanFiles(const CliOptions& options) {
  std::vector<FileJob> files;
  for (const std::string& source : options.sources) {
    std::string destination = options.output;
    if (destination.empty()) {
      destination = options.outputFolder.empty() ? DefaultDestinationName(source)
                                                 : DefaultDestinationIn(options.outputFolder, source);
    }
    files.push_back({source, destination});
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  const auto options = ParseCommandLine(argc, argv);
  if (!options) return kExitUsage;
  if (options->showHelp) {
    PrintHelp();
    return kExitRepaired;
  }
  if (options->showVersion) {
    PrintVersion();
    return kExitRepaired;
  }

  const std::vector<FileJob> files = PlanFiles(*options);
  const bool showProgress = !options->quiet && isatty(STDERR_FILENO) != 0;
  Console console(showProgress);
  Reporter reporter(console, options->quiet, files.size() > 1);
  // Our own front end needs no question and progress per token.
  const uint32_t versionOption = options->versionOption | TESSCORE_OPTION_BATCHED_MESSAGES |
                                 (options->thorough ? TESSCORE_OPTION_THOROUGH : 0u);
  const BatchSettings settings{versionOption, options->force, options->jobs, showProgress};
  BatchRunner runner(settings, console, reporter);
  const int repaired = runner.Run(files);
  if (runner.Interrupted()) return kExitInterrupted;
  return repaired == static_cast<int>(files.size()) ? kExitRepaired : kExitNotRepaired;
}
