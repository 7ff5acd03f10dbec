#pragma once

#include <string>
#include <vector>

#include "CliOptions.h"

struct FileJob {
  std::string source;
  std::string destination;
  std::string refusal;  // why the file is not repaired; empty when it is
};

// Every source with its destination, and the files refused before anything
// runs, so that the outcome never depends on the order or the number of
// jobs: a destination that an earlier file writes too, and a destination
// that is a source of the batch (it must be read, never written).
std::vector<FileJob> PlanFiles(const CliOptions& options);
