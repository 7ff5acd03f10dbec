#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CSourceReader;

// The bytes a stream keeps between "stream" and "endstream". Those the parse
// read from the source stay there: only where they lie is held, so that the
// memory of a repair does not grow with the source. Those made in memory (an
// object stream's content, decrypted data) are held here.
class CStreamData {
 public:
  explicit CStreamData(std::string bytes = {});
  // Data that starts at offset in the source and grows as the parse reads it.
  CStreamData(CSourceReader& source, uint64_t offset);

  size_t size() const { return m_source != nullptr ? m_size : m_bytes.size(); }
  bool empty() const { return size() == 0; }
  // One byte; meant for looks at the two ends of the data.
  char operator[](size_t index) const;

  // The parse hands the data over as it reads it; bytes of the source are
  // already where the data says.
  void push_back(char byte);
  void append(const char* bytes, size_t count);
  // Keeps the first `size` bytes.
  void Truncate(size_t size);
  // Puts bytes held in memory in place of the data.
  void Replace(std::string bytes);

  // Bytes [offset, offset + count), cut to the data: a view of the memory, or
  // read into scratch. Valid while both live unchanged.
  std::string_view View(size_t offset, size_t count, std::string& scratch) const;
  std::string_view View(std::string& scratch) const { return View(0, size(), scratch); }

  // Null for data held in memory.
  CSourceReader* Source() const { return m_source; }
  uint64_t Offset() const { return m_offset; }
  // The bytes in memory; meaningful only without a source.
  const std::string& Bytes() const { return m_bytes; }

  // The system could not read some of the source's bytes: they are zeros.
  bool m_zeroFilled = false;

 private:
  std::string m_bytes;
  CSourceReader* m_source = nullptr;
  uint64_t m_offset = 0;
  size_t m_size = 0;
};
