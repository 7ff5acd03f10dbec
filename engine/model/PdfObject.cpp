#include "model/PdfObject.h"

#include "model/Growth.h"
#include "model/ObjectTable.h"
#include "model/PdfDictionary.h"
#include "model/ValueOutput.h"

namespace {

// Process-wide, like the parser: one run at a time.
uint64_t g_nextSerialNumber = 1;

}  // namespace

void ResetSerialNumbers() { g_nextSerialNumber = 1; }
uint64_t NextSerialNumber() { return g_nextSerialNumber; }

CPdfObject::CPdfObject(PdfObjectKind kind) : m_serialNumber(g_nextSerialNumber++), m_kind(kind) {}

CPdfText::CPdfText(PdfObjectKind kind, const void* bytes, size_t length) : CPdfObject(kind) {
  if (bytes != nullptr && length != 0) m_bytes.assign(static_cast<const char*>(bytes), length);
}

void CPdfText::Write(CFile64& file) const { WriteValue(*this, file); }

void CPdfInteger::Write(CFile64& file) const { WriteValue(*this, file); }

void CPdfArray::Write(CFile64& file) const { WriteValue(*this, file); }

void CPdfArray::Add(CPdfObject* element) { m_elements.emplace_back(element); }

void CPdfArray::InsertAt(size_t index, CPdfObject* element) {
  ReserveMore(m_elements);
  m_elements.emplace(m_elements.begin() + static_cast<std::ptrdiff_t>(index), element);
}

void CPdfArray::RemoveAt(size_t index) {
  m_elements.erase(m_elements.begin() + static_cast<std::ptrdiff_t>(index));
}

size_t CPdfStream::s_liveCount = 0;

CPdfStream::CPdfStream(CPdfDictionary* dictionary, CByteArray* data)
    : CPdfObject(kindStream), m_dictionary(dictionary), m_data(data) {
  ++s_liveCount;
}

CPdfStream::~CPdfStream() { --s_liveCount; }

void CPdfStream::Write(CFile64& file) const { WriteValue(*this, file); }

CPdfObject* CPdfReference::Resolve() const {
  if (m_target != nullptr) return m_target;
  if (m_key == kUnresolvableKey || m_table == nullptr) return nullptr;
  const CPdfObjectList* candidates = m_table->Lookup(m_key);
  return candidates != nullptr ? candidates->GetLatest() : nullptr;
}

void CPdfReference::Write(CFile64& file) const { WriteValue(*this, file); }
