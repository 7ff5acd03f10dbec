#include "parser/TrailerScan.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/FindWord.h"
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
  CTrailerKeywords keywords;
  std::string block(kBlock, '\0');
  uint64_t position = 0;
  file.Seek(0, CFile64::begin);
  for (;;) {
    const uint32_t got = file.Read(block.data(), kBlock);
    if (got == 0) break;
    keywords.Feed(position, std::string_view(block.data(), got));
    position += got;
  }
  std::vector<uint64_t> found;
  keywords.Take(position, found);
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

void CTrailerKeywords::Feed(uint64_t offset, std::string_view bytes) {
  if (m_broken || bytes.empty()) return;
  if (offset != m_next) {
    m_broken = true;
    return;
  }
  const uint64_t tailStart = offset - m_tail.size();
  const auto byteAt = [&](uint64_t position) {
    return position >= offset ? bytes[position - offset] : m_tail[position - tailStart];
  };
  const uint64_t end = offset + bytes.size();
  const auto judge = [&](uint64_t at) {
    const bool before = at == 0 || IsDelimiterOrSpace(byteAt(at - 1));
    const uint64_t after = at + kKeyword.size();
    if (after == end) {
      m_pending = true;
      m_pendingAt = at;
      m_pendingBefore = before;
    } else {
      Judge(at, before, IsDelimiterOrSpace(byteAt(after)));
    }
  };
  if (m_pending) {
    m_pending = false;
    Judge(m_pendingAt, m_pendingBefore, IsDelimiterOrSpace(bytes.front()));
  }
  // Keywords that begin in the bytes before and end in these.
  if (!m_tail.empty()) {
    std::string joint = m_tail;
    joint.append(bytes.substr(0, kKeyword.size() - 1));
    for (size_t at = joint.find(kKeyword); at != std::string::npos; at = joint.find(kKeyword, at + 1)) {
      const uint64_t position = tailStart + at;
      if (position >= offset) break;
      if (position + kKeyword.size() > offset) judge(position);
    }
  }
  const char* const stop = bytes.data() + bytes.size();
  for (const char* at = FindWord(bytes.data(), stop, kKeyword); at != stop; at = FindWord(at + 1, stop, kKeyword)) {
    judge(offset + static_cast<uint64_t>(at - bytes.data()));
  }
  // The last bytes, for a keyword that goes on in the next piece and for
  // the byte before one that starts it.
  if (bytes.size() >= kTail) {
    m_tail.assign(bytes.substr(bytes.size() - kTail));
  } else {
    m_tail.append(bytes);
    if (m_tail.size() > kTail) m_tail.erase(0, m_tail.size() - kTail);
  }
  m_next = end;
}

// Judged as the scan of whole blocks of kBlock bytes has always judged: a
// keyword that ends a block is counted when the byte before it allows, and
// again at the next block's start when the byte after it does.
void CTrailerKeywords::Judge(uint64_t at, bool before, bool after) {
  const bool endsBlock = (at + kKeyword.size()) % kBlock == 0;
  if (endsBlock) {
    if (before) Push(at);
    if (after) Push(at);
  } else if (before && after) {
    Push(at);
  }
}

void CTrailerKeywords::Push(uint64_t at) {
  m_found.push_back(at);
  if (m_found.size() > 2 * kMostTrailers) m_found.erase(m_found.begin(), m_found.end() - kMostTrailers);
}

bool CTrailerKeywords::Take(uint64_t fileLength, std::vector<uint64_t>& positions) {
  if (m_broken || m_next != fileLength) return false;
  // A keyword at the end of the file has nothing after it.
  if (m_pending && m_pendingBefore) Push(m_pendingAt);
  m_pending = false;
  if (m_found.size() > kMostTrailers) m_found.erase(m_found.begin(), m_found.end() - kMostTrailers);
  // A keyword counted at both sides of a block's end is one.
  m_found.erase(std::unique(m_found.begin(), m_found.end()), m_found.end());
  positions = std::move(m_found);
  m_found.clear();
  m_broken = true;
  return true;
}

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

void ReadTrailers(CPdfDocument& document, CFile64Ex& file, CTrailerKeywords* seen) {
  std::string window;
  std::string framed;
  std::vector<uint64_t> positions;
  if (seen == nullptr || !seen->Take(file.GetLength(), positions)) positions = FindKeywords(file);
  for (const uint64_t position : positions) {
    std::unique_ptr<CPdfDictionary> trailer =
        ReadDictionaryAt(document, file, position + kKeyword.size(), window, framed);
    if (trailer) document.AddTrailer(std::move(trailer));
  }
}
