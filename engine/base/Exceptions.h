#pragma once

#include <cstdint>
#include <string>

#include "base/Object.h"

// Failures inside the engine are exceptions of this family. A failure that
// carries a text of its own is reported with it; the others generically.
class CException : public CObject {
 public:
  // Fills text and answers true when the failure has a text of its own.
  virtual bool GetErrorMessage(std::string& text) const;
};

class CFileException : public CException {
 public:
  enum Cause : int {
    none = 0,
    genericException = 1,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    invalidFile = 6,
    removeCurrentDir = 7,
    directoryFull = 8,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    lockViolation = 12,
    diskFull = 13,
    endOfFile = 14,
  };

  CFileException() = default;
  CFileException(int cause, int32_t osError, std::string fileName)
      : m_cause(cause), m_osError(osError), m_fileName(std::move(fileName)) {}

  bool GetErrorMessage(std::string& text) const override;

  static int CauseFromErrno(int error);
  // Raises the failure that errno describes; fileName may be empty.
  [[noreturn]] static void ThrowErrno(int error, const std::string& fileName);

  int m_cause = none;
  int32_t m_osError = -1;
  std::string m_fileName;
};

class CMemoryException : public CException {
 public:
  bool GetErrorMessage(std::string& text) const override;
};

// Inside a handler: whether the failure being handled is memory running
// out (this engine's own exception or the library's).
bool CurrentFailureIsMemory() noexcept;

class CNotSupportedException : public CException {
 public:
  bool GetErrorMessage(std::string& text) const override;
};

// Encrypting the output failed: the file would claim an encryption that
// some of its data lacks.
class CEncryptionException : public CException {
 public:
  bool GetErrorMessage(std::string& text) const override;
};
