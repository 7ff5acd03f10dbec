#include "decode/StringBytes.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Digits pair up; anything else (blanks, damage) is passed over, and an odd
// last digit counts as followed by 0.
CByteArray HexBytes(std::string_view digits) {
  CByteArray bytes;
  bytes.reserve(digits.size() / 2);
  int high = -1;
  for (char c : digits) {
    const int value = HexValue(c);
    if (value < 0) continue;
    if (high < 0) {
      high = value;
    } else {
      bytes.push_back(static_cast<char>(high * 16 + value));
      high = -1;
    }
  }
  if (high >= 0) bytes.push_back(static_cast<char>(high * 16));
  return bytes;
}

// One escape after the backslash at `at`; answers the position after it.
size_t Unescape(std::string_view text, size_t at, CByteArray& bytes) {
  const char c = text[at];
  switch (c) {
    case 'n': bytes.push_back('\n'); return at + 1;
    case 'r': bytes.push_back('\r'); return at + 1;
    case 't': bytes.push_back('\t'); return at + 1;
    case 'b': bytes.push_back('\b'); return at + 1;
    case 'f': bytes.push_back('\f'); return at + 1;
    case '\r':  // a line continuation: the line end stands for nothing
      return at + 1 < text.size() && text[at + 1] == '\n' ? at + 2 : at + 1;
    case '\n': return at + 1;
    default: break;
  }
  if (c < '0' || c > '7') {
    bytes.push_back(c);  // "\(", "\)", "\\", and an unknown escape's own byte
    return at + 1;
  }
  int value = 0;
  size_t end = at;
  while (end < text.size() && end < at + 3 && text[end] >= '0' && text[end] <= '7') value = value * 8 + (text[end++] - '0');
  bytes.push_back(static_cast<char>(value & 0xFF));
  return end;
}

CByteArray LiteralBytes(std::string_view content) {
  CByteArray bytes;
  bytes.reserve(content.size());
  for (size_t at = 0; at < content.size();) {
    const char c = content[at];
    if (c == '\\' && at + 1 < content.size()) {
      at = Unescape(content, at + 1, bytes);
    } else if (c == '\r') {
      // Any line end inside the string reads as one line feed.
      bytes.push_back('\n');
      at += at + 1 < content.size() && content[at + 1] == '\n' ? 2 : 1;
    } else {
      if (c != '\\') bytes.push_back(c);
      ++at;
    }
  }
  return bytes;
}

}  // namespace

CByteArray StringBytes(std::string_view text) {
  if (text.empty()) return {};
  const char last = text.back();
  if (text.front() == '(') return LiteralBytes(text.substr(1, text.size() - (text.size() > 1 && last == ')' ? 2 : 1)));
  if (text.front() == '<') return HexBytes(text.substr(1, text.size() - (text.size() > 1 && last == '>' ? 2 : 1)));
  return CByteArray(text);
}

CByteArray HexStringText(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  CByteArray text;
  text.reserve(bytes.size() * 2 + 2);
  text.push_back('<');
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0xF]);
  }
  text.push_back('>');
  return text;
}
