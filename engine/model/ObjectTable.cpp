#include "model/Growth.h"
#include "model/ObjectTable.h"

// The buckets themselves are implicit: entries keep their bucket number and
// insertion order, which is all the enumeration order needs, while lookups
// go through a hash index so that no input can make them slow.
CPdfObjectTable::CPdfObjectTable() { m_index.reserve(1024); }

void CPdfObjectTable::Add(PdfObjectKey key, CPdfObject* object) {
  if (object == nullptr) return;
  const auto found = m_index.find(Packed(key));
  if (found != m_index.end()) {
    m_entries[found->second].list->Add(object);
  } else {
    // Every allocation comes before the object is adopted.
    ReserveMore(m_entries);
    auto list = std::make_unique<CPdfObjectList>();
    list->Reserve(1);
    m_index.emplace(Packed(key), static_cast<uint32_t>(m_entries.size()));
    m_entries.push_back({key, std::move(list), (key.number >> 4) % kBucketCount, true});
    m_entries.back().list->Add(object);
  }
  ++m_candidateCount;
}

const CPdfObjectList* CPdfObjectTable::Lookup(PdfObjectKey key) const {
  const auto found = m_index.find(Packed(key));
  return found != m_index.end() ? m_entries[found->second].list.get() : nullptr;
}

void CPdfObjectTable::RemoveAll() {
  m_entries.clear();
  m_index.clear();
  m_candidateCount = 0;
}
