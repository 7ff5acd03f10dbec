#pragma once

// The six bytes PDF counts as white space; no <cctype>, which depends on the
// locale.
inline bool IsPdfWhitespace(char byte) {
  return byte == '\0' || byte == '\t' || byte == '\n' || byte == '\f' || byte == '\r' || byte == ' ';
}
