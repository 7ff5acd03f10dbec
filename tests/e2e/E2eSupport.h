#pragma once

// What the end-to-end tests share: files read whole, and the independent
// judges run as commands.
#include <stdio.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace e2e {

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// A command's standard output.
inline std::string Shell(const std::string& command) {
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
    ::pclose(pipe);
  }
  return output;
}

}  // namespace e2e
