#include "core/Exceptions.h"

#include <cerrno>

#include "core/EngineStrings.h"
#include "core/FileErrorTable.h"

bool CException::GetErrorMessage(std::string& text) const {
  text.clear();
  return false;
}

bool CFileException::GetErrorMessage(std::string& text) const {
  text = file_errors::CauseMessage(m_cause, m_fileName);
  return true;
}

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
