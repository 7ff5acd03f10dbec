#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/ObjectTable.h"

// Candidate lists filed by the /Type name of their latest candidate (the
// empty string for everything else). Points to the lists; owns none.
class CPdfTypeIndex {
 public:
  using CObArray = std::vector<const CPdfObjectList*>;

  void FileByType(const CPdfObjectList* list);
  const CObArray* Lookup(const std::string& typeName) const;
  void RemoveAll();

  struct Entry {
    std::string typeName;
    std::unique_ptr<CObArray> lists;
    uint32_t bucket;
    bool live;
  };
  template <typename Visit>
  void ForEach(Visit visit) const;

 private:
  std::vector<Entry> m_entries;
  std::unordered_map<std::string, size_t> m_index;
  size_t m_lastFiled = SIZE_MAX;  // the entry of the last list filed
};

#include "model/BucketOrder.h"
#include "model/PdfDictionary.h"

template <typename Visit>
void CPdfTypeIndex::ForEach(Visit visit) const {
  ForEachInBucketOrder(
      m_entries.data(), m_entries.size(), CPdfDictionary::kBucketCount,
      [](const Entry& entry) { return entry.live ? entry.bucket : kRemovedEntry; },
      [&](const Entry& entry) { visit(entry.typeName, *entry.lists); });
}
