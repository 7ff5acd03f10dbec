#include "DestinationName.h"

std::string DefaultDestinationName(const std::string& source) {
  const size_t dot = source.rfind('.');
  const size_t slash = source.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) {
    return source + "_fixed";
  }
  return source.substr(0, dot) + "_fixed" + source.substr(dot);
}
