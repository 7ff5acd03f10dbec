#include "FileJobs.h"

#include "BatchPlan.h"
#include "DestinationName.h"

namespace {

std::string DestinationOf(const CliOptions& options, const std::string& source) {
  if (!options.output.empty()) return options.output;
  if (!options.outputFolder.empty()) return frontend::DefaultDestinationIn(options.outputFolder, source);
  return frontend::DefaultDestinationName(source);
}

}  // namespace

std::vector<FileJob> PlanFiles(const CliOptions& options) {
  const auto planned = frontend::PlanBatch(
      options.sources, [&options](const std::string& source) { return DestinationOf(options, source); });
  std::vector<FileJob> files;
  files.reserve(planned.size());
  // A check writes no destination, so none can clash.
  for (const frontend::PlannedFile& file : planned) {
    files.push_back({file.source, file.destination, options.check ? std::string() : frontend::RefusalText(file)});
  }
  return files;
}
