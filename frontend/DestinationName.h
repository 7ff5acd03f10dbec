#pragma once

#include <string>

namespace frontend {

// The default destination of a source path: "_fixed" before the extension.
// The extension starts at the last "." after the last "/"; a path without
// one gets "_fixed" at its end.
std::string DefaultDestinationName(const std::string& source);

// The default destination's file name inside another folder.
std::string DefaultDestinationIn(const std::string& folder, const std::string& source);

}  // namespace frontend
