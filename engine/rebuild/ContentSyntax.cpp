#include "rebuild/ContentSyntax.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "decode/StreamDecode.h"
#include "model/DecodeBudget.h"
#include "model/PdfDictionary.h"
#include "model/Whitespace.h"
#include "rebuild/PageTree.h"
#include "rebuild/PageWalk.h"

namespace {

constexpr size_t kStreamLimit = 16u << 20;

bool IsDelimiter(char byte) { return std::string_view("()<>[]{}/%").find(byte) != std::string_view::npos; }
bool IsHexDigit(char byte) {
  return (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'f') || (byte >= 'A' && byte <= 'F');
}

// Past the literal string that opens at `at`; npos when it does not end.
size_t PastString(std::string_view content, size_t at) {
  for (int depth = 0; at < content.size(); ++at) {
    if (content[at] == '\\') {
      ++at;
    } else if (content[at] == '(') {
      ++depth;
    } else if (content[at] == ')' && --depth == 0) {
      return at + 1;
    }
  }
  return std::string_view::npos;
}

// Past the "EI" that ends inline image data begun at `at`.
size_t PastImageData(std::string_view content, size_t at) {
  for (size_t end = content.find("EI", at); end != std::string_view::npos; end = content.find("EI", end + 1)) {
    const bool before = end > 0 && IsPdfWhitespace(content[end - 1]);
    const bool after = end + 2 == content.size() || IsPdfWhitespace(content[end + 2]);
    if (before && after) return end + 2;
  }
  return std::string_view::npos;
}

}  // namespace

bool ContentSyntaxBroken(std::string_view content) {
  size_t arrays = 0;
  for (size_t at = 0; at < content.size();) {
    const char byte = content[at];
    if (byte == '%') {
      at = std::min(content.find_first_of("\r\n", at), content.size());
    } else if (byte == '(') {
      at = PastString(content, at);
      if (at == std::string_view::npos) return true;
    } else if (byte == '<' || byte == '>') {
      if (at + 1 < content.size() && content[at + 1] == byte) {
        at += 2;
        continue;
      }
      if (byte == '>') return true;
      for (++at; at < content.size() && content[at] != '>'; ++at) {
        if (!IsHexDigit(content[at]) && !IsPdfWhitespace(content[at])) return true;
      }
      if (at++ == content.size()) return true;
    } else if (byte == ')') {
      return true;
    } else if (byte == '[' || byte == ']') {
      if (byte == ']' && arrays == 0) return true;
      arrays += byte == '[' ? 1 : -1;
      ++at;
    } else if (IsPdfWhitespace(byte) || IsDelimiter(byte)) {
      ++at;
    } else {
      const size_t start = at;
      while (at < content.size() && !IsPdfWhitespace(content[at]) && !IsDelimiter(content[at])) ++at;
      if (content.substr(start, at - start) == "ID") {
        at = PastImageData(content, at);
        if (at == std::string_view::npos) return true;
      }
    }
  }
  return false;
}

size_t CountPagesWithBrokenContent(CPdfPagesNode& root, CDecodeBudget& budget) {
  std::unordered_map<const CPdfStream*, bool> broken;
  const auto streamBroken = [&](const CPdfObject* value) {
    if (value == nullptr || value->Kind() != kindStream) return false;
    const auto* stream = static_cast<const CPdfStream*>(value);
    auto [found, isNew] = broken.try_emplace(stream, false);
    if (isNew && stream->Dictionary() != nullptr && stream->Data() != nullptr && !budget.Spent()) {
      CByteArray decoded;
      bool limitReached = false;
      const DecodeOutcome outcome = DecodeStream(*stream, kStreamLimit, budget, decoded, limitReached);
      // Data that does not decode to its end is broken content too.
      found->second = outcome == DecodeOutcome::complete ? ContentSyntaxBroken(decoded)
                                                         : outcome == DecodeOutcome::cut && !limitReached;
    }
    return found->second;
  };
  size_t pages = 0;
  VisitPagesOnce(root, [&](const CPdfDictionary& page) {
    const CPdfObject* contents = DirectEntry(page, "/Contents");
    bool pageBroken = streamBroken(contents);
    if (contents != nullptr && contents->Kind() == kindArray) {
      const auto* streams = static_cast<const CPdfArray*>(contents);
      for (size_t j = 0; j < streams->GetCount() && !pageBroken; ++j) pageBroken = streamBroken(Direct(streams->GetAt(j)));
    }
    pages += pageBroken;
  });
  return pages;
}
