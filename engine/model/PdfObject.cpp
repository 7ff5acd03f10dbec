#include "model/PdfObject.h"

#include <cstring>

#include "base/Exceptions.h"
#include "model/ObjectTable.h"
#include "model/PdfDictionary.h"
#include "model/ValueOutput.h"

namespace {

// Process-wide, like the parser: one run at a time.
uint64_t g_nextSerialNumber = 1;

// Geometric growth, so that a long run of appends stays linear.
size_t GrownCapacity(size_t capacity, size_t needed, size_t least) {
  size_t grown = capacity < least ? least : capacity * 2;
  return grown < needed ? needed : grown;
}

}  // namespace

void ResetSerialNumbers() { g_nextSerialNumber = 1; }
uint64_t NextSerialNumber() { return g_nextSerialNumber; }

CPdfObject::CPdfObject(PdfObjectKind kind)
    : m_bits((g_nextSerialNumber++ & kSerialMask) | uint64_t{static_cast<uint8_t>(kind)} << kKindShift) {}

CPdfObject::CPdfObject(PdfObjectKind kind, uint64_t serial)
    : m_bits((serial & kSerialMask) | uint64_t{static_cast<uint8_t>(kind)} << kKindShift) {}

CPdfText::CPdfText(PdfObjectKind kind, const void* bytes, size_t length) : CPdfObject(kind) {
  if (bytes != nullptr && length != 0) m_bytes.Append(static_cast<const char*>(bytes), length);
}

void CPdfText::Write(CFile64& file) const { WriteValue(*this, file); }

void CPdfInteger::Write(CFile64& file) const { WriteValue(*this, file); }

CPdfArray::~CPdfArray() {
  if (m_packed) {
    FreeModelArray(m_values, kSerialWords + m_count);
    return;
  }
  for (uint32_t i = 0; i < m_count; ++i) delete m_elements[i];
  FreeModelArray(m_elements, m_capacity);
}

void CPdfArray::Write(CFile64& file) const { WriteValue(*this, file); }

void CPdfArray::MakeRoom() {
  if (m_packed) Unpack();
  if (m_count < m_capacity) return;
  if (m_count == UINT32_MAX) throw CMemoryException();
  const size_t capacity = GrownCapacity(m_capacity, size_t{m_count} + 1, 4);
  const auto allowed = static_cast<uint32_t>(capacity > UINT32_MAX ? UINT32_MAX : capacity);
  CPdfObject** elements = AllocateModelArray<CPdfObject*>(allowed);
  if (m_count != 0) std::memcpy(elements, m_elements, m_count * sizeof(CPdfObject*));
  FreeModelArray(m_elements, m_capacity);
  m_elements = elements;
  m_capacity = allowed;
}

void CPdfArray::Add(CPdfObject* element) {
  MakeRoom();
  m_elements[m_count++] = element;
}

void CPdfArray::InsertAt(size_t index, CPdfObject* element) {
  MakeRoom();
  std::memmove(m_elements + index + 1, m_elements + index, (m_count - index) * sizeof(CPdfObject*));
  m_elements[index] = element;
  ++m_count;
}

void CPdfArray::RemoveAt(size_t index) {
  if (m_packed) Unpack();
  CPdfObject* removed = m_elements[index];
  std::memmove(m_elements + index, m_elements + index + 1, (m_count - index - 1) * sizeof(CPdfObject*));
  --m_count;
  delete removed;
}

void CPdfArray::Complete() noexcept {
  if (m_packed) return;
  Pack();
  if (m_packed || m_count == m_capacity) return;
  CPdfObject** elements = nullptr;
  if (m_count != 0) {
    try {
      elements = AllocateModelArray<CPdfObject*>(m_count);
    } catch (...) {
      return;  // the room stays: nothing is lost
    }
    std::memcpy(elements, m_elements, m_count * sizeof(CPdfObject*));
  }
  FreeModelArray(m_elements, m_capacity);
  m_elements = elements;
  m_capacity = m_count;
}

// Only what Unpack can make again exactly is packed: direct integers made
// one after the other.
void CPdfArray::Pack() noexcept {
  if (m_count == 0) return;
  const uint64_t first = m_elements[0]->SerialNumber();
  for (uint32_t i = 0; i < m_count; ++i) {
    const CPdfObject* element = m_elements[i];
    if (element == nullptr || element->Kind() != kindInteger || element->SerialNumber() != first + i ||
        element->m_outputNumber != 0 || element->OutputGeneration() != 0) {
      return;
    }
  }
  int32_t* values;
  try {
    values = AllocateModelArray<int32_t>(kSerialWords + m_count);
  } catch (...) {
    return;  // the objects stay
  }
  std::memcpy(values, &first, sizeof first);
  for (uint32_t i = 0; i < m_count; ++i) {
    values[kSerialWords + i] = static_cast<const CPdfInteger*>(m_elements[i])->m_value;
    delete m_elements[i];
  }
  FreeModelArray(m_elements, m_capacity);
  m_values = values;
  m_capacity = m_count;
  m_packed = true;
}

void CPdfArray::Unpack() const {
  uint64_t first;
  std::memcpy(&first, m_values, sizeof first);
  CPdfObject** elements = AllocateModelArray<CPdfObject*>(m_count);
  uint32_t made = 0;
  try {
    for (; made < m_count; ++made) elements[made] = new CPdfInteger(m_values[kSerialWords + made], first + made);
  } catch (...) {
    for (uint32_t i = 0; i < made; ++i) delete elements[i];
    FreeModelArray(elements, m_count);
    throw;
  }
  FreeModelArray(m_values, kSerialWords + m_count);
  m_elements = elements;
  m_capacity = m_count;
  m_packed = false;
}

size_t CPdfStream::s_liveCount = 0;

CPdfStream::CPdfStream(CPdfDictionary* dictionary, CStreamData* data)
    : CPdfObject(kindStream), m_dictionary(dictionary), m_data(data) {
  ++s_liveCount;
}

CPdfStream::CPdfStream(CPdfDictionary* dictionary, CByteArray* data)
    : CPdfStream(dictionary, static_cast<CStreamData*>(nullptr)) {
  std::unique_ptr<CByteArray> bytes(data);
  if (bytes) m_data = std::make_unique<CStreamData>(std::move(*bytes));
}

CPdfStream::~CPdfStream() { --s_liveCount; }

void CPdfStream::Write(CFile64& file) const { WriteValue(*this, file); }

CPdfReference::CPdfReference(PdfObjectKey key, CPdfObject* target, const CPdfObjectTable* table)
    : CPdfObject(kindReference), m_key(key), m_tableId(table != nullptr ? table->Id() : 0), m_target(target) {}

const CPdfObjectTable* CPdfReference::Table() const { return CPdfObjectTable::ById(m_tableId); }

CPdfObject* CPdfReference::Resolve() const {
  if (m_target != nullptr) return m_target;
  if (m_key == kUnresolvableKey || m_tableId == 0) return nullptr;
  const CPdfObjectTable* table = CPdfObjectTable::ById(m_tableId);
  if (table == nullptr) return nullptr;
  const CPdfObjectList* candidates = table->Lookup(m_key);
  return candidates != nullptr ? candidates->GetLatest() : nullptr;
}

void CPdfReference::Write(CFile64& file) const { WriteValue(*this, file); }

static_assert(sizeof(CPdfInteger) == 24, "the integer fills the base's last word");
static_assert(sizeof(CPdfText) == 32);
static_assert(sizeof(CPdfArray) == 40);
static_assert(sizeof(CPdfReference) == 40);
