#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/PdfObject.h"

// All candidates for one key, in the order added; owns them. One candidate
// is by far the common case and is kept without an array of its own.
class CPdfObjectList {
 public:
  CPdfObjectList() : m_one(nullptr) {}
  CPdfObjectList(CPdfObjectList&& other) noexcept;
  CPdfObjectList& operator=(CPdfObjectList&& other) noexcept;
  ~CPdfObjectList() { RemoveAll(); }

  size_t GetCount() const { return m_count; }
  CPdfObject* GetAt(size_t index) const { return Items()[index]; }
  CPdfObject* GetLatest() const { return m_count == 0 ? nullptr : Items()[m_count - 1]; }
  // Takes ownership unless it raises.
  void Add(CPdfObject* object);
  // Takes ownership unless it raises; an index past the end appends.
  void InsertAt(size_t index, CPdfObject* object);
  // Deletes the candidate; answers false when the list does not hold it.
  bool Remove(const CPdfObject* object) noexcept;
  void RemoveAll() noexcept;

 private:
  CPdfObject* const* Items() const { return m_capacity == 0 ? &m_one : m_items; }
  CPdfObject** Items() { return m_capacity == 0 ? &m_one : m_items; }
  void MakeRoom();

  union {
    CPdfObject* m_one;     // the only candidate, while there is no array
    CPdfObject** m_items;  // all of them, once there were two
  };
  uint32_t m_count = 0;
  uint32_t m_capacity = 0;  // 0: no array
};

// Every definition of every object number met in the source, by key.
// Enumeration follows the engine's hash order: bucket (number >> 4) mod
// 199999 ascending, the key added to a bucket last first.
class CPdfObjectTable {
 public:
  static constexpr uint32_t kBucketCount = 199999;

  CPdfObjectTable();
  ~CPdfObjectTable();
  CPdfObjectTable(const CPdfObjectTable&) = delete;
  CPdfObjectTable& operator=(const CPdfObjectTable&) = delete;

  // A small number that names the table while it exists, 0 naming none:
  // references keep it instead of a pointer, and there are hundreds of
  // thousands of them.
  uint32_t Id() const { return m_id; }
  static const CPdfObjectTable* ById(uint32_t id);

  // Appends to the key's list, creating it; null does nothing. Takes
  // ownership unless it raises.
  void Add(PdfObjectKey key, CPdfObject* object);
  // Like Add, at a position of the key's list; an index past its end appends.
  void InsertAt(PdfObjectKey key, size_t index, CPdfObject* object);
  // Deletes one candidate of the key; a key left without candidates stays
  // in the table with an empty list.
  void Remove(PdfObjectKey key, const CPdfObject* object) noexcept;
  const CPdfObjectList* Lookup(PdfObjectKey key) const;
  void RemoveAll();
  uint32_t GetCandidateCount() const { return m_candidateCount; }
  size_t GetKeyCount() const { return m_entries.size(); }

  // The bucket of a key: number >> 4, modulo the bucket count.
  static uint32_t BucketOf(PdfObjectKey key) { return (key.number >> 4) % kBucketCount; }

  struct Entry {
    PdfObjectKey key;
    CPdfObjectList list;
  };
  template <typename Visit>
  void ForEach(Visit visit) const;

 private:
  // The buckets are implicit: entries keep their insertion order, and the
  // bucket follows from the key; that is all the enumeration order needs.
  // Lookups go through an index of entry numbers (ObjectTableIndex.cpp):
  // generation-0 keys of a dense range of numbers by direct position, so
  // that neighbours in the file are neighbours in memory, and every other
  // key in an open-addressed hash, so that no input makes lookups slow.
  uint32_t EntryOf(PdfObjectKey key) const;  // entry number + 1, or 0
  bool IsDirect(PdfObjectKey key) const { return key.generation == 0 && key.number < m_direct.size(); }
  uint32_t FindSlot(PdfObjectKey key) const;
  // Makes the index ready to take a key it does not hold; may raise.
  void PrepareIndex(PdfObjectKey key);
  void Reindex(size_t directSize, size_t slotCount);
  // The key's list, created empty when missing. Every allocation of an
  // insertion happens here.
  CPdfObjectList& ListFor(PdfObjectKey key);

  // The enumeration order of the entries, kept while no key is added: a
  // run walks the table a dozen times. Shared, so that a walk keeps its
  // order even when something inside it makes a new one.
  std::shared_ptr<const std::vector<uint32_t>> Order() const;

  std::vector<Entry> m_entries;
  mutable std::shared_ptr<const std::vector<uint32_t>> m_order;
  std::vector<uint32_t> m_direct;  // by object number: entry number + 1; 0 for none
  std::vector<uint32_t> m_slots;   // the other keys: entry number + 1; 0 for an empty slot
  uint32_t m_hashed = 0;           // keys in the slots
  uint32_t m_candidateCount = 0;
  uint32_t m_id;
};

template <typename Visit>
void CPdfObjectTable::ForEach(Visit visit) const {
  const std::shared_ptr<const std::vector<uint32_t>> order = Order();
  for (const uint32_t index : *order) visit(m_entries[index].key, m_entries[index].list);
}
