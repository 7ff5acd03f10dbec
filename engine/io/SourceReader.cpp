#include "io/SourceReader.h"

#include <cerrno>
#include <cstring>

#include "io/File64Ex.h"
#include "io/SystemFileApi.h"

namespace {

constexpr size_t kPageSize = 4096;
// Copies through memory go in pieces of this size: large enough for the
// system's read-ahead, small enough to keep the memory flat.
constexpr size_t kCopyPiece = size_t{1} << 20;
// A single read of the file classes takes at most this much.
constexpr size_t kLargestRead = size_t{1} << 30;

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

char CSourceReader::At(uint64_t position) {
  if (!m_page || position < m_pageStart || position - m_pageStart >= m_pageValid) {
    if (!m_page) m_page.reset(new char[kPageSize]);
    m_pageStart = position - position % kPageSize;
    m_pageValid = 0;
    m_pageValid = Read(m_pageStart, m_page.get(), kPageSize);
    if (position - m_pageStart >= m_pageValid) return 0;
  }
  return m_page[position - m_pageStart];
}

void CSourceReader::CopyTo(CFile64& destination, uint64_t position, uint64_t count) {
  const int from = m_file.Handle();
  const int to = destination.Handle();
  // Any failure of the kernel's copy (another file system, an unreadable
  // sector, a full disk) hands the rest to the reads and writes, which mend
  // the unreadable and report the rest as the writer always does.
  while (count > 0 && from >= 0 && to >= 0) {
    const size_t piece = count < kLargestRead ? static_cast<size_t>(count) : kLargestRead;
    const ssize_t copied = SystemFiles().CopyRange(from, position, to, piece);
    if (copied <= 0) break;
    count -= static_cast<uint64_t>(copied);
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
