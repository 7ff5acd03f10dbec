#include "BatchPlan.h"

#include <sys/stat.h>

#include <cstdio>
#include <tuple>

#include "CliTexts.h"
#include "DestinationName.h"

namespace {

// What a path names: an existing file by device and inode, a new one by its
// folder's device and inode and its name, else by the path's text.
struct FileKey {
  dev_t device = 0;
  ino_t inode = 0;
  std::string name;

  bool operator==(const FileKey& other) const {
    return std::tie(device, inode, name) == std::tie(other.device, other.inode, other.name);
  }
};

FileKey KeyOf(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) return {info.st_dev, info.st_ino, {}};
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (stat(folder.c_str(), &info) == 0) return {info.st_dev, info.st_ino, name};
  return {0, 0, path};
}

std::string DestinationOf(const CliOptions& options, const std::string& source) {
  if (!options.output.empty()) return options.output;
  if (!options.outputFolder.empty()) return frontend::DefaultDestinationIn(options.outputFolder, source);
  return frontend::DefaultDestinationName(source);
}

}  // namespace

std::vector<FileJob> PlanFiles(const CliOptions& options) {
  std::vector<FileJob> files;
  std::vector<FileKey> sources;
  std::vector<FileKey> destinations;
  for (const std::string& source : options.sources) {
    files.push_back({source, DestinationOf(options, source), {}});
    sources.push_back(KeyOf(source));
    destinations.push_back(KeyOf(files.back().destination));
  }
  for (size_t i = 0; i < files.size(); ++i) {
    for (size_t j = 0; j < files.size() && files[i].refusal.empty(); ++j) {
      // A destination that is its own source is refused with the engine's
      // sharing text when the file is started.
      if (j != i && destinations[i] == sources[j]) {
        files[i].refusal = texts::Formatted(texts::kDestinationIsSource, files[i].destination);
      } else if (j < i && destinations[i] == destinations[j]) {
        files[i].refusal = texts::Formatted(texts::kDuplicateDestination, files[i].destination);
      }
    }
  }
  return files;
}
