#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class CPdfArray;
class CPdfObject;

// What the kid operations ask of a /Kids array, answered without walking
// it: whether a reference to a node is listed, where a new kid goes (before
// the first kid created later than itself) and which elements to remove.
// Kept in step with the array by the operations that change it.
class CKidsIndex {
 public:
  explicit CKidsIndex(const CPdfArray& kids);

  bool Lists(const CPdfObject* child) const;
  size_t InsertPosition(uint64_t serialNumber) const;
  // Call after a reference to child went into the array at position.
  void Inserted(size_t position, const CPdfObject* child);
  // Removes every reference that resolves to child (none: every reference
  // that does not resolve) from the array, last first.
  void RemoveReferencesTo(CPdfArray& kids, const CPdfObject* child);

 private:
  void RecomputeFrom(size_t position);

  // Per element: its reference's target, null for a reference that does not
  // resolve, kNotReference for anything else.
  std::vector<const CPdfObject*> m_targets;
  // Per element: the largest serial number of the resolving elements up to
  // it; never decreasing, so the insertion position is a binary search.
  std::vector<uint64_t> m_largestSerial;
  std::unordered_map<const CPdfObject*, uint32_t> m_references;
};

// Indexes of the large /Kids arrays, for one rebuild; small arrays are
// simply scanned.
class CKidsIndexes {
 public:
  static constexpr size_t kSmallArray = 32;

  CKidsIndexes();
  ~CKidsIndexes();
  // The active set (null outside a rebuild).
  static CKidsIndexes* Active();
  // The index of a large array, made on first use; null for a small one.
  CKidsIndex* For(const CPdfArray& kids);

 private:
  std::unordered_map<const CPdfArray*, std::unique_ptr<CKidsIndex>> m_indexes;
  CKidsIndexes* m_previous;
};
