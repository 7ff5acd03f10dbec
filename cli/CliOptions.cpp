#include "CliOptions.h"

#include <getopt.h>

#include <cstdio>
#include <cstdlib>

#include "CliTexts.h"

#ifndef TESSALY_VERSION
#define TESSALY_VERSION "0.0.0.0"
#endif

namespace {

constexpr int kMaxJobs = 64;
enum LongOnly { optPdfVersion = 256, optThorough };

const option kLongOptions[] = {
    {"output", required_argument, nullptr, 'o'},
    {"output-dir", required_argument, nullptr, 'd'},
    {"pdf-version", required_argument, nullptr, optPdfVersion},
    {"thorough", no_argument, nullptr, optThorough},
    {"force", no_argument, nullptr, 'f'},
    {"jobs", required_argument, nullptr, 'j'},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

std::optional<int> JobsFromText(const char* text) {
  char* end = nullptr;
  const long jobs = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || jobs < 1 || jobs > kMaxJobs) return std::nullopt;
  return static_cast<int>(jobs);
}

bool UsageError(const char* format, const char* argument) {
  std::fprintf(stderr, format, argument);
  std::fputs(texts::kTryHelp, stderr);
  return false;
}

// Applies one option; false after a usage error.
bool ApplyOption(int option, char** argv, CliOptions& options) {
  switch (option) {
    case 'o': options.output = optarg; return true;
    case 'd': options.outputFolder = optarg; return true;
    case 'f': options.force = true; return true;
    case 'q': options.quiet = true; return true;
    case 'h': options.showHelp = true; return true;
    case 'V': options.showVersion = true; return true;
    case optThorough: options.thorough = true; return true;
    case optPdfVersion: {
      const auto version = VersionOptionFromText(optarg);
      if (!version) return UsageError(texts::kBadVersion, optarg);
      options.versionOption = *version;
      return true;
    }
    case 'j': {
      const auto jobs = JobsFromText(optarg);
      if (!jobs) return UsageError(texts::kBadJobs, optarg);
      options.jobs = *jobs;
      return true;
    }
    case ':': return UsageError(texts::kMissingArgument, argv[optind - 1]);
    default: return UsageError(texts::kUnknownOption, argv[optind - 1]);
  }
}

bool CheckCombination(const CliOptions& options) {
  if (options.showHelp || options.showVersion) return true;
  if (options.sources.empty()) return UsageError(texts::kNoSource, "");
  if (!options.output.empty() && !options.outputFolder.empty()) {
    return UsageError(texts::kOutputAndFolder, "");
  }
  if (!options.output.empty() && options.sources.size() > 1) {
    return UsageError(texts::kOutputNeedsOneSource, "");
  }
  return true;
}

}  // namespace

std::optional<uint32_t> VersionOptionFromText(const std::string& text) {
  if (text.size() != 3 || text[0] != '1' || text[1] != '.' || text[2] < '0' || text[2] > '6') {
    return std::nullopt;
  }
  return static_cast<uint32_t>(text[2] - '0') << 16;
}

std::optional<CliOptions> ParseCommandLine(int argc, char** argv) {
  CliOptions options;
  opterr = 0;  // our own messages, in the program's language
  int option = 0;
  while ((option = getopt_long(argc, argv, ":o:d:fj:qhV", kLongOptions, nullptr)) != -1) {
    if (!ApplyOption(option, argv, options)) return std::nullopt;
  }
  for (int i = optind; i < argc; ++i) options.sources.emplace_back(argv[i]);
  if (!CheckCombination(options)) return std::nullopt;
  return options;
}

void PrintHelp() {
  std::fputs(texts::kUsageLine, stdout);
  std::fputs(texts::kHelp, stdout);
}

void PrintVersion() { std::printf("tessaly-cli %s\n", TESSALY_VERSION); }
