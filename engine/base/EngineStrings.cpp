#include "base/EngineStrings.h"

#include <array>

#include "tesscore_shared/FileErrorTable.h"

namespace {

constexpr std::string_view kCreatorText = "(Tessaly: https://tessaly.example/)";

struct EngineString {
  int id;
  std::string_view text;
};

// The numeric formats (2, 3, 5, 14) are the formats the writer and the
// information dictionary use with the C library's formatting functions.
constexpr std::array<EngineString, 23> kEngineStrings = {{
    {idsCannotCreateFile, file_errors::kCannotCreateFileText},
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
    {idsCannotDecrypt, "错误 5: 不能解密来源文件。%1"},
    {idsNoPassword, "没有给出正确的密码。"},
    {idsUnknownHandler, "不支持的安全处理程序。"},
    {idsIdLost, "文件标识 (/ID) 已丢失，无法算出密钥。"},
    {idsEncryptLost, "加密字典已丢失。"},
    {idsSourceChanged, "错误 6: 来源文件在修复过程中被改变。%1"},
    {idsChangedFile, "%1 的大小或修改时间已与读取时不同。"},
    {idsObjectsDropped, "解码限额或内存已用完，%1 个对象未能恢复。"},
    {idsLossObjectsDropped, " 个对象因解码限额或内存用完而未能恢复"},
    {idsLossMemory, "内存不足，来源文件的其余部分未能读取"},
}};

}  // namespace

std::string_view LoadEngineString(int id) {
  for (const EngineString& entry : kEngineStrings) {
    if (entry.id == id) return entry.text;
  }
  return {};
}

std::string_view FileErrorText(int cause) { return file_errors::CauseText(cause); }

std::string ReplacePercentOne(std::string_view pattern, std::string_view text) {
  return file_errors::ReplacePercentOne(pattern, text);
}
