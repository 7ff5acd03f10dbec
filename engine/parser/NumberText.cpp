#include "parser/NumberText.h"

#include "model/Whitespace.h"

namespace {

bool ParseUnsignedField(const char*& p, const char* end, uint32_t& value) {
  uint64_t result = 0;
  bool digits = false;
  while (p < end && *p >= '0' && *p <= '9') {
    result = result * 10 + static_cast<uint64_t>(*p++ - '0');
    if (result > 0xFFFFFFFFu) return false;
    digits = true;
  }
  value = static_cast<uint32_t>(result);
  return digits;
}

}  // namespace

bool ParseSignedInteger(const char* text, size_t length, int32_t& value) {
  const char* p = text;
  const char* end = text + length;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  const uint64_t limit = negative ? 2147483648u : 2147483647u;
  uint64_t magnitude = 0;
  if (p == end) return false;
  for (; p < end; ++p) {
    if (*p < '0' || *p > '9') return false;
    magnitude = magnitude * 10 + static_cast<uint64_t>(*p - '0');
    if (magnitude > limit) return false;
  }
  value = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude))
                   : static_cast<int32_t>(magnitude);
  return true;
}

bool ParseNumberPair(const char* text, size_t length, PdfObjectKey& key) {
  const char* p = text;
  const char* end = text + length;
  if (!ParseUnsignedField(p, end, key.number)) return false;
  while (p < end && !IsPdfWhitespace(*p)) ++p;
  while (p < end && IsPdfWhitespace(*p)) ++p;
  return ParseUnsignedField(p, end, key.generation);
}
