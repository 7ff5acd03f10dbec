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
  // The engine's thorough recovery unless --classic asks for its default
  // repair; of --classic and --thorough the last one given counts.
  bool thorough = true;
  // The password of an encrypted source, from --password or, after
  // parsing, from --password-file; empty when none was given.
  std::string password;
  std::string passwordFile;  // --password-file: "-" for standard input
  bool force = false;
  bool quiet = false;
  bool json = false;   // --json: one JSON object per source on standard output
  bool check = false;  // --check: the report alone; no file is written
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
