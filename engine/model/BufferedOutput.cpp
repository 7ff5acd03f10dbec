#include "model/BufferedOutput.h"

CBufferedOutput::CBufferedOutput(CFile64& target, uint32_t capacity)
    : m_target(target), m_buffer(new char[capacity]), m_capacity(capacity), m_position(target.GetPosition()) {}

void CBufferedOutput::AppendLarge(const void* data, size_t size) {
  Flush();
  const auto* bytes = static_cast<const char*>(data);
  // A file write takes at most 4 GiB - 1 at a time.
  constexpr size_t kLargestWrite = size_t{1} << 30;
  while (size >= m_capacity) {
    const size_t piece = size < kLargestWrite ? size : kLargestWrite;
    m_target.Write(bytes, static_cast<uint32_t>(piece));
    m_position += piece;
    bytes += piece;
    size -= piece;
  }
  std::memcpy(m_buffer.get(), bytes, size);
  m_used = static_cast<uint32_t>(size);
  m_position += size;
}

void CBufferedOutput::Flush() {
  if (m_used == 0) return;
  // Emptied first: a failed write is reported once, not again on the way out.
  const uint32_t used = m_used;
  m_used = 0;
  m_target.Write(m_buffer.get(), used);
}

void CBufferedOutput::AppendFromSource(CSourceReader& source, uint64_t position, uint64_t count) {
  // Small data joins the buffer through the reader's window; large data is
  // copied by the kernel, past the buffer.
  if (count <= kSmallCopy && count <= m_capacity) {
    if (count > m_capacity - m_used) Flush();
    const size_t got = source.ReadNear(position, m_buffer.get() + m_used, static_cast<size_t>(count));
    // Past the end of a source that shrank, as the copy makes it up: zeros.
    if (got < count) std::memset(m_buffer.get() + m_used + got, 0, static_cast<size_t>(count) - got);
    m_used += static_cast<uint32_t>(count);
    m_position += count;
    return;
  }
  Flush();
  source.CopyTo(m_target, position, count);
  m_position += count;
}
