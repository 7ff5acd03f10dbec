#include "model/PdfObject.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "io/File64.h"
#include "model/Growth.h"
#include "model/ObjectTable.h"
#include "model/PdfDictionary.h"

namespace {

// Process-wide, like the parser: one run at a time.
uint64_t g_nextSerialNumber = 1;

}  // namespace

void ResetSerialNumbers() { g_nextSerialNumber = 1; }
uint64_t NextSerialNumber() { return g_nextSerialNumber; }

void WriteBytes(CFile64& file, const char* text) {
  file.Write(text, static_cast<uint32_t>(std::strlen(text)));
}

void WriteLineEnd(CFile64& file) { file.Write("\r\n", 2); }

void WriteBlock(CFile64& file, const void* data, size_t size) {
  constexpr size_t kLargestWrite = size_t{1} << 30;
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const size_t piece = size < kLargestWrite ? size : kLargestWrite;
    file.Write(bytes, static_cast<uint32_t>(piece));
    bytes += piece;
    size -= piece;
  }
}

CPdfObject::CPdfObject(PdfObjectKind kind) : m_serialNumber(g_nextSerialNumber++), m_kind(kind) {}

CPdfText::CPdfText(PdfObjectKind kind, const void* bytes, size_t length) : CPdfObject(kind) {
  if (bytes != nullptr && length != 0) m_bytes.assign(static_cast<const char*>(bytes), length);
}

void CPdfText::Write(CFile64& file) const {
  WriteBlock(file, m_bytes.data(), m_bytes.size());
  WriteLineEnd(file);
}

void CPdfInteger::Write(CFile64& file) const {
  char text[16];
  std::snprintf(text, sizeof text, "%ld", static_cast<long>(m_value));
  WriteBytes(file, text);
  WriteLineEnd(file);
}

void CPdfArray::Write(CFile64& file) const {
  file.Write("[\r\n", 3);
  for (const auto& element : m_elements) {
    if (element) element->Write(file);
  }
  file.Write("]\r\n", 3);
}

void CPdfArray::Add(CPdfObject* element) { m_elements.emplace_back(element); }

void CPdfArray::InsertAt(size_t index, CPdfObject* element) {
  ReserveMore(m_elements);
  m_elements.emplace(m_elements.begin() + static_cast<std::ptrdiff_t>(index), element);
}

void CPdfArray::RemoveAt(size_t index) {
  m_elements.erase(m_elements.begin() + static_cast<std::ptrdiff_t>(index));
}

CPdfStream::CPdfStream(CPdfDictionary* dictionary, CByteArray* data)
    : CPdfObject(kindStream), m_dictionary(dictionary), m_data(data) {}

CPdfStream::~CPdfStream() = default;

void CPdfStream::Write(CFile64& file) const {
  if (!m_dictionary || !m_data) return;
  m_dictionary->Write(file);
  file.Write("stream", 6);
  WriteBlock(file, m_data->data(), m_data->size());
  file.Write("endstream\r\n", 11);
}

CPdfObject* CPdfReference::Resolve() const {
  if (m_target != nullptr) return m_target;
  if (m_key == kUnresolvableKey || m_table == nullptr) return nullptr;
  const CPdfObjectList* candidates = m_table->Lookup(m_key);
  return candidates != nullptr ? candidates->GetLatest() : nullptr;
}

void CPdfReference::Write(CFile64& file) const {
  if (const CPdfObject* target = Resolve()) {
    char text[32];
    std::snprintf(text, sizeof text, "%" PRIu32 " %" PRIu32 " R", target->m_outputNumber,
                  target->m_outputGeneration);
    WriteBytes(file, text);
  } else {
    file.Write("null", 4);
  }
  WriteLineEnd(file);
}
