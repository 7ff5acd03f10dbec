#pragma once

// The file-error texts and the mapping from the system's error numbers to
// their causes: one table for the engine and for both front ends, which word
// their own file failures exactly as the engine does. Header only, so that
// the engine's export list stays one name and nothing links twice.

#include <cerrno>
#include <array>
#include <string>
#include <string_view>

namespace file_errors {

// By cause: 0 none, 1 generic, 2 not found, 3 bad path, 4 too many open
// files, 5 access denied, 6 invalid file, 7 current folder, 8 folder full,
// 9 bad seek, 10 hardware I/O, 11 sharing violation, 12 lock violation,
// 13 disk full, 14 end of file.
inline constexpr std::array<std::string_view, 15> kCauseTexts = {
    "未发生错误。",
    "访问 %1 时发生一个未知错误。",
    "%1 未找到。",
    "%1 包含一个错误的路径。",
    "%1 不能打开，因为打开文件太多。",
    "访问 %1 被拒绝。",
    "一个错误的文件句柄关联到 %1。",
    "%1 不能删除，因为它是当前目录。",
    "%1 不能创建，因为目录已满。",
    "搜索失败在 %1",
    "在访问 %1 时报告一个硬件 I/O 错误。",
    "在访问 %1 时发生分配妨碍。",
    "在访问 %1 时发生锁定妨碍。",
    "在访问 %1 时磁盘已满。",
    "尝试制造访问 %1 超过结尾。",
};

inline constexpr int kCauseAccessDenied = 5;
inline constexpr int kCauseInvalidFile = 6;
inline constexpr int kCauseSharingViolation = 11;

// The name a text gets for a failure that names no file.
inline constexpr std::string_view kUnnamedFileText = "一个未命名文件";
// The engine's failure to create the destination (its string 1).
inline constexpr std::string_view kCannotCreateFileText = "错误 4: 不能创建文件。%1";

// Cause 1 for every error without a closer match.
constexpr int CauseOf(int error) {
  switch (error) {
    case ENOENT: return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kCauseAccessDenied;  // a folder cannot be opened as a file
    case EBADF:
    case ENXIO: return kCauseInvalidFile;  // a socket, or a pipe nobody reads
    case ESPIPE: return 9;
    case EIO: return 10;
    case EWOULDBLOCK:
    case ETXTBSY:
    case EBUSY: return kCauseSharingViolation;
    case ENOLCK: return 12;
    case ENOSPC:
    case EDQUOT: return 13;
    default: return 1;
  }
}

constexpr std::string_view CauseText(int cause) {
  if (cause < 0 || cause >= static_cast<int>(kCauseTexts.size())) cause = 1;
  return kCauseTexts[static_cast<size_t>(cause)];
}

// Replaces every "%1" of a template by the text; nothing else is interpreted.
inline std::string ReplacePercentOne(std::string_view pattern, std::string_view text) {
  std::string result;
  result.reserve(pattern.size() + text.size());
  for (size_t i = 0; i < pattern.size();) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == '1') {
      result += text;
      i += 2;
    } else {
      result += pattern[i++];
    }
  }
  return result;
}

// The cause's text with the file name in it, or the unnamed-file text.
inline std::string CauseMessage(int cause, std::string_view fileName) {
  return ReplacePercentOne(CauseText(cause), fileName.empty() ? kUnnamedFileText : fileName);
}

}  // namespace file_errors
