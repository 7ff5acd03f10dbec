#pragma once

#include <string>

// The file the engine writes instead of the destination. It lives in the
// destination's folder so that the finished file can replace the
// destination with one rename; an unfinished one is removed and an existing
// destination is never touched.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  TemporaryFile(TemporaryFile&& other) noexcept;
  TemporaryFile& operator=(TemporaryFile&& other) noexcept;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  // Creates an empty file beside destination; false with errno set.
  bool Create(const std::string& destination);
  const std::string& Path() const { return m_path; }

  // Renames the file over the destination; false with errno set (the
  // file is removed then).
  bool Commit();
  void Remove();

 private:
  std::string m_path;
  std::string m_destination;
};
