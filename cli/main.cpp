// tessaly-cli: repairs damaged PDF files from the command line.
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "FileJobs.h"
#include "BatchRunner.h"
#include "CliOptions.h"
#include "CliTexts.h"
#include "Console.h"
#include "PasswordSource.h"
#include "Reporter.h"
#include "tesscore/tesscore.h"

namespace {

constexpr int kExitRepaired = 0;
constexpr int kExitNotRepaired = 1;
constexpr int kExitUsage = 2;
constexpr int kExitDamaged = 4;  // --check: damaged, and something can be recovered
constexpr int kExitInterrupted = 130;  // as a shell reports a death by SIGINT

// What could not be written was not said: a full disk or a closed pipe on
// standard output is a failure of the run.
int ExitAfterOutput(int status, bool outputFailed) {
  const bool stdoutFailed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
  if (!outputFailed && !stdoutFailed) return status;
  std::fputs(texts::kOutputFailed, stderr);
  return status == kExitRepaired ? kExitNotRepaired : status;
}

int Repair(const CliOptions& options) {
  const std::vector<FileJob> files = PlanFiles(options);
  const bool showProgress = !options.quiet && isatty(STDERR_FILENO) != 0;
  Console console(showProgress);
  Reporter reporter(console, {options.quiet, files.size() > 1, options.json, options.check, options.thorough});
  // Our own front end needs no question and progress per token. It is asked
  // for a password also when it has none, so that it can answer none, and
  // always for the report, which every file's result ends with.
  const uint32_t versionOption = options.versionOption | TESSCORE_OPTION_BATCHED_MESSAGES |
                                 TESSCORE_OPTION_PASSWORD_QUERY | TESSCORE_OPTION_REPORT |
                                 (options.thorough ? TESSCORE_OPTION_THOROUGH : 0u);
  const BatchSettings settings{versionOption, options.force, options.check, options.jobs, showProgress,
                               options.password};
  BatchRunner runner(settings, console, reporter);
  const int repaired = runner.Run(files);
  int status = repaired == static_cast<int>(files.size()) ? kExitRepaired : kExitNotRepaired;
  if (options.check && status == kExitRepaired && runner.Damaged() > 0) status = kExitDamaged;
  if (runner.Interrupted()) status = kExitInterrupted;
  return ExitAfterOutput(status, console.OutputFailed());
}

// A password file that cannot give a password ends the run before any
// repair, like a usage error.
int RepairWithPassword(CliOptions& options) {
  if (!options.passwordFile.empty() && !ReadPasswordFile(options.passwordFile, options.password)) {
    return kExitUsage;
  }
  const int status = Repair(options);
  WipePassword(options.password);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  auto options = ParseCommandLine(argc, argv);
  if (!options) return kExitUsage;
  if (options->showHelp) {
    PrintHelp();
    return ExitAfterOutput(kExitRepaired, false);
  }
  if (options->showVersion) {
    PrintVersion();
    return ExitAfterOutput(kExitRepaired, false);
  }
  return RepairWithPassword(*options);
}
