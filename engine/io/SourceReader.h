#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class CFile64;
class CFile64Ex;

// The source read again after the parse, at any position: stream data stays
// in the file and is looked at, decoded and copied from here, through the
// same tolerant reader the parse used, so that an unreadable stretch gives
// the same zeros. The reader's own position is left where it was.
class CSourceReader {
 public:
  explicit CSourceReader(CFile64Ex& file);
  ~CSourceReader();

  CFile64Ex& File() const { return m_file; }
  // Reads count bytes at position; fewer only past the end of the file.
  size_t Read(uint64_t position, char* out, size_t count);
  // One byte, through a page kept for byte-wise looks at the two ends of a
  // stream's data; 0 past the end of the file.
  char At(uint64_t position);
  // A small read through a window of the file kept in memory: neighbouring
  // streams, written in the order of the source, cost one system read per
  // window and not one each. Fewer bytes only past the end of the file.
  size_t ReadNear(uint64_t position, char* out, size_t count);
  static constexpr size_t kWindowSize = 256 * 1024;
  // Appends count bytes from position to the destination at its own
  // position: inside the kernel where it can, else read and written in large
  // pieces. A source that ends early is made up with zeros, so that the
  // output stays as long as planned.
  void CopyTo(CFile64& destination, uint64_t position, uint64_t count);

 private:
  void CopyThroughMemory(CFile64& destination, uint64_t position, uint64_t count);

  CFile64Ex& m_file;
  // Moves the window to start at position; answers whether it holds it.
  bool FillWindow(uint64_t position);

  struct Page {
    std::unique_ptr<char[]> bytes;
    uint64_t start = 0;
    size_t valid = 0;
  };
  Page m_pages[2];
  size_t m_lastPage = 0;  // the page looked at last
  std::unique_ptr<char[]> m_window;
  uint64_t m_windowStart = 0;
  size_t m_windowValid = 0;
  std::unique_ptr<char[]> m_copyBuffer;
};
