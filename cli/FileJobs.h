#pragma once

#include <string>
#include <vector>

#include "CliOptions.h"

struct FileJob {
  std::string source;
  std::string destination;
  std::string refusal;  // why the file is not repaired; empty when it is
};

// The batch of the command line: every source with its destination from
// the options, and the refusals of the shared batch rule in words (none for
// a check, which writes nothing).
std::vector<FileJob> PlanFiles(const CliOptions& options);
