#include "rebuild/ContentTokens.h"

#include "model/Whitespace.h"

namespace {

bool IsDelimiter(char byte) { return std::string_view("()<>[]{}/%").find(byte) != std::string_view::npos; }
bool IsRegular(char byte) { return !IsPdfWhitespace(byte) && !IsDelimiter(byte); }
bool IsDigit(char byte) { return byte >= '0' && byte <= '9'; }
bool IsHexDigit(char byte) {
  return IsDigit(byte) || (byte >= 'a' && byte <= 'f') || (byte >= 'A' && byte <= 'F');
}

// Integer, real or not a number at all.
ContentTokenKind WordKind(std::string_view word) {
  size_t at = word[0] == '+' || word[0] == '-' ? 1 : 0;
  size_t digits = 0;
  size_t points = 0;
  for (; at < word.size(); ++at) {
    if (IsDigit(word[at])) {
      ++digits;
    } else if (word[at] == '.' && ++points == 1) {
    } else {
      digits = 0;
      break;
    }
  }
  if (digits != 0) return points == 0 ? ContentTokenKind::integer : ContentTokenKind::number;
  if (word == "true" || word == "false") return ContentTokenKind::boolean;
  if (word == "null") return ContentTokenKind::null;
  return ContentTokenKind::keyword;
}

}  // namespace

bool CContentTokenizer::Next(ContentToken& token) {
  const std::string_view content = m_content;
  while (m_at < content.size()) {
    if (IsPdfWhitespace(content[m_at])) {
      ++m_at;
    } else if (content[m_at] == '%') {
      const size_t end = content.find_first_of("\r\n", m_at);
      m_at = end == std::string_view::npos ? content.size() : end;
    } else {
      break;
    }
  }
  if (m_at >= content.size()) return false;
  const size_t start = m_at;
  const char byte = content[start];
  const auto give = [&](ContentTokenKind kind, size_t end) {
    token = {kind, start, end};
    m_at = end;
    return true;
  };
  switch (byte) {
    case '(': {
      if (m_unendedFrom != std::string_view::npos && start > m_unendedFrom) {
        const auto found = m_stringEnds.find(start);
        return give(found != m_stringEnds.end() ? ContentTokenKind::string : ContentTokenKind::bad,
                    found != m_stringEnds.end() ? found->second : start + 1);
      }
      m_open.clear();
      m_closed.clear();
      for (size_t at = start; at < content.size(); ++at) {
        if (content[at] == '\\') {
          ++at;
        } else if (content[at] == '(') {
          m_open.push_back(at);
        } else if (content[at] == ')' && !m_open.empty()) {
          if (m_open.size() == 1) return give(ContentTokenKind::string, at + 1);
          m_closed.emplace_back(m_open.back(), at + 1);
          m_open.pop_back();
        }
      }
      m_unendedFrom = start;
      m_stringEnds.insert(m_closed.begin(), m_closed.end());
      return give(ContentTokenKind::bad, start + 1);
    }
    case '<': {
      if (start + 1 < content.size() && content[start + 1] == '<') return give(ContentTokenKind::dictOpen, start + 2);
      for (size_t at = start + 1; at < content.size(); ++at) {
        if (content[at] == '>') return give(ContentTokenKind::string, at + 1);
        if (!IsHexDigit(content[at]) && !IsPdfWhitespace(content[at])) break;
      }
      return give(ContentTokenKind::bad, start + 1);
    }
    case '>':
      if (start + 1 < content.size() && content[start + 1] == '>') return give(ContentTokenKind::dictClose, start + 2);
      return give(ContentTokenKind::bad, start + 1);
    case '[':
      return give(ContentTokenKind::arrayOpen, start + 1);
    case ']':
      return give(ContentTokenKind::arrayClose, start + 1);
    case ')':
    case '{':
    case '}':
      return give(ContentTokenKind::bad, start + 1);
    default:
      break;
  }
  size_t end = start + 1;
  while (end < content.size() && IsRegular(content[end])) ++end;
  if (byte == '/') return give(ContentTokenKind::name, end);
  return give(WordKind(content.substr(start, end - start)), end);
}

size_t PastInlineImageData(std::string_view content, size_t at) {
  for (size_t end = content.find("EI", at); end != std::string_view::npos; end = content.find("EI", end + 1)) {
    const bool before = end > at && IsPdfWhitespace(content[end - 1]);
    const bool after = end + 2 == content.size() || IsPdfWhitespace(content[end + 2]);
    if (before && after) return end + 2;
  }
  return std::string_view::npos;
}
