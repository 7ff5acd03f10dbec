#include "core/Exceptions.h"

#include <cerrno>

#include "core/EngineStrings.h"

bool CException::GetErrorMessage(std::string& text) const {
  text.clear();
  return false;
}

bool CFileException::GetErrorMessage(std::string& text) const {
  const std::string name = m_fileName.empty() ? std::string(kUnnamedFileText) : m_fileName;
  text = ReplacePercentOne(FileErrorText(m_cause), name);
  return true;
}

int CFileException::CauseFromErrno(int error) {
  switch (error) {
    case ENOENT: return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return badPath;
    case EMFILE:
    case ENFILE: return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return accessDenied;
    case EBADF: return invalidFile;
    case ESPIPE: return badSeek;
    case EIO: return hardIO;
    case EWOULDBLOCK: return sharingViolation;
    case ENOLCK: return lockViolation;
    case ENOSPC:
    case EDQUOT: return diskFull;
    default: return genericException;
  }
}

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
