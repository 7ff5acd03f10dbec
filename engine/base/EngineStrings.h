#pragma once

#include <string>
#include <string_view>

// The engine's own texts, loaded by number. Texts are UTF-8, the system's
// multibyte code page; no conversion happens anywhere in the engine.
enum EngineStringId : int {
  idsCannotCreateFile = 1,
  idsXrefInUseLine = 2,
  idsHeaderLine = 3,
  idsXrefFreeLine = 5,
  idsParsingSource = 6,
  idsWritingResult = 7,
  idsRepairingSource = 8,
  idsCannotOpenSource = 9,
  idsGeneralError = 10,
  idsUnknownError = 11,
  idsCreator = 12,
  idsProducer = 13,
  idsDateFormat = 14,
  // 15 is no longer used: a source that cannot be decrypted fails (16).
  idsCannotDecrypt = 16,
  // The causes that fill in 16.
  idsNoPassword = 17,
  idsUnknownHandler = 18,
  idsIdLost = 19,
  idsEncryptLost = 20,
  // The source was written to between the parse and the write; 22, with
  // the source's path, fills in 21.
  idsSourceChanged = 21,
  idsChangedFile = 22,
  // Objects the source holds that were not made because the decode budget
  // or memory ran out (log line, with their count), and the report's words
  // for that loss and for a parse that memory cut short.
  idsObjectsDropped = 23,
  idsLossObjectsDropped = 24,
  idsLossMemory = 25,
};

// The text of a string id; empty for an id the table does not hold.
std::string_view LoadEngineString(int id);

// The file-error text of a cause 0-14 (cause 1 for anything else), with "%1"
// still in it.
std::string_view FileErrorText(int cause);

inline constexpr std::string_view kOutOfMemoryText = "内存溢出。";
inline constexpr std::string_view kNotSupportedText = "尝试一个不支持的操作。";
inline constexpr std::string_view kEncryptionFailedText = "不能加密目标文件。";

// Replaces every "%1" of a template by the text; nothing else is interpreted.
std::string ReplacePercentOne(std::string_view pattern, std::string_view text);
