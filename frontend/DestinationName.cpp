#include "DestinationName.h"

namespace frontend {

std::string DefaultDestinationName(const std::string& source) {
  const size_t dot = source.rfind('.');
  const size_t slash = source.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) {
    return source + "_fixed";
  }
  return source.substr(0, dot) + "_fixed" + source.substr(dot);
}

std::string DefaultDestinationIn(const std::string& folder, const std::string& source) {
  const std::string name = DefaultDestinationName(source);
  const size_t slash = name.rfind('/');
  const std::string fileName = slash == std::string::npos ? name : name.substr(slash + 1);
  if (folder.empty() || folder.back() == '/') return folder + fileName;
  return folder + "/" + fileName;
}

}  // namespace frontend
