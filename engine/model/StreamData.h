#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class CSourceReader;

// A zeroed disk sector is 512 bytes; deflated data almost never holds a
// run of zeros this long.
constexpr size_t kZeroRunLength = 64;

// Bytes made from others as they are read, a piece at a time: a stream's
// data decrypted from the source, or encrypted for the output. Reading them
// in order costs work linear in their size; no stream is held whole.
class CDataTransform {
 public:
  virtual ~CDataTransform() = default;
  virtual size_t Size() const = 0;
  // Appends bytes [offset, offset + count) of the result, within Size().
  virtual void Read(size_t offset, size_t count, std::string& out) const = 0;
  // Some bytes could not be made (the ciphers failed); they read as zeros.
  virtual bool Failed() const = 0;
};

// The bytes a stream keeps between "stream" and "endstream". Those the parse
// read from the source stay there: only where they lie is held, so that the
// memory of a repair does not grow with the source. Those made in memory (an
// object stream's content, rewritten content) are held here. Data that must
// change as it is copied (decrypted, encrypted) is made as it is read.
class CStreamData {
 public:
  explicit CStreamData(std::string bytes = {});
  // Data that starts at offset in the source and grows as the parse reads it.
  CStreamData(CSourceReader& source, uint64_t offset);
  // The line end after "stream", the transform's bytes, and CR LF.
  CStreamData(std::string lineEnd, std::unique_ptr<CDataTransform> transform);
  ~CStreamData();
  CStreamData(CStreamData&&) noexcept;
  CStreamData& operator=(CStreamData&&) noexcept;

  size_t size() const {
    return m_source != nullptr ? m_size : m_bytes.size() + (m_transform ? m_transform->Size() + 2 : 0);
  }
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

  // Null for data held in memory or made as it is read.
  CSourceReader* Source() const { return m_source; }
  uint64_t Offset() const { return m_offset; }
  // The bytes in memory; meaningful only without a source or a transform.
  const std::string& Bytes() const { return m_bytes; }
  // Data made as it is read, and whether any of it could not be made.
  bool Transformed() const { return m_transform != nullptr; }
  bool TransformFailed() const { return m_transform != nullptr && m_transform->Failed(); }

  // Whether the data may hold kZeroRunLength zero bytes in a row: false only
  // when the parse handed over every byte and saw no such run.
  bool MayHoldZeroRun() const { return m_zeroRuns != ZeroRuns::none; }

  // The system could not read some of the source's bytes: they are zeros.
  bool m_zeroFilled = false;

 private:
  // Made data becomes bytes in memory before it is changed in place.
  void Materialize();
  void LookForZeroRun(const char* bytes, size_t count);

  enum class ZeroRuns : uint8_t { unknown, none, some };

  std::string m_bytes;  // with a transform, the line end before its bytes
  std::unique_ptr<CDataTransform> m_transform;
  CSourceReader* m_source = nullptr;
  uint64_t m_offset = 0;
  size_t m_size = 0;
  size_t m_zerosAtEnd = 0;  // zero bytes that end the data handed over
  ZeroRuns m_zeroRuns = ZeroRuns::unknown;
};
