#include "writer/BufferedOutput.h"

#include <cstring>

CBufferedOutput::CBufferedOutput(CFile64& target)
    : m_target(target), m_buffer(new uint8_t[kCapacity]), m_position(target.GetPosition()) {}

void CBufferedOutput::Write(const void* buffer, uint32_t count) {
  if (count == 0) return;
  if (m_used + static_cast<uint64_t>(count) > kCapacity) Flush();
  if (count >= kCapacity) {
    m_target.Write(buffer, count);
  } else {
    std::memcpy(m_buffer.get() + m_used, buffer, count);
    m_used += count;
  }
  m_position += count;
}

void CBufferedOutput::Flush() {
  if (m_used == 0) return;
  // Emptied first: a failed write is reported once, not again on the way out.
  const uint32_t used = m_used;
  m_used = 0;
  m_target.Write(m_buffer.get(), used);
}
