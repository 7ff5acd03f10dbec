#include "CliOptions.h"

#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CliTexts.h"
#include "PasswordSource.h"
#include "TerminalText.h"
#include "tesscore/tesscore.h"

#ifndef TESSALY_VERSION
#define TESSALY_VERSION "0.0.0.0"
#endif

namespace {

constexpr int kMaxJobs = 64;
enum LongOnly { optPdfVersion = 256, optThorough, optClassic, optPassword, optPasswordFile, optJson, optCheck };

const option kLongOptions[] = {
    {"output", required_argument, nullptr, 'o'},
    {"output-dir", required_argument, nullptr, 'd'},
    {"pdf-version", required_argument, nullptr, optPdfVersion},
    {"thorough", no_argument, nullptr, optThorough},
    {"classic", no_argument, nullptr, optClassic},
    {"password", required_argument, nullptr, optPassword},
    {"password-file", required_argument, nullptr, optPasswordFile},
    {"force", no_argument, nullptr, 'f'},
    {"jobs", required_argument, nullptr, 'j'},
    {"quiet", no_argument, nullptr, 'q'},
    {"json", no_argument, nullptr, optJson},
    {"check", no_argument, nullptr, optCheck},
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

bool UsageError(const char* format, const std::string& argument) {
  std::fprintf(stderr, format, PrintableText(argument).c_str());
  std::fputs(texts::kTryHelp, stderr);
  return false;
}

// The option as it was written: a long option is always a whole argument
// (its value after "=" left out), a short one is its letter, also inside a
// group of letters. getopt has moved past the argument when it was used up;
// a long option whose value was the next argument is named by its entry.
std::string OptionName(char** argv, int optionIndexBefore, int option, int longIndex) {
  const char* argument = optind > optionIndexBefore ? argv[optind - 1] : "";
  if (std::strncmp(argument, "--", 2) == 0) return std::string(argument, std::strcspn(argument, "="));
  if (longIndex >= 0) return std::string("--") + kLongOptions[longIndex].name;
  const int letter = option == '?' || option == ':' ? optopt : option;
  return std::string("-") + static_cast<char>(letter);
}

// An empty path is refused, so an empty field means the option was not given.
bool TakePath(std::string& field, const std::string& name) {
  if (*optarg == '\0') return UsageError(texts::kEmptyArgument, name);
  field = optarg;
  return true;
}

// The password is taken out of the argument list at once, so that the
// process list shows it for as short a time as we can make it.
bool TakePassword(CliOptions& options, const std::string& name) {
  const size_t length = std::strlen(optarg);
  if (length == 0) return UsageError(texts::kEmptyArgument, name);
  options.password.assign(optarg, length);
  std::memset(optarg, 'x', length);
  if (length <= TESSCORE_PASSWORD_MAX) return true;
  std::fputs(texts::kPasswordTooLong, stderr);
  return false;
}

// Applies one option; false after a usage error.
bool ApplyOption(int option, const std::string& name, CliOptions& options) {
  switch (option) {
    case 'o': return TakePath(options.output, name);
    case 'd': return TakePath(options.outputFolder, name);
    case 'f': options.force = true; return true;
    case 'q': options.quiet = true; return true;
    case 'h': options.showHelp = true; return true;
    case 'V': options.showVersion = true; return true;
    case optThorough: options.thorough = true; return true;
    case optClassic: options.thorough = false; return true;
    case optJson: options.json = true; return true;
    case optCheck: options.check = true; return true;
    case optPassword: return TakePassword(options, name);
    case optPasswordFile: return TakePath(options.passwordFile, name);
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
    case ':': return UsageError(texts::kMissingArgument, name);
    default:
      // getopt names the option of a long one given a value it does not take.
      if (optopt != 0 && name.size() > 2 && name[1] == '-') return UsageError(texts::kUnexpectedArgument, name);
      return UsageError(texts::kUnknownOption, name);
  }
}

bool CheckCombination(const CliOptions& options) {
  if (options.showHelp || options.showVersion) return true;
  if (options.sources.empty()) return UsageError(texts::kNoSource, "");
  if (!options.output.empty() && !options.outputFolder.empty()) {
    return UsageError(texts::kOutputAndFolder, "");
  }
  if (!options.password.empty() && !options.passwordFile.empty()) {
    return UsageError(texts::kPasswordTwice, "");
  }
  if (options.check && (!options.output.empty() || !options.outputFolder.empty())) {
    return UsageError(texts::kCheckWritesNothing, "");
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
  while (true) {
    const int optionIndexBefore = optind;
    int longIndex = -1;
    const int option = getopt_long(argc, argv, ":o:d:fj:qhV", kLongOptions, &longIndex);
    if (option == -1) break;
    if (!ApplyOption(option, OptionName(argv, optionIndexBefore, option, longIndex), options)) {
      WipePassword(options.password);
      return std::nullopt;
    }
  }
  for (int i = optind; i < argc; ++i) options.sources.emplace_back(argv[i]);
  if (!CheckCombination(options)) {
    WipePassword(options.password);
    return std::nullopt;
  }
  return options;
}

void PrintHelp() {
  std::fputs(texts::kUsageLine, stdout);
  std::fputs(texts::kHelp, stdout);
}

void PrintVersion() { std::printf("tessaly-cli %s\n", TESSALY_VERSION); }
