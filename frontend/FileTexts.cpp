#include "FileTexts.h"

#include "tesscore_shared/FileErrorTable.h"

namespace frontend {

const int kCauseSharingViolation = file_errors::kCauseSharingViolation;
const int kCauseInvalidFile = file_errors::kCauseInvalidFile;

int CauseOf(int error) { return file_errors::CauseOf(error); }

std::string CauseMessage(int cause, const std::string& fileName) {
  return file_errors::CauseMessage(cause, fileName);
}

std::string CannotCreateText(int cause, const std::string& fileName) {
  return file_errors::ReplacePercentOne(file_errors::kCannotCreateFileText,
                                        CauseMessage(cause, fileName));
}

std::string NameDestination(std::string text, const std::string& writerPath,
                            const std::string& destination) {
  if (writerPath.empty()) return text;
  for (size_t at = text.find(writerPath); at != std::string::npos;
       at = text.find(writerPath, at + destination.size())) {
    text.replace(at, writerPath.size(), destination);
  }
  return text;
}

}  // namespace frontend
