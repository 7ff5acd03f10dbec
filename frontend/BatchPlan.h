#pragma once

#include <functional>
#include <string>
#include <vector>

namespace frontend {

// Why a file of a batch is not repaired, decided before anything runs.
enum class BatchRefusal {
  none,
  duplicateDestination,  // an earlier file of the batch writes there too
  destinationIsSource,   // another file of the batch reads it: it must be read, never written
};

struct PlannedFile {
  std::string source;
  std::string destination;
  BatchRefusal refusal = BatchRefusal::none;
};

// Every source with its destination and the refusals of the batch, so that
// the outcome never depends on the order in which files run or how many run
// at once. Paths are compared by the files they name. A destination that is
// its own source is left to the safe output, which refuses it.
std::vector<PlannedFile> PlanBatch(const std::vector<std::string>& sourcePaths,
                                   const std::function<std::string(const std::string&)>& destinationOf);

// Why the file is refused, in the user's words; empty when it is not.
std::string RefusalText(const PlannedFile& file);

}  // namespace frontend
