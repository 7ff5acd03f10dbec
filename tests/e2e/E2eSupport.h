#pragma once

// What the end-to-end tests share: files read and written whole, and the
// independent judges (tests/support/Judges.h).
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Judges.h"

namespace e2e {

using judges::Quoted;

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace e2e
