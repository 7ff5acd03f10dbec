#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// The bytes of a text value. Up to 8 bytes (most names, numbers and
// keywords) live in place; longer texts have a block of their own, whose
// size follows from the text's length (BlockSize), so that no capacity needs
// keeping. Twelve bytes with 4-byte alignment: in a text object they fill
// the last word of the object header and one more. Read like a string view.
class CTextBytes {
 public:
  CTextBytes() = default;
  CTextBytes(const CTextBytes&) = delete;
  CTextBytes& operator=(const CTextBytes&) = delete;
  ~CTextBytes();

  size_t size() const { return m_size; }
  bool empty() const { return m_size == 0; }
  const char* data() const { return m_size <= kInline ? m_storage : Heap(); }
  operator std::string_view() const { return {data(), m_size}; }
  operator std::string() const { return std::string(data(), m_size); }
  // Puts other bytes in place of these; raises as Append does, changing nothing.
  CTextBytes& operator=(std::string_view text);
  friend bool operator==(const CTextBytes& bytes, std::string_view text) { return std::string_view(bytes) == text; }

  // Both raise CMemoryException, changing nothing, when memory runs short
  // or the text would pass 4 GiB.
  void Append(const char* bytes, size_t length) {
    // Inline: most texts are made from one short piece.
    if (length != 0 && m_size + length <= kInline) {
      std::memcpy(m_storage + m_size, bytes, length);
      m_size += static_cast<uint32_t>(length);
      return;
    }
    AppendLong(bytes, length);
  }
  // Puts `open` before the bytes and `close` after them.
  void Enclose(char open, char close);

  // The block of a text of `size` bytes: the pool's 8-byte steps up to 64,
  // then steps of an eighth of the size's power of two, so that a string
  // that grows byte by byte is moved a bounded number of times per doubling.
  static size_t BlockSize(size_t size);

 private:
  static constexpr size_t kInline = 8;
  char* Heap() const {
    char* heap;
    std::memcpy(&heap, m_storage, sizeof heap);
    return heap;
  }
  void AppendLong(const char* bytes, size_t length);
  // Room for `size` bytes, the current ones kept; answers where they are.
  char* Reserve(size_t size);

  uint32_t m_size = 0;  // the bytes are in place exactly while it is at most kInline
  char m_storage[kInline];  // the bytes, or the address of their block
};
