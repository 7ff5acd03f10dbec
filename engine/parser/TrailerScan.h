#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CFile64Ex;
class CPdfDocument;
class CPdfDictionary;

// Finds the keyword "trailer" in the pieces of a file handed over in file
// order, as the parse reads them, so that the file need not be read once
// more for it.
class CTrailerKeywords {
 public:
  void Feed(uint64_t offset, std::string_view bytes);
  // Where the last keywords start; false when the pieces were not the whole
  // file of this length, one after the other. Answers once.
  bool Take(uint64_t fileLength, std::vector<uint64_t>& positions);

 private:
  static constexpr size_t kTail = 8;  // a keyword's length and the byte before
  void Judge(uint64_t at, bool before, bool after);
  void Push(uint64_t at);

  std::vector<uint64_t> m_found;
  std::string m_tail;  // the last bytes handed over
  uint64_t m_next = 0;
  uint64_t m_pendingAt = 0;  // a keyword whose next byte is still to come
  bool m_pending = false;
  bool m_pendingBefore = false;
  bool m_broken = false;
};

// The default parse reads objects only; an encrypted source also needs its
// trailers' /Encrypt and /ID. Finds the keyword "trailer" in the whole file
// and hands the document the dictionary after each of the last ones found,
// in file order. A dictionary that does not end within reach is skipped.
// Keywords the parse already saw are taken from `seen` when it saw the
// whole file.
void ReadTrailers(CPdfDocument& document, CFile64Ex& file, CTrailerKeywords* seen = nullptr);

// The dictionary that begins at the position (white space before it
// allowed), read with the file's own grammar; null when none ends within
// reach. The two buffers are the caller's, kept between calls.
std::unique_ptr<CPdfDictionary> ReadDictionaryAt(CPdfDocument& document, CFile64Ex& file, uint64_t position,
                                                 std::string& window, std::string& framed);
