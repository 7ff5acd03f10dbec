#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Object.h"
#include "model/ObjectPool.h"
#include "model/StreamData.h"
#include "model/TextBytes.h"

class CFile64;
class CPdfObjectTable;
class CPdfDictionary;

enum PdfObjectKind : int32_t {
  kindBoolean = 0,
  kindInteger = 1,
  kindReal = 2,
  kindString = 3,
  kindName = 4,
  kindArray = 5,
  kindDictionary = 6,
  kindStream = 7,
  kindNull = 8,
  kindReference = 9,
};

// Growable byte buffer: string bytes, stream data.
using CByteArray = std::string;

// Serial numbers give the creation order of objects; a run restarts them at 1.
void ResetSerialNumbers();
// The serial number the next object will get.
uint64_t NextSerialNumber();

// One PDF value. Scalars keep their source bytes; only integers are numbers.
// A salvaged file holds millions of values, so each is as small as its
// content allows: the kind, the serial number and the output generation
// share one word, and a derived class's first 32-bit field fills the last
// four bytes of the base.
class CPdfObject : public CObject {
 public:
  explicit CPdfObject(PdfObjectKind kind);
  // An object made again as it was, under the serial number it had.
  CPdfObject(PdfObjectKind kind, uint64_t serial);
  CPdfObject(const CPdfObject&) = delete;
  CPdfObject& operator=(const CPdfObject&) = delete;

  // Appends the object's bytes to the file; every value ends with CR LF.
  virtual void Write(CFile64& file) const = 0;

  PdfObjectKind Kind() const { return static_cast<PdfObjectKind>((m_bits >> kKindShift) & 0xFF); }
  uint64_t SerialNumber() const { return m_bits & kSerialMask; }
  uint32_t OutputGeneration() const { return static_cast<uint32_t>(m_bits >> kGenerationShift); }
  // The writer's numbering: the low 32 bits of the counter are the output
  // number, the next ones the generation. Generations past 255 would take
  // more than 2^40 objects, far beyond any memory.
  void SetOutputNumbers(uint64_t counter) {
    m_outputNumber = static_cast<uint32_t>(counter);
    m_bits = (m_bits & ~(uint64_t{0xFF} << kGenerationShift)) | ((counter >> 32 & 0xFF) << kGenerationShift);
  }

  // Values are many and small: they come from the model's pool.
  static void* operator new(size_t size) { return AllocateModelObject(size); }
  static void operator delete(void* memory, size_t size) noexcept { FreeModelObject(memory, size); }

 private:
  // 48 bits of serial number outlast any run: at one object per nanosecond
  // they take three days to run out.
  static constexpr uint64_t kSerialMask = (uint64_t{1} << 48) - 1;
  static constexpr int kKindShift = 48;
  static constexpr int kGenerationShift = 56;
  uint64_t m_bits;

 public:
  uint32_t m_outputNumber = 0;
};

// Booleans, reals, strings, names and null: the bytes as written.
class CPdfText : public CPdfObject {
 public:
  CPdfText(PdfObjectKind kind, const void* bytes, size_t length);
  void Write(CFile64& file) const override;

  std::string_view Bytes() const { return m_bytes; }
  void Append(const char* bytes, size_t length) { m_bytes.Append(bytes, length); }
  void Enclose(char open, char close) { m_bytes.Enclose(open, close); }
  static size_t BlockSize(size_t size) { return CTextBytes::BlockSize(size); }

  CTextBytes m_bytes;
};

class CPdfInteger : public CPdfObject {
 public:
  explicit CPdfInteger(int32_t value) : CPdfObject(kindInteger), m_value(value) {}
  CPdfInteger(int32_t value, uint64_t serial) : CPdfObject(kindInteger, serial), m_value(value) {}
  void Write(CFile64& file) const override;

  int32_t m_value;
};

// An array whose elements are all integers (rectangles, matrices, widths)
// keeps just their values once parsed: a salvaged file holds millions of
// them, and an integer object and its pointer take eight times the room.
// The integers are made again, as they were, the first time anything asks
// for an element or changes the array; the writer reads the values in place.
class CPdfArray : public CPdfObject {
 public:
  // It owns its elements: copying would free them twice.
  CPdfArray(const CPdfArray&) = delete;
  CPdfArray& operator=(const CPdfArray&) = delete;
  CPdfArray() : CPdfObject(kindArray) {}
  ~CPdfArray() override;
  void Write(CFile64& file) const override;

  size_t GetCount() const { return m_count; }
  // Raises when memory runs short for making the integers again.
  CPdfObject* GetAt(size_t index) const {
    if (m_packed) Unpack();
    return m_elements[index];
  }
  // Takes ownership, unless it raises: then the caller still owns the object.
  void Add(CPdfObject* element);
  void InsertAt(size_t index, CPdfObject* element);
  // Deletes the element.
  void RemoveAt(size_t index);
  // Deletes every element the predicate picks, in one pass: a damaged
  // /Kids array may list one node hundreds of thousands of times.
  template <class Predicate>
  void RemoveIf(Predicate picks) {
    if (m_packed) Unpack();
    uint32_t kept = 0;
    for (uint32_t i = 0; i < m_count; ++i) {
      if (picks(static_cast<const CPdfObject*>(m_elements[i]))) {
        delete m_elements[i];
      } else {
        m_elements[kept++] = m_elements[i];
      }
    }
    m_count = kept;
  }
  // The parser is done adding: give back the room kept for growth, and keep
  // an array of integers as their values. Salvaged files hold hundreds of
  // thousands of small arrays and dictionaries.
  void Complete() noexcept;

  // The values of an array of integers held packed; null when the array
  // holds objects. Reading them makes nothing.
  const int32_t* PackedIntegers() const { return m_packed ? m_values + kSerialWords : nullptr; }

 private:
  // A packed block: the first integer's serial number in two words, then
  // the values; the integers had consecutive serial numbers.
  static constexpr size_t kSerialWords = 2;
  void MakeRoom();
  void Pack() noexcept;
  void Unpack() const;

  uint32_t m_count = 0;
  mutable uint32_t m_capacity = 0;
  mutable bool m_packed = false;
  union {
    mutable CPdfObject** m_elements = nullptr;  // owned, as are the elements
    mutable int32_t* m_values;                  // while packed: owned
  };
};

class CPdfStream : public CPdfObject {
 public:
  // Takes ownership of both.
  CPdfStream(CPdfDictionary* dictionary, CStreamData* data);
  // Data held in memory.
  CPdfStream(CPdfDictionary* dictionary, CByteArray* data);
  ~CPdfStream() override;
  void Write(CFile64& file) const override;

  CPdfDictionary* Dictionary() const { return m_dictionary.get(); }
  const CStreamData* Data() const { return m_data.get(); }
  // Drops the bytes after the first `size` (thorough recovery's cut streams).
  void TruncateData(size_t size) {
    if (m_data) m_data->Truncate(size);
  }
  // Puts other bytes in place of the data (an encrypted source's, decrypted
  // and encrypted again); a stream without data stays without.
  void ReplaceData(CByteArray data) {
    if (m_data) m_data->Replace(std::move(data));
  }
  // For data that a transform reads as it makes the new data.
  std::unique_ptr<CStreamData> TakeData() { return std::move(m_data); }
  void SetData(std::unique_ptr<CStreamData> data) { m_data = std::move(data); }

  // How many streams exist in the process: with none, there are no lengths
  // to settle and the writer need not walk every value.
  static size_t LiveCount() { return s_liveCount; }

  // The source cut the stream off before "endstream" (thorough recovery).
  bool m_cut = false;
  // Written between line ends of the writer's own instead of the source's
  // (thorough recovery, where the source's would mislead readers).
  bool m_frameAnew = false;

 private:
  std::unique_ptr<CPdfDictionary> m_dictionary;
  std::unique_ptr<CStreamData> m_data;
  static size_t s_liveCount;
};

struct PdfObjectKey {
  uint32_t number;
  uint32_t generation;
  bool operator==(const PdfObjectKey&) const = default;
};

// The key of a header whose numbers were unusable, and of a reference that
// never resolves through the table.
inline constexpr PdfObjectKey kUnknownObjectKey = {0xFFFFFFFFu, 0xFFFFFFFFu};
inline constexpr PdfObjectKey kUnresolvableKey = {0xFFFFFFFEu, 0xFFFFFFFFu};
// Thorough recovery reads a trailer dictionary as an object under this key.
inline constexpr PdfObjectKey kTrailerKey = {0xFFFFFFFDu, 0xFFFFFFFFu};

class CPdfReference : public CPdfObject {
 public:
  CPdfReference(PdfObjectKey key, CPdfObject* target, const CPdfObjectTable* table);
  void Write(CFile64& file) const override;

  // The direct target, else the latest definition of the key in the table.
  CPdfObject* Resolve() const;
  // The table the key resolves through, or null.
  const CPdfObjectTable* Table() const;

  PdfObjectKey m_key;

 private:
  uint32_t m_tableId;  // the table's id (CPdfObjectTable::Id), 0 for none

 public:
  CPdfObject* m_target;  // not owned
};

// A value, or what a reference to it resolves to (possibly nothing).
inline CPdfObject* Direct(CPdfObject* value) {
  return value != nullptr && value->Kind() == kindReference ? static_cast<CPdfReference*>(value)->Resolve() : value;
}
inline const CPdfObject* Direct(const CPdfObject* value) { return Direct(const_cast<CPdfObject*>(value)); }

// An integer, directly or through a reference.
inline bool DirectInteger(const CPdfObject* value, int64_t& integer) {
  value = Direct(value);
  if (value == nullptr || value->Kind() != kindInteger) return false;
  integer = static_cast<const CPdfInteger*>(value)->m_value;
  return true;
}
