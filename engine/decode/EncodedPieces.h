#pragma once

#include <algorithm>
#include <cstddef>
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
    constexpr size_t kWindow = size_t{1} << 20;
    const size_t count = std::min(kWindow, m_length - m_taken);
    const std::string_view piece = m_data->View(m_begin + m_taken, count, m_window);
    m_taken += piece.size();
    return piece;
  }

 private:
  std::string_view m_bytes;
  const CStreamData* m_data = nullptr;
  size_t m_begin = 0;
  size_t m_length = 0;
  size_t m_taken = 0;
  CByteArray m_window;
};
