#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "model/PdfObject.h"

// All candidates for one key, in the order added; owns them.
class CPdfObjectList {
 public:
  size_t GetCount() const { return m_objects.size(); }
  CPdfObject* GetAt(size_t index) const { return m_objects[index].get(); }
  CPdfObject* GetLatest() const { return m_objects.empty() ? nullptr : m_objects.back().get(); }
  // Takes ownership unless it raises.
  void Add(CPdfObject* object) { m_objects.emplace_back(object); }
  void RemoveAll() { m_objects.clear(); }
  void Reserve(size_t count) { m_objects.reserve(count); }

 private:
  std::vector<std::unique_ptr<CPdfObject>> m_objects;
};

// Every definition of every object number met in the source, by key.
// Enumeration follows the engine's hash order: bucket (number >> 4) mod
// 199999 ascending, the key added to a bucket last first.
class CPdfObjectTable {
 public:
  static constexpr uint32_t kBucketCount = 199999;

  CPdfObjectTable();

  // Appends to the key's list, creating it; null does nothing. Takes
  // ownership unless it raises.
  void Add(PdfObjectKey key, CPdfObject* object);
  const CPdfObjectList* Lookup(PdfObjectKey key) const;
  void RemoveAll();
  uint32_t GetCandidateCount() const { return m_candidateCount; }
  size_t GetKeyCount() const { return m_entries.size(); }

  struct Entry {
    PdfObjectKey key;
    std::unique_ptr<CPdfObjectList> list;
    uint32_t bucket;
    bool live;
  };
  template <typename Visit>
  void ForEach(Visit visit) const;

 private:
  static uint64_t Packed(PdfObjectKey key) { return uint64_t{key.number} << 32 | key.generation; }

  std::vector<Entry> m_entries;
  std::unordered_map<uint64_t, uint32_t> m_index;
  uint32_t m_candidateCount = 0;
};

#include "model/BucketOrder.h"

template <typename Visit>
void CPdfObjectTable::ForEach(Visit visit) const {
  ForEachInBucketOrder(m_entries, kBucketCount,
                       [&](const Entry& entry) { visit(entry.key, *entry.list); });
}
