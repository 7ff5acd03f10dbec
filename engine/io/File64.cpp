#include "io/File64.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "io/SystemFileApi.h"

const CRuntimeClass CFile64::classCFile64 = {"CFile64", &CObject::classCObject};

namespace {

constexpr uint32_t kCreateBits = CFile64::modeCreate | CFile64::modeNoTruncate;

int AccessFlags(uint32_t openFlags) {
  switch (openFlags & 3) {
    case CFile64::modeRead: return O_RDONLY;
    case CFile64::modeWrite: return O_WRONLY;
    case CFile64::modeReadWrite: return O_RDWR;
    default: return O_PATH;
  }
}

// Sharing is emulated with an advisory lock on the open file description:
// "no sharing" holds it exclusively, "others may read" while only reading
// holds it shared. Answers 0 when the mode asks for no lock.
int SharingLock(uint32_t openFlags) {
  switch ((openFlags >> 4) & 7) {
    case 2: return (openFlags & 3) == CFile64::modeRead ? LOCK_SH : LOCK_EX;
    case 3:
    case 4: return 0;
    default: return LOCK_EX;
  }
}

struct OpenFailure {
  int cause;
  int32_t osError;
};

OpenFailure FromErrno(int error) { return {CFileException::CauseFromErrno(error), error}; }

// Only files are read and written: a folder is refused as the system refuses
// to open one for writing, anything else that is no file (a pipe, a socket,
// a terminal) as an invalid file. Block devices hold files' bytes too.
OpenFailure CheckFileType(CSystemFileApi& api, int fd) {
  struct stat info {};
  if (api.Fstat(fd, info) != 0) return FromErrno(errno);
  if (S_ISDIR(info.st_mode)) return FromErrno(EISDIR);
  if (!S_ISREG(info.st_mode) && !S_ISBLK(info.st_mode)) return {CFileException::invalidFile, -1};
  if (api.SetBlocking(fd) != 0) return FromErrno(errno);
  return {CFileException::none, 0};
}

// Truncation waits until the lock is held, so that a failed open (the
// destination being the source itself) never truncates anything.
OpenFailure PrepareOpened(int fd, uint32_t openFlags) {
  CSystemFileApi& api = SystemFiles();
  if ((openFlags & 3) != 3) {
    const OpenFailure type = CheckFileType(api, fd);
    if (type.cause != CFileException::none) return type;
  }
  const int lock = SharingLock(openFlags);
  if (lock != 0 && api.Flock(fd, lock | LOCK_NB) != 0) return FromErrno(errno);
  if ((openFlags & kCreateBits) == CFile64::modeCreate && api.Ftruncate(fd, 0) != 0) {
    return FromErrno(errno);
  }
  return {CFileException::none, 0};
}

}  // namespace

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  std::vector<char> cwd(PATH_MAX + 1);
  if (::getcwd(cwd.data(), cwd.size()) == nullptr) return path;
  std::string result = cwd.data();
  if (result.back() != '/') result += '/';
  return result + path;
}

CFile64::~CFile64() {
  // A destructor must not raise: a failure to close is ignored here. The
  // repair run closes its files explicitly and reports such failures.
  if (m_hFile >= 0 && m_bCloseOnDelete) SystemFiles().Close(m_hFile);
}

const CRuntimeClass* CFile64::GetRuntimeClass() const { return &classCFile64; }

uint64_t CFile64::GetPosition() const {
  const int64_t position = SystemFiles().Seek(m_hFile, 0, SEEK_CUR);
  if (position < 0) CFileException::ThrowErrno(errno, {});
  return static_cast<uint64_t>(position);
}

std::string CFile64::GetFileName() const {
  const size_t slash = m_strFileName.rfind('/');
  return slash == std::string::npos ? m_strFileName : m_strFileName.substr(slash + 1);
}

std::string CFile64::GetFileTitle() const { return GetFileName(); }

std::string CFile64::GetFilePath() const { return m_strFileName; }

void CFile64::SetFilePath(const std::string& path) { m_strFileName = path; }

bool CFile64::Open(const char* path, uint32_t openFlags, CFileException* error) {
  m_bCloseOnDelete = false;
  m_hFile = -1;
  m_strFileName = AbsolutePath(path);

  // Never blocking: a pipe without a writer would hold the open for ever.
  int flags = AccessFlags(openFlags) | O_NONBLOCK;
  if (openFlags & modeNoInherit) flags |= O_CLOEXEC;
  if (openFlags & modeCreate) flags |= O_CREAT;
  CSystemFileApi& api = SystemFiles();
  const int fd = api.Open(path, flags, 0666);
  OpenFailure failure{CFileException::none, 0};
  if (fd < 0) {
    failure = {CFileException::CauseFromErrno(errno), errno};
  } else {
    failure = PrepareOpened(fd, openFlags);
    if (failure.cause != CFileException::none) api.Close(fd);
  }
  if (failure.cause != CFileException::none) {
    m_strFileName.clear();
    if (error != nullptr) {
      error->m_cause = failure.cause;
      error->m_osError = failure.osError;
      error->m_fileName = path;
    }
    return false;
  }
  m_hFile = fd;
  m_bCloseOnDelete = true;
  return true;
}

CFile64* CFile64::Duplicate() const {
  const int fd = SystemFiles().Dup(m_hFile);
  if (fd < 0) CFileException::ThrowErrno(errno, {});
  auto* copy = new CFile64;
  copy->m_hFile = fd;
  copy->m_bCloseOnDelete = m_bCloseOnDelete;
  copy->m_strFileName = m_strFileName;
  return copy;
}

uint64_t CFile64::Seek(int64_t offset, uint32_t from) {
  const int whence = from == begin ? SEEK_SET : from == current ? SEEK_CUR : SEEK_END;
  const int64_t position = SystemFiles().Seek(m_hFile, offset, whence);
  if (position < 0) CFileException::ThrowErrno(errno, {});
  return static_cast<uint64_t>(position);
}

void CFile64::SetLength(uint64_t length) {
  CFile64::Seek(static_cast<int64_t>(length), begin);
  if (SystemFiles().Ftruncate(m_hFile, length) != 0) CFileException::ThrowErrno(errno, {});
}

uint64_t CFile64::GetLength() const {
  const int64_t size = SystemFiles().Size(m_hFile);
  if (size < 0) CFileException::ThrowErrno(errno, {});
  return static_cast<uint64_t>(size);
}

uint32_t CFile64::Read(void* buffer, uint32_t count) {
  if (count == 0) return 0;
  const ssize_t got = SystemFiles().Read(m_hFile, buffer, count);
  if (got < 0) CFileException::ThrowErrno(errno, {});
  return static_cast<uint32_t>(got);
}

void CFile64::Write(const void* buffer, uint32_t count) {
  if (count == 0) return;
  const ssize_t put = SystemFiles().Write(m_hFile, buffer, count);
  if (put < 0) CFileException::ThrowErrno(errno, m_strFileName);
  if (static_cast<uint64_t>(put) < count) {
    throw CFileException(CFileException::diskFull, -1, m_strFileName);
  }
  NoteWritten(count);
}

void CFile64::NoteWritten(uint64_t count) {
  constexpr uint64_t kWritebackStep = uint64_t{2} << 20;
  m_notWrittenOut += count;
  if (m_notWrittenOut < kWritebackStep) return;
  m_notWrittenOut = 0;
  SystemFiles().StartWriteback(m_hFile);
}

void CFile64::LockRange(uint64_t position, uint64_t count) {
  if (SystemFiles().LockRange(m_hFile, position, count, true) != 0) {
    CFileException::ThrowErrno(errno, {});
  }
}

void CFile64::UnlockRange(uint64_t position, uint64_t count) {
  if (SystemFiles().LockRange(m_hFile, position, count, false) != 0) {
    CFileException::ThrowErrno(errno, {});
  }
}

void CFile64::Abort() {
  if (m_hFile >= 0) SystemFiles().Close(m_hFile);
  m_hFile = -1;
  m_strFileName.clear();
}

void CFile64::Flush() {
  if (m_hFile < 0) return;
  if (SystemFiles().Fsync(m_hFile) != 0 && errno != EINVAL && errno != EROFS) {
    CFileException::ThrowErrno(errno, {});
  }
}

void CFile64::Close() {
  int failure = 0;
  if (m_hFile >= 0 && SystemFiles().Close(m_hFile) != 0) failure = errno;
  m_hFile = -1;
  m_bCloseOnDelete = false;
  m_strFileName.clear();
  if (failure != 0) CFileException::ThrowErrno(failure, {});
}

bool CFile64::IsSameFileAs(const CFile64& other) const {
  struct stat mine {};
  struct stat theirs {};
  CSystemFileApi& api = SystemFiles();
  if (m_hFile < 0 || other.m_hFile < 0 || api.Fstat(m_hFile, mine) != 0 ||
      api.Fstat(other.m_hFile, theirs) != 0) {
    return false;
  }
  return mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}

bool CFile64::ReadStamp(CFileStamp& stamp) const {
  struct stat info {};
  if (m_hFile < 0 || SystemFiles().Fstat(m_hFile, info) != 0) return false;
  stamp = {static_cast<uint64_t>(info.st_size), info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
  return true;
}

uint32_t CFile64::GetBufferPtr(uint32_t, uint32_t) { return 0; }
