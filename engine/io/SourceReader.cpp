#include "io/SourceReader.h"

#include <cerrno>
#include <algorithm>
#include <cstring>

#include "io/File64Ex.h"
#include "io/SystemFileApi.h"

namespace {

constexpr size_t kPageSize = 8192;
// Copies through memory go in pieces of this size: large enough for the
// system's read-ahead, small enough to keep the memory flat.
constexpr size_t kCopyPiece = size_t{1} << 20;
// A single read of the file classes takes at most this much.
constexpr size_t kLargestRead = size_t{1} << 30;
// The kernel's copies go in pieces of this size, so that the written data
// is handed to the device as it comes (see CFile64::NoteWritten).
constexpr size_t kLargestCopy = size_t{2} << 20;

}  // namespace

CSourceReader::CSourceReader(CFile64Ex& file) : m_file(file) {}

CSourceReader::~CSourceReader() = default;

size_t CSourceReader::Read(uint64_t position, char* out, size_t count) {
  const uint64_t saved = m_file.GetPosition();
  m_file.Seek(static_cast<int64_t>(position), CFile64::begin);
  size_t total = 0;
  try {
    while (total < count) {
      const size_t piece = count - total < kLargestRead ? count - total : kLargestRead;
      const uint32_t got = m_file.Read(out + total, static_cast<uint32_t>(piece));
      total += got;
      if (got < piece) break;
    }
  } catch (...) {
    m_file.Seek(static_cast<int64_t>(saved), CFile64::begin);
    throw;
  }
  m_file.Seek(static_cast<int64_t>(saved), CFile64::begin);
  return total;
}

bool CSourceReader::FillWindow(uint64_t position) {
  if (!m_window) m_window.reset(new char[kWindowSize]);
  m_windowStart = position;
  m_windowValid = 0;
  m_windowValid = Read(position, m_window.get(), kWindowSize);
  return m_windowValid > 0;
}

// Looks go to both ends of a stream's data, by turns: one page is kept for
// each, the one looked at longest ago making room.
char CSourceReader::At(uint64_t position) {
  const auto holds = [position](const Page& page) {
    return page.bytes && position >= page.start && position - page.start < page.valid;
  };
  if (!holds(m_pages[m_lastPage])) {
    m_lastPage = 1 - m_lastPage;
    Page& page = m_pages[m_lastPage];
    if (!holds(page)) {
      if (!page.bytes) page.bytes.reset(new char[kPageSize]);
      // The page starts a little before, so that the bytes before the end
      // are in it too.
      page.start = position - std::min<uint64_t>(position % (kPageSize / 2) + kPageSize / 2, position);
      page.valid = 0;
      page.valid = Read(page.start, page.bytes.get(), kPageSize);
      if (position - page.start >= page.valid) return 0;
    }
  }
  const Page& page = m_pages[m_lastPage];
  return page.bytes[position - page.start];
}

size_t CSourceReader::ReadNear(uint64_t position, char* out, size_t count) {
  if (count > kWindowSize) return Read(position, out, count);
  const bool held = m_window && position >= m_windowStart && position - m_windowStart + count <= m_windowValid;
  if (!held && !FillWindow(position)) return 0;
  const size_t offset = static_cast<size_t>(position - m_windowStart);
  const size_t got = std::min(count, m_windowValid - offset);
  std::memcpy(out, m_window.get() + offset, got);
  return got;
}

void CSourceReader::CopyTo(CFile64& destination, uint64_t position, uint64_t count) {
  const int from = m_file.Handle();
  const int to = destination.Handle();
  // Any failure of the kernel's copy (another file system, an unreadable
  // sector, a full disk) hands the rest to the reads and writes, which mend
  // the unreadable and report the rest as the writer always does.
  while (count > 0 && from >= 0 && to >= 0) {
    const size_t piece = count < kLargestCopy ? static_cast<size_t>(count) : kLargestCopy;
    const ssize_t copied = SystemFiles().CopyRange(from, position, to, piece);
    if (copied <= 0) break;
    count -= static_cast<uint64_t>(copied);
    destination.NoteWritten(static_cast<uint64_t>(copied));
  }
  if (count > 0) CopyThroughMemory(destination, position, count);
}

void CSourceReader::CopyThroughMemory(CFile64& destination, uint64_t position, uint64_t count) {
  if (!m_copyBuffer) m_copyBuffer.reset(new char[kCopyPiece]);
  while (count > 0) {
    const size_t piece = count < kCopyPiece ? static_cast<size_t>(count) : kCopyPiece;
    const size_t got = Read(position, m_copyBuffer.get(), piece);
    if (got < piece) std::memset(m_copyBuffer.get() + got, 0, piece - got);
    destination.Write(m_copyBuffer.get(), static_cast<uint32_t>(piece));
    position += piece;
    count -= piece;
  }
}
