#include "FileChecks.h"

#include <sys/stat.h>

#include <cerrno>

#include "CliTexts.h"

namespace {

const char* CauseTemplate(int error) {
  switch (error) {
    case ENOENT:  // the destination's folder is missing
    case ENOTDIR:
    case ENAMETOOLONG:
    case EISDIR: return texts::kCauseBadPath;
    case EMFILE:
    case ENFILE: return texts::kCauseTooManyOpen;
    case EACCES:
    case EPERM:
    case EROFS: return texts::kCauseAccessDenied;
    case EIO: return texts::kCauseHardwareIo;
    case ETXTBSY:
    case EBUSY: return texts::kCauseSharing;
    case ENOSPC:
    case EDQUOT: return texts::kCauseDiskFull;
    default: return texts::kCauseUnknown;
  }
}

std::string ReplaceName(const char* pattern, const std::string& fileName) {
  std::string text = pattern;
  const std::string marker = "%1";
  for (size_t at = text.find(marker); at != std::string::npos;
       at = text.find(marker, at + fileName.size())) {
    text.replace(at, marker.size(), fileName);
  }
  return text;
}

}  // namespace

bool IsSameFile(const std::string& source, const std::string& destination) {
  struct stat sourceInfo {};
  struct stat destinationInfo {};
  if (stat(source.c_str(), &sourceInfo) == 0 && stat(destination.c_str(), &destinationInfo) == 0) {
    return sourceInfo.st_dev == destinationInfo.st_dev && sourceInfo.st_ino == destinationInfo.st_ino;
  }
  return source == destination;
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

std::string FileErrorText(int error, const std::string& fileName) {
  return ReplaceName(CauseTemplate(error), fileName);
}

std::string CannotCreateText(int error, const std::string& fileName) {
  return std::string(texts::kCannotCreate) + FileErrorText(error, fileName);
}

std::string SameFileText(const std::string& destination) {
  return std::string(texts::kCannotCreate) + ReplaceName(texts::kCauseSharing, destination);
}
