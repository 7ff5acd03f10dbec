#pragma once

#include <cstdint>
#include <string>

#include "base/Exceptions.h"
#include "base/Object.h"

// What tells that a file was written to: its size and modification time.
struct CFileStamp {
  uint64_t size = 0;
  int64_t seconds = 0;
  int64_t nanoseconds = 0;
  bool operator==(const CFileStamp&) const = default;
};

// A thin wrapper over a file descriptor with 64-bit positions: every
// operation is one system call and every failure raises CFileException.
class CFile64 : public CObject {
 public:
  // The open mode word.
  enum OpenFlags : uint32_t {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeBinary = 0x8000,
  };
  enum SeekPosition : uint32_t { begin = 0, current = 1, end = 2 };

  CFile64() = default;
  CFile64(const CFile64&) = delete;
  CFile64& operator=(const CFile64&) = delete;
  ~CFile64() override;

  const CRuntimeClass* GetRuntimeClass() const override;
  static const CRuntimeClass classCFile64;

  virtual uint64_t GetPosition() const;
  virtual std::string GetFileName() const;
  virtual std::string GetFileTitle() const;
  virtual std::string GetFilePath() const;
  virtual void SetFilePath(const std::string& path);
  virtual bool Open(const char* path, uint32_t openFlags, CFileException* error = nullptr);
  virtual CFile64* Duplicate() const;
  virtual uint64_t Seek(int64_t offset, uint32_t from);
  virtual void SetLength(uint64_t length);
  virtual uint64_t GetLength() const;
  virtual uint32_t Read(void* buffer, uint32_t count);
  virtual void Write(const void* buffer, uint32_t count);
  virtual void LockRange(uint64_t position, uint64_t count);
  virtual void UnlockRange(uint64_t position, uint64_t count);
  virtual void Abort();
  virtual void Flush();
  virtual void Close();
  virtual uint32_t GetBufferPtr(uint32_t command, uint32_t count);

  // Counts bytes put into the file by Write or by the kernel's own copy:
  // every few megabytes the system is asked to start writing them out, so
  // that the sync of the finished file overlaps the work instead of
  // following it.
  void NoteWritten(uint64_t count);

  bool IsOpen() const { return m_hFile >= 0; }
  // The descriptor, -1 when closed: for copies the kernel makes itself.
  int Handle() const { return m_hFile; }
  // Both open on one file (device and inode), whatever the paths.
  bool IsSameFileAs(const CFile64& other) const;
  // The open file's stamp, asked of the descriptor and not of the path, so
  // that a file renamed over ours does not hide a change. False when the
  // system cannot tell.
  bool ReadStamp(CFileStamp& stamp) const;

 protected:
  int m_hFile = -1;
  bool m_bCloseOnDelete = false;
  std::string m_strFileName;

 private:
  uint64_t m_notWrittenOut = 0;  // written since the last writeback began
};

// The absolute form of a path: relative paths are taken from the current
// directory; nothing is resolved on disk.
std::string AbsolutePath(const std::string& path);
