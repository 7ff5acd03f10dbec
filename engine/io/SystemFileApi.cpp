#include "io/SystemFileApi.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

namespace {

CSystemFileApi g_realApi;
CSystemFileApi* g_api = &g_realApi;

uint32_t ReadBlockSize(const char* sysfsPath) {
  std::ifstream in(sysfsPath);
  uint32_t size = 0;
  if (in >> size) return size;
  return 0;
}

}  // namespace

CSystemFileApi& SystemFiles() { return *g_api; }

CSystemFileApi* SetSystemFiles(CSystemFileApi* api) {
  CSystemFileApi* previous = g_api == &g_realApi ? nullptr : g_api;
  g_api = api != nullptr ? api : &g_realApi;
  return previous;
}

int CSystemFileApi::Open(const char* path, int flags, mode_t mode) {
  int fd;
  do {
    fd = ::open(path, flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int CSystemFileApi::Flock(int fd, int operation) { return ::flock(fd, operation); }

int CSystemFileApi::Ftruncate(int fd, uint64_t length) {
  return ::ftruncate(fd, static_cast<off_t>(length));
}

ssize_t CSystemFileApi::Read(int fd, void* buffer, size_t count) {
  ssize_t got;
  do {
    got = ::read(fd, buffer, count);
  } while (got < 0 && errno == EINTR);
  return got;
}

ssize_t CSystemFileApi::ReadAt(int fd, void* buffer, size_t count, uint64_t position) {
  ssize_t got;
  do {
    got = ::pread(fd, buffer, count, static_cast<off_t>(position));
  } while (got < 0 && errno == EINTR);
  return got;
}

ssize_t CSystemFileApi::CopyRange(int from, uint64_t& position, int to, size_t count) {
  auto offset = static_cast<loff_t>(position);
  ssize_t copied;
  do {
    copied = ::copy_file_range(from, &offset, to, nullptr, count, 0);
  } while (copied < 0 && errno == EINTR);
  if (copied > 0) position = static_cast<uint64_t>(offset);
  return copied;
}

ssize_t CSystemFileApi::Write(int fd, const void* buffer, size_t count) {
  ssize_t put;
  do {
    put = ::write(fd, buffer, count);
  } while (put < 0 && errno == EINTR);
  return put;
}

int64_t CSystemFileApi::Seek(int fd, int64_t offset, int whence) {
  return ::lseek(fd, static_cast<off_t>(offset), whence);
}

int64_t CSystemFileApi::Size(int fd) {
  struct stat info;
  if (::fstat(fd, &info) != 0) return -1;
  if (!S_ISBLK(info.st_mode)) return info.st_size;
  // A device's size is not in its status: it reports 0.
  uint64_t bytes = 0;
  if (::ioctl(fd, BLKGETSIZE64, &bytes) != 0) return -1;
  return static_cast<int64_t>(bytes);
}

int CSystemFileApi::Fstat(int fd, struct stat& info) { return ::fstat(fd, &info); }

int CSystemFileApi::SetBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return -1;
  return ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

int CSystemFileApi::Fsync(int fd) { return ::fsync(fd); }

void CSystemFileApi::StartWriteback(int fd) { ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE); }

int CSystemFileApi::Close(int fd) { return ::close(fd); }

int CSystemFileApi::Dup(int fd) { return ::fcntl(fd, F_DUPFD_CLOEXEC, 0); }

int CSystemFileApi::LockRange(int fd, uint64_t position, uint64_t count, bool lock) {
  struct flock range = {};
  range.l_type = lock ? F_WRLCK : F_UNLCK;
  range.l_whence = SEEK_SET;
  range.l_start = static_cast<off_t>(position);
  range.l_len = static_cast<off_t>(count);
  return ::fcntl(fd, F_SETLK, &range);
}

uint32_t CSystemFileApi::SectorSize(int fd) {
  struct stat info;
  if (::fstat(fd, &info) != 0) return 0;
  char path[96];
  // A whole disk has queue/ itself; a partition finds it in its parent.
  std::snprintf(path, sizeof path, "/sys/dev/block/%u:%u/queue/logical_block_size",
                major(info.st_dev), minor(info.st_dev));
  if (uint32_t size = ReadBlockSize(path); size != 0) return size;
  std::snprintf(path, sizeof path, "/sys/dev/block/%u:%u/../queue/logical_block_size",
                major(info.st_dev), minor(info.st_dev));
  return ReadBlockSize(path);
}
