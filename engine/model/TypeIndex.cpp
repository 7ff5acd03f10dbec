#include "model/TypeIndex.h"

#include "model/Growth.h"

void CPdfTypeIndex::FileByType(const CPdfObjectList* list) {
  if (list == nullptr || list->GetCount() == 0) return;
  std::string_view typeName;
  const CPdfObject* latest = list->GetLatest();
  if (latest != nullptr && latest->Kind() == kindDictionary) {
    typeName = static_cast<const CPdfDictionary*>(latest)->TypeName();
  }
  // Neighbours in the table mostly share a type: the entry filed to last is
  // tried before the hash.
  if (m_lastFiled < m_entries.size() && m_entries[m_lastFiled].typeName == typeName) {
    m_entries[m_lastFiled].lists->push_back(list);
    return;
  }
  std::string name(typeName);
  const auto found = m_index.find(name);
  if (found != m_index.end()) {
    m_entries[found->second].lists->push_back(list);
    m_lastFiled = found->second;
    return;
  }
  auto lists = std::make_unique<CObArray>(1, list);
  ReserveMore(m_entries);
  m_index.emplace(name, m_entries.size());
  const uint32_t bucket = HashKeyText(name) % CPdfDictionary::kBucketCount;
  m_entries.push_back({std::move(name), std::move(lists), bucket, true});
  m_lastFiled = m_entries.size() - 1;
}

const CPdfTypeIndex::CObArray* CPdfTypeIndex::Lookup(const std::string& typeName) const {
  const auto found = m_index.find(typeName);
  return found != m_index.end() ? m_entries[found->second].lists.get() : nullptr;
}

void CPdfTypeIndex::RemoveAll() {
  m_entries.clear();
  m_lastFiled = SIZE_MAX;
  m_index.clear();
}
