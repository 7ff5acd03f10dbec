#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>

// The operating-system calls behind the file classes, in one small interface
// so that tests can inject failing opens, failing reads and short writes.
// Every call answers -1 and sets errno on failure, like the system call.
class CSystemFileApi {
 public:
  virtual ~CSystemFileApi() = default;
  virtual int Open(const char* path, int flags, mode_t mode);
  virtual int Flock(int fd, int operation);
  virtual int Ftruncate(int fd, uint64_t length);
  virtual ssize_t Read(int fd, void* buffer, size_t count);
  // Reads at a position without moving the handle's own.
  virtual ssize_t ReadAt(int fd, void* buffer, size_t count, uint64_t position);
  virtual ssize_t Write(int fd, const void* buffer, size_t count);
  // Copies inside the kernel from a position of one file to the current
  // position of another (copy_file_range); position moves on by the count.
  virtual ssize_t CopyRange(int from, uint64_t& position, int to, size_t count);
  virtual int64_t Seek(int fd, int64_t offset, int whence);
  virtual int64_t Size(int fd);
  virtual int Fstat(int fd, struct stat& info);
  // Clears O_NONBLOCK, which a file is opened with so that a pipe cannot
  // hold the open up.
  virtual int SetBlocking(int fd);
  virtual int Fsync(int fd);
  // Starts writing the file's changed pages to its device without waiting
  // (sync_file_range); only a hint, so that a later sync has less to wait for.
  virtual void StartWriteback(int fd);
  virtual int Close(int fd);
  virtual int Dup(int fd);
  virtual int LockRange(int fd, uint64_t position, uint64_t count, bool lock);
  // Logical block size of the device that holds the file; 0 when unknown.
  virtual uint32_t SectorSize(int fd);
};

CSystemFileApi& SystemFiles();
// Installs a replacement and answers the one it replaces; null restores the
// real system calls.
CSystemFileApi* SetSystemFiles(CSystemFileApi* api);
