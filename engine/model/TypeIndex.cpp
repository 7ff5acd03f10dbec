#include "model/TypeIndex.h"

#include "model/Growth.h"

void CPdfTypeIndex::FileByType(const CPdfObjectList* list) {
  if (list == nullptr || list->GetCount() == 0) return;
  std::string typeName;
  const CPdfObject* latest = list->GetLatest();
  if (latest != nullptr && latest->Kind() == kindDictionary) {
    typeName = static_cast<const CPdfDictionary*>(latest)->GetTypeName();
  }
  const auto found = m_index.find(typeName);
  if (found != m_index.end()) {
    m_entries[found->second].lists->push_back(list);
    return;
  }
  auto lists = std::make_unique<CObArray>(1, list);
  ReserveMore(m_entries);
  m_index.emplace(typeName, m_entries.size());
  const uint32_t bucket = HashKeyText(typeName) % CPdfDictionary::kBucketCount;
  m_entries.push_back({std::move(typeName), std::move(lists), bucket, true});
}

const CPdfTypeIndex::CObArray* CPdfTypeIndex::Lookup(const std::string& typeName) const {
  const auto found = m_index.find(typeName);
  return found != m_index.end() ? m_entries[found->second].lists.get() : nullptr;
}

void CPdfTypeIndex::RemoveAll() {
  m_entries.clear();
  m_index.clear();
}
