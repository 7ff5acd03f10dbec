#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/PdfObject.h"
#include "model/StreamData.h"

// The encoded bytes of a stream in pieces: bytes in memory at once, data
// that stays in the source a window at a time, so that decoding a large
// stream holds only its window and what it decodes.
class CEncodedPieces {
 public:
  explicit CEncodedPieces(std::string_view bytes) : m_bytes(bytes) {}
  CEncodedPieces(const CStreamData& data, size_t begin, size_t length)
      : m_data(&data), m_begin(begin), m_length(length) {}

  void Rewind() { m_taken = 0; }
  // The next piece; empty only at the end.
  std::string_view Next() {
    if (m_data == nullptr) {
      const std::string_view piece = m_bytes.substr(m_taken);
      m_taken = m_bytes.size();
      return piece;
    }
    // Windows grow from 16 KiB to 1 MiB: data that turns out not to decode
    // costs one small read, and the window read last is not read again
    // after a rewind.
    constexpr size_t kFirstWindow = size_t{16} << 10;
    constexpr size_t kWindow = size_t{1} << 20;
    const size_t count = std::min(std::clamp(m_taken, kFirstWindow, kWindow), m_length - m_taken);
    if (m_heldAt != m_taken || m_held.size() != count) {
      m_held = m_data->View(m_begin + m_taken, count, m_window);
      m_heldAt = m_taken;
    }
    m_taken += m_held.size();
    return m_held;
  }

 private:
  std::string_view m_bytes;
  const CStreamData* m_data = nullptr;
  size_t m_begin = 0;
  size_t m_length = 0;
  size_t m_taken = 0;
  CByteArray m_window;
  std::string_view m_held;  // the window read last, at m_heldAt
  size_t m_heldAt = SIZE_MAX;
};
