#include "TerminalText.h"

#include <cstdio>

namespace {

void AppendEscape(std::string& out, unsigned char byte) {
  switch (byte) {
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
  }
  char escape[5];
  std::snprintf(escape, sizeof escape, "\\x%02x", byte);
  out += escape;
}

// The length of the well-formed UTF-8 character at `at`, or 0.
size_t CharacterLength(const std::string& text, size_t at, unsigned& codePoint) {
  const auto lead = static_cast<unsigned char>(text[at]);
  size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (lead >= 0xF5 || length == 0 || at + length > text.size()) return 0;
  codePoint = lead & (0x7Fu >> length);
  for (size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return 0;
    codePoint = codePoint << 6 | (next & 0x3F);
  }
  const unsigned smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (codePoint < smallest[length] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint < 0xE000)) {
    return 0;
  }
  return length;
}

}  // namespace

std::string PrintableText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x80) {
      if (byte < 0x20 || byte == 0x7F) {
        AppendEscape(out, byte);
      } else {
        out += static_cast<char>(byte);
      }
      ++at;
      continue;
    }
    unsigned codePoint = 0;
    const size_t length = CharacterLength(text, at, codePoint);
    if (length == 0 || codePoint < 0xA0) {
      AppendEscape(out, byte);  // a stray byte, or the first of a C1 control
      ++at;
      if (length != 0) AppendEscape(out, static_cast<unsigned char>(text[at++]));
      continue;
    }
    out.append(text, at, length);
    at += length;
  }
  return out;
}
