#include "core/EngineStrings.h"

#include <array>

namespace {

constexpr std::string_view kCreatorText = "(Tessaly: https://tessaly.example/)";

struct EngineString {
  int id;
  std::string_view text;
};

// The numeric formats (2, 3, 5, 14) are the formats the writer and the
// information dictionary use with the C library's formatting functions.
constexpr std::array<EngineString, 14> kEngineStrings = {{
    {idsCannotCreateFile, "错误 4: 不能创建文件。%1"},
    {idsXrefInUseLine, "%010llu %05lu n\r\n"},
    {idsHeaderLine, "%%PDF-%s\r\n"},
    {idsXrefFreeLine, "%010llu %05lu f\r\n"},
    {idsParsingSource, "读取并解析来源文件..."},
    {idsWritingResult, "输出修复后的文件。"},
    {idsRepairingSource, "修复来源文件。"},
    {idsCannotOpenSource, "错误 1: 不能打开文件进行修复。%1"},
    {idsGeneralError, "错误 2: 一般错误。%1"},
    {idsUnknownError, "错误 3: 未知错误。"},
    {idsCreator, kCreatorText},
    {idsProducer, kCreatorText},
    {idsDateFormat, "(D:%Y%m%d%H%M%S)"},
    {idsEncryptedSource, "来源文件已加密，无法用空密码打开，修复后的内容可能仍无法读取。"},
}};

constexpr std::array<std::string_view, 15> kFileErrorTexts = {
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

}  // namespace

std::string_view LoadEngineString(int id) {
  for (const EngineString& entry : kEngineStrings) {
    if (entry.id == id) return entry.text;
  }
  return {};
}

std::string_view FileErrorText(int cause) {
  if (cause < 0 || cause >= static_cast<int>(kFileErrorTexts.size())) cause = 1;
  return kFileErrorTexts[static_cast<size_t>(cause)];
}

std::string ReplacePercentOne(std::string_view pattern, std::string_view text) {
  std::string result;
  result.reserve(pattern.size() + text.size());
  size_t i = 0;
  while (i < pattern.size()) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == '1') {
      result += text;
      i += 2;
    } else {
      result += pattern[i++];
    }
  }
  return result;
}
