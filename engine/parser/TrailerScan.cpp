#include "parser/TrailerScan.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "io/File64Ex.h"
#include "model/Document.h"
#include "model/Whitespace.h"
#include "parser/Parser.h"
#include "parser/Tokenizer.h"

namespace {

constexpr std::string_view kKeyword = "trailer";
constexpr uint32_t kBlock = 1u << 20;
// A trailer of the handler's entries is well under a kilobyte; a larger
// reach only costs time on text that merely looks like one.
constexpr uint32_t kReach = 64u << 10;
// The newest trailers carry what is needed; older ones are kept only when
// the newer lack an /ID.
constexpr size_t kMostTrailers = 32;

bool IsDelimiterOrSpace(char byte) {
  return IsPdfWhitespace(byte) || std::string_view("()<>[]{}/%").find(byte) != std::string_view::npos;
}

// Where the positions of the last kMostTrailers keywords start, each
// standing as a word of its own.
std::vector<uint64_t> FindKeywords(CFile64Ex& file) {
  std::vector<uint64_t> found;
  std::string block(kBlock + kKeyword.size(), '\0');
  size_t carried = 0;  // bytes of the previous block kept in front
  uint64_t blockStart = 0;
  file.Seek(0, CFile64::begin);
  for (;;) {
    const uint32_t got = file.Read(block.data() + carried, kBlock);
    if (got == 0) break;
    const std::string_view bytes(block.data(), carried + got);
    for (size_t at = bytes.find(kKeyword); at != std::string_view::npos; at = bytes.find(kKeyword, at + 1)) {
      const size_t end = at + kKeyword.size();
      if ((at > 0 && !IsDelimiterOrSpace(bytes[at - 1])) || (end < bytes.size() && !IsDelimiterOrSpace(bytes[end]))) {
        continue;
      }
      found.push_back(blockStart + at);
      if (found.size() > 2 * kMostTrailers) found.erase(found.begin(), found.end() - kMostTrailers);
    }
    // The keyword's first bytes may end this block and the rest begin the next.
    const size_t keep = std::min(bytes.size(), kKeyword.size());
    std::copy(bytes.end() - static_cast<std::ptrdiff_t>(keep), bytes.end(), block.begin());
    blockStart += bytes.size() - keep;
    carried = keep;
  }
  if (found.size() > kMostTrailers) found.erase(found.begin(), found.end() - kMostTrailers);
  // A keyword found again in the carried bytes is counted once.
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

// The length of the dictionary at the start of `bytes`, 0 when none ends
// there: "<<" and ">>" counted, strings and comments skipped.
size_t DictionaryLength(std::string_view bytes) {
  int depth = 0;
  for (size_t at = 0; at < bytes.size(); ++at) {
    const char byte = bytes[at];
    if (byte == '%') {
      at = bytes.find_first_of("\r\n", at);
      if (at == std::string_view::npos) return 0;
    } else if (byte == '(') {
      for (int parentheses = 1; parentheses > 0;) {
        if (++at >= bytes.size()) return 0;
        if (bytes[at] == '\\') {
          ++at;
        } else if (bytes[at] == '(' || bytes[at] == ')') {
          parentheses += bytes[at] == '(' ? 1 : -1;
        }
      }
    } else if (byte == '<' && at + 1 < bytes.size() && bytes[at + 1] == '<') {
      ++depth;
      ++at;
    } else if (byte == '<') {
      at = bytes.find('>', at);
      if (at == std::string_view::npos) return 0;
    } else if (byte == '>' && at + 1 < bytes.size() && bytes[at + 1] == '>') {
      ++at;
      if (--depth == 0) return at + 1;
    } else if (depth == 0 && !IsPdfWhitespace(byte)) {
      return 0;  // not a dictionary
    }
  }
  return 0;
}

class CTrailerSink : public CParsedObjectSink {
 public:
  void Take(PdfObjectKey, CPdfObject* object) override {
    std::unique_ptr<CPdfObject> taken(object);
    if (!m_trailer && taken->Kind() == kindDictionary) {
      m_trailer.reset(static_cast<CPdfDictionary*>(taken.release()));
    }
  }
  std::unique_ptr<CPdfDictionary> m_trailer;
};

}  // namespace

std::unique_ptr<CPdfDictionary> ReadDictionaryAt(CPdfDocument& document, CFile64Ex& file, uint64_t position,
                                                 std::string& window, std::string& framed) {
  window.resize(kReach);
  file.Seek(static_cast<int64_t>(position), CFile64::begin);
  const std::string_view bytes(window.data(), file.Read(window.data(), kReach));
  const size_t length = DictionaryLength(bytes);
  if (length == 0) return nullptr;
  // Framed as an object, so that the file's own grammar reads it.
  framed.assign("1 0 obj\n");
  framed.append(bytes.substr(0, length));
  framed.append("\nendobj\n");
  CTrailerSink sink;
  BindScannerToMemory(&document.Table(), framed, &sink, false);
  ResetTokenizer();
  ParseTokens();
  return std::move(sink.m_trailer);
}

void ReadTrailers(CPdfDocument& document, CFile64Ex& file) {
  std::string window;
  std::string framed;
  for (const uint64_t position : FindKeywords(file)) {
    std::unique_ptr<CPdfDictionary> trailer =
        ReadDictionaryAt(document, file, position + kKeyword.size(), window, framed);
    if (trailer) document.AddTrailer(std::move(trailer));
  }
}
