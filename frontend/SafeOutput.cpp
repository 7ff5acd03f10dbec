#include "SafeOutput.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "FileTexts.h"
#include "OutputCalls.h"

namespace frontend {

namespace {

// Fifteen bytes, whatever the destination's name: a temporary name fits in
// every folder that can hold a file at all.
constexpr char kNamePrefix[] = ".tessaly-";
constexpr int kRandomCharacters = 6;
constexpr int kAttempts = 100;

std::string RandomName() {
  static constexpr char kCharacters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[kRandomCharacters];
  if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    auto seed = static_cast<unsigned long>(now.tv_nsec) ^ static_cast<unsigned long>(getpid()) << 20;
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(seed >>= 5);
  }
  std::string name = kNamePrefix;
  for (const unsigned char byte : bytes) name += kCharacters[byte % (sizeof kCharacters - 1)];
  return name;
}

// The process's umask as the kernel reports it: setting it to read it back
// would leave it at 0 for a moment in which other threads (the desktop
// program's page counts) may create files.
mode_t CurrentUmask() {
  if (FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status) != nullptr) found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(status);
    if (found) return static_cast<mode_t>(mask);
  }
  const mode_t current = umask(0);
  umask(current);
  return current;
}

mode_t NewFileMode() {
  static const mode_t mask = CurrentUmask();
  return 0666 & ~mask;
}

}  // namespace

SafeOutput::~SafeOutput() { Discard(); }

int SafeOutput::Cause() const {
  switch (m_failure) {
    case OutputFailure::notRegular: return kCauseInvalidFile;
    case OutputFailure::exists:
    case OutputFailure::replaced:
    case OutputFailure::sameAsSource: return kCauseSharingViolation;
    case OutputFailure::none:
    case OutputFailure::system: break;
  }
  return CauseOf(m_error);
}

bool SafeOutput::Fail(OutputFailure failure, int error) {
  m_failure = failure;
  m_error = error;
  return false;
}

bool SafeOutput::Create(const std::string& destination, bool replace, const std::string& source) {
  Discard();
  m_failure = OutputFailure::none;
  m_error = 0;
  m_replace = replace;
  m_hasSource = false;
  struct stat info {};
  if (!source.empty() && stat(source.c_str(), &info) == 0) {
    m_hasSource = true;
    m_sourceDevice = info.st_dev;
    m_sourceInode = info.st_ino;
  }
  if (OpenFolder(destination) && CheckDestination() && CreateTemporary()) return true;
  Discard();
  return false;
}

// Everything after this happens relative to the folder, so that a folder
// renamed meanwhile cannot send the output elsewhere.
bool SafeOutput::OpenFolder(const std::string& destination) {
  const size_t slash = destination.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : destination.substr(0, slash);
  m_destination = slash == std::string::npos ? destination : destination.substr(slash + 1);
  if (m_destination.empty() || m_destination == "." || m_destination == "..") {
    return Fail(OutputFailure::system, EISDIR);
  }
  m_folder = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return m_folder >= 0 || Fail(OutputFailure::system, errno);
}

// Looked at without following a link: what is replaced is the name's own
// file, and it lends the new file its owner and permissions.
bool SafeOutput::CheckDestination() {
  struct stat info {};
  if (m_hasSource && fstatat(m_folder, m_destination.c_str(), &info, 0) == 0 &&
      info.st_dev == m_sourceDevice && info.st_ino == m_sourceInode) {
    return Fail(OutputFailure::sameAsSource);
  }
  if (fstatat(m_folder, m_destination.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) return Fail(OutputFailure::system, errno);
    m_keepOwner = false;
    m_mode = NewFileMode();
    return true;
  }
  if (!S_ISREG(info.st_mode)) return Fail(OutputFailure::notRegular);
  if (!m_replace) return Fail(OutputFailure::exists);
  m_keepOwner = true;
  m_owner = info.st_uid;
  m_group = info.st_gid;
  m_mode = info.st_mode & 01777;
  return true;
}

// Writable by its owner alone until it is committed, whatever mode it gets
// then (a read-only destination can be replaced by its owner).
bool SafeOutput::CreateTemporary() {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::string name = RandomName();
    const int fd = openat(m_folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return Fail(OutputFailure::system, errno);
    m_fd = fd;
    m_name = std::move(name);
    struct stat info {};
    if (fstat(m_fd, &info) != 0) return Fail(OutputFailure::system, errno);
    m_device = info.st_dev;
    m_inode = info.st_ino;
    m_writerPath = "/proc/self/fd/" + std::to_string(m_fd);
    return true;
  }
  return Fail(OutputFailure::system, EEXIST);
}

bool SafeOutput::IsOurs() const {
  struct stat info {};
  return m_folder >= 0 && !m_name.empty() &&
         fstatat(m_folder, m_name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
         info.st_dev == m_device && info.st_ino == m_inode;
}

// Another user's file keeps its owner only when root replaces it.
bool SafeOutput::ApplyOwnerAndMode() {
  if (m_keepOwner && fchown(m_fd, m_owner, m_group) != 0 && errno != EPERM) {
    return Fail(OutputFailure::system, errno);
  }
  return fchmod(m_fd, m_mode) == 0 || Fail(OutputFailure::system, errno);
}

bool SafeOutput::SyncAndClose() {
  OutputCalls& calls = SystemOutputCalls();
  if (calls.Fsync(m_fd) != 0) return Fail(OutputFailure::system, errno);
  const int fd = m_fd;
  m_fd = -1;
  return calls.Close(fd) == 0 || Fail(OutputFailure::system, errno);
}

bool SafeOutput::Rename() {
  OutputCalls& calls = SystemOutputCalls();
  if (m_replace) {
    return calls.Rename(m_folder, m_name.c_str(), m_destination.c_str()) == 0 ||
           Fail(OutputFailure::system, errno);
  }
  if (calls.RenameNoReplace(m_folder, m_name.c_str(), m_destination.c_str()) == 0) return true;
  if (errno == EEXIST) return Fail(OutputFailure::exists);
  if (errno != EINVAL && errno != ENOSYS) return Fail(OutputFailure::system, errno);
  // A file system without the flag: a link is never made over a name either.
  if (linkat(m_folder, m_name.c_str(), m_folder, m_destination.c_str(), 0) != 0) {
    return Fail(errno == EEXIST ? OutputFailure::exists : OutputFailure::system, errno);
  }
  unlinkat(m_folder, m_name.c_str(), 0);
  return true;
}

// Checked again first: the destination may have changed while the file was
// written.
// The name can be taken between the check and the rename, which then moves
// the other file there: what holds the destination's name afterwards tells.
bool SafeOutput::Finish() {
  if (!CheckDestination() || !ApplyOwnerAndMode() || !SyncAndClose()) return false;
  if (!IsOurs()) return Fail(OutputFailure::replaced);
  if (!Rename()) return false;
  struct stat info {};
  const bool landed = fstatat(m_folder, m_destination.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                      info.st_dev == m_device && info.st_ino == m_inode;
  return landed || Fail(OutputFailure::replaced);
}

bool SafeOutput::Commit() {
  if (m_fd < 0) return Fail(OutputFailure::system, EBADF);
  if (!Finish()) {
    Discard();
    return false;
  }
  m_name.clear();
  m_writerPath.clear();
  // The rename itself is durable only once the folder is.
  const int folder = m_folder;
  m_folder = -1;
  int error = 0;
  if (SystemOutputCalls().Fsync(folder) != 0 && errno != EINVAL) error = errno;
  close(folder);
  return error == 0 || Fail(OutputFailure::system, error);
}

void SafeOutput::Discard() {
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
  if (IsOurs()) unlinkat(m_folder, m_name.c_str(), 0);
  m_name.clear();
  m_writerPath.clear();
  if (m_folder >= 0) close(m_folder);
  m_folder = -1;
}

}  // namespace frontend
