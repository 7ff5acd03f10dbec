#include "BatchPlan.h"

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <tuple>
#include <unordered_map>

namespace frontend {
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

struct FileKeyHash {
  size_t operator()(const FileKey& key) const {
    const size_t ids = std::hash<uint64_t>()(static_cast<uint64_t>(key.device) * 0x9E3779B97F4A7C15ull ^ key.inode);
    return ids ^ (std::hash<std::string>()(key.name) << 1);
  }
};

constexpr size_t kNone = SIZE_MAX;

FileKey KeyOf(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) return {info.st_dev, info.st_ino, {}};
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (stat(folder.c_str(), &info) == 0) return {info.st_dev, info.st_ino, name};
  return {0, 0, path};
}

}  // namespace

std::vector<PlannedFile> PlanBatch(const std::vector<std::string>& sourcePaths,
                                   const std::function<std::string(const std::string&)>& destinationOf) {
  std::vector<PlannedFile> files;
  std::vector<FileKey> destinations;
  // The first two files with each source: a file's own source is not
  // another's.
  std::unordered_map<FileKey, std::pair<size_t, size_t>, FileKeyHash> sources;
  for (const std::string& source : sourcePaths) {
    const size_t index = files.size();
    files.push_back({source, destinationOf(source), BatchRefusal::none});
    destinations.push_back(KeyOf(files.back().destination));
    auto [entry, isNew] = sources.try_emplace(KeyOf(source), index, kNone);
    if (!isNew && entry->second.second == kNone) entry->second.second = index;
  }
  std::unordered_map<FileKey, size_t, FileKeyHash> firstWriter;
  for (size_t i = 0; i < files.size(); ++i) {
    size_t sourceAt = kNone;
    if (const auto found = sources.find(destinations[i]); found != sources.end()) {
      sourceAt = found->second.first != i ? found->second.first : found->second.second;
    }
    const auto [writer, isFirst] = firstWriter.try_emplace(destinations[i], i);
    const size_t writtenAt = isFirst ? kNone : writer->second;
    // The earlier of the two files decides the reason, as a reader of the
    // list would find them.
    if (sourceAt != kNone && sourceAt <= writtenAt) {
      files[i].refusal = BatchRefusal::destinationIsSource;
    } else if (writtenAt != kNone) {
      files[i].refusal = BatchRefusal::duplicateDestination;
    }
  }
  return files;
}

std::string RefusalText(const PlannedFile& file) {
  const char* text = nullptr;
  switch (file.refusal) {
    case BatchRefusal::duplicateDestination:
      text = "目标文件“%s”也是前面一个来源文件的目标文件，未修复。";
      break;
    case BatchRefusal::destinationIsSource:
      text = "目标文件“%s”也是要修复的来源文件，不能写入。";
      break;
    case BatchRefusal::none:
      return {};
  }
  std::string refusal = text;
  refusal.replace(refusal.find("%s"), 2, file.destination);
  return refusal;
}

}  // namespace frontend
