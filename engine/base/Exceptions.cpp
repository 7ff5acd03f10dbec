#include "base/Exceptions.h"

#include <new>

#include <cerrno>

#include "base/EngineStrings.h"
#include "tesscore_shared/FileErrorTable.h"

bool CException::GetErrorMessage(std::string& text) const {
  text.clear();
  return false;
}

bool CFileException::GetErrorMessage(std::string& text) const {
  text = file_errors::CauseMessage(m_cause, m_fileName);
  return true;
}

// The front ends share the table without the engine's classes: its numbers
// must stay the causes'.
static_assert(file_errors::CauseOf(ENOENT) == CFileException::fileNotFound);
static_assert(file_errors::CauseOf(ENOTDIR) == CFileException::badPath);
static_assert(file_errors::CauseOf(EMFILE) == CFileException::tooManyOpenFiles);
static_assert(file_errors::kCauseAccessDenied == CFileException::accessDenied);
static_assert(file_errors::kCauseInvalidFile == CFileException::invalidFile);
static_assert(file_errors::CauseOf(ESPIPE) == CFileException::badSeek);
static_assert(file_errors::CauseOf(EIO) == CFileException::hardIO);
static_assert(file_errors::kCauseSharingViolation == CFileException::sharingViolation);
static_assert(file_errors::CauseOf(ENOLCK) == CFileException::lockViolation);
static_assert(file_errors::CauseOf(ENOSPC) == CFileException::diskFull);
static_assert(file_errors::CauseOf(EINVAL) == CFileException::genericException);
static_assert(file_errors::kCauseTexts.size() == CFileException::endOfFile + 1);

int CFileException::CauseFromErrno(int error) { return file_errors::CauseOf(error); }

void CFileException::ThrowErrno(int error, const std::string& fileName) {
  throw CFileException(CauseFromErrno(error), error, fileName);
}

bool CMemoryException::GetErrorMessage(std::string& text) const {
  text = kOutOfMemoryText;
  return true;
}

bool CNotSupportedException::GetErrorMessage(std::string& text) const {
  text = kNotSupportedText;
  return true;
}

bool CEncryptionException::GetErrorMessage(std::string& text) const {
  text = kEncryptionFailedText;
  return true;
}

bool CurrentFailureIsMemory() noexcept {
  try {
    throw;
  } catch (const CMemoryException&) {
    return true;
  } catch (const std::bad_alloc&) {
    return true;
  } catch (...) {
    return false;
  }
}
