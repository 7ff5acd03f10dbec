#include "TemporaryFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace {

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

// A replaced destination keeps its permissions; a new one gets the usual.
mode_t ModeFor(const std::string& destination) {
  struct stat info {};
  if (stat(destination.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return info.st_mode & 07777;
  static const mode_t mask = CurrentUmask();
  return 0666 & ~mask;
}

}  // namespace

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : m_path(std::exchange(other.m_path, {})), m_destination(std::move(other.m_destination)) {}

TemporaryFile& TemporaryFile::operator=(TemporaryFile&& other) noexcept {
  if (this != &other) {
    Remove();
    m_path = std::exchange(other.m_path, {});
    m_destination = std::move(other.m_destination);
  }
  return *this;
}

TemporaryFile::~TemporaryFile() { Remove(); }

bool TemporaryFile::Create(const std::string& destination) {
  const size_t slash = destination.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? destination : destination.substr(slash + 1);
  std::string pattern = folder + "." + name + ".tessaly-XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) return false;
  fchmod(fd, ModeFor(destination));
  close(fd);
  m_path = std::move(pattern);
  m_destination = destination;
  return true;
}

bool TemporaryFile::Commit() {
  if (rename(m_path.c_str(), m_destination.c_str()) == 0) {
    m_path.clear();
    return true;
  }
  const int error = errno;
  Remove();
  errno = error;
  return false;
}

void TemporaryFile::Remove() {
  if (!m_path.empty()) unlink(m_path.c_str());
  m_path.clear();
}
