#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the command line asks for.
struct CliOptions {
  std::vector<std::string> sources;
  std::string output;        // -o: the destination of a single source; empty when not given
  std::string outputFolder;  // --output-dir: where default destinations go; empty when not given
  uint32_t versionOption = 4u << 16;  // "1.4"
  bool thorough = false;  // --thorough: the engine's thorough recovery
  bool force = false;
  bool quiet = false;
  int jobs = 1;
  bool showHelp = false;
  bool showVersion = false;
};

// Parses argv. On a usage error the message is already written to standard
// error and the result is empty.
std::optional<CliOptions> ParseCommandLine(int argc, char** argv);

// The version option of a text "1.0" to "1.6", or empty.
std::optional<uint32_t> VersionOptionFromText(const std::string& text);

void PrintHelp();
void PrintVersion();
