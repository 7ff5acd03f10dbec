#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>

#include "io/File64.h"
#include "io/SourceReader.h"

// Gathers many small writes into large ones. Positions are those of the
// target as if every byte had been written at once, so offsets taken here are
// offsets in the file. The value writer appends through the inline members:
// a repaired file is millions of pieces of a few bytes each.
class CBufferedOutput : public CFile64 {
 public:
  static constexpr uint32_t kCapacity = 64 * 1024;
  // Data from the source up to this size goes through the buffer.
  static constexpr uint64_t kSmallCopy = 32 * 1024;

  explicit CBufferedOutput(CFile64& target, uint32_t capacity = kCapacity);

  uint64_t GetPosition() const override { return m_position; }
  void Write(const void* buffer, uint32_t count) override { Append(buffer, count); }
  // Writes out what is gathered; the target's failure passes on.
  void Flush() override;

  // Any length: what does not fit goes to the target in pieces it can take.
  void Append(const void* data, size_t size) {
    if (size <= m_capacity - m_used) {
      std::memcpy(m_buffer.get() + m_used, data, size);
      m_used += static_cast<uint32_t>(size);
      m_position += size;
      return;
    }
    AppendLarge(data, size);
  }
  // Bytes that stay in the source until now: copied there to the target.
  void AppendFromSource(CSourceReader& source, uint64_t position, uint64_t count);
  template <size_t N>
  void AppendLiteral(const char (&text)[N]) {
    Append(text, N - 1);
  }
  // The value in decimal, as "%lu" or "%ld" would give it.
  template <typename Integer>
  void AppendDecimal(Integer value) {
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    Append(text, static_cast<size_t>(end - text));
  }

 private:
  void AppendLarge(const void* data, size_t size);

  CFile64& m_target;
  std::unique_ptr<char[]> m_buffer;
  uint32_t m_capacity;
  uint32_t m_used = 0;
  uint64_t m_position;
};
