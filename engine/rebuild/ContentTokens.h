#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

enum class ContentTokenKind : uint8_t {
  number,  // a real
  integer,
  name,
  string,  // literal or hexadecimal
  boolean,
  null,
  arrayOpen,
  arrayClose,
  dictOpen,
  dictClose,
  keyword,  // an operator, known or not
  bad,      // a byte no token can begin with, or a string that does not end
};

struct ContentToken {
  ContentTokenKind kind;
  size_t start;
  size_t end;
};

// Splits decoded content into tokens, passing over white space and
// comments. A string that does not end gives a bad token of its opening
// byte alone, so that what follows is read again as tokens: a stray "("
// costs only itself. Each byte is looked at a bounded number of times.
class CContentTokenizer {
 public:
  explicit CContentTokenizer(std::string_view content) : m_content(content) {}

  // False at the end of the content.
  bool Next(ContentToken& token);
  void SkipTo(size_t at) { m_at = at; }

 private:
  std::string_view m_content;
  size_t m_at = 0;
  // Past the first literal string that does not end, every "(" was matched
  // in the one scan that found it unended: later strings are looked up, so
  // that a run of unended "(" costs one scan, not one each.
  size_t m_unendedFrom = std::string_view::npos;
  std::unordered_map<size_t, size_t> m_stringEnds;
  std::vector<size_t> m_open;                      // the "(" of the string being read
  std::vector<std::pair<size_t, size_t>> m_closed;  // nested strings read, with their ends
};

// Past the "EI" that ends inline image data beginning at `at` (just after
// "ID"): an "EI" with white space (or the end) on both sides. npos when
// there is none.
size_t PastInlineImageData(std::string_view content, size_t at);
