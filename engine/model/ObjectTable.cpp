#include "model/ObjectTable.h"

#include "model/Growth.h"

namespace {

uint64_t Mixed(PdfObjectKey key) {
  uint64_t value = uint64_t{key.number} << 32 | key.generation;
  value ^= value >> 33;
  value *= 0xFF51AFD7ED558CCDull;
  value ^= value >> 33;
  return value;
}

}  // namespace

void CPdfObjectList::Add(CPdfObject* object) {
  if (!m_single && m_more.empty()) {
    m_single.reset(object);
    return;
  }
  if (m_single) {
    // The second candidate: both move to the array, which is made first.
    m_more.reserve(2);
    m_more.push_back(std::move(m_single));
  }
  ReserveMore(m_more);
  m_more.emplace_back(object);
}

void CPdfObjectList::InsertAt(size_t index, CPdfObject* object) {
  if (index >= GetCount()) {
    Add(object);
    return;
  }
  if (m_single) {
    m_more.reserve(2);
    m_more.push_back(std::move(m_single));
  }
  ReserveMore(m_more);
  m_more.emplace(m_more.begin() + static_cast<std::ptrdiff_t>(index), object);
}

bool CPdfObjectList::Remove(const CPdfObject* object) noexcept {
  if (m_more.empty()) {
    if (object == nullptr || m_single.get() != object) return false;
    m_single.reset();
    return true;
  }
  for (auto at = m_more.begin(); at != m_more.end(); ++at) {
    if (at->get() == object) {
      m_more.erase(at);
      return true;
    }
  }
  return false;
}

void CPdfObjectList::RemoveAll() noexcept {
  m_single.reset();
  m_more.clear();
}

uint32_t CPdfObjectTable::FindSlot(PdfObjectKey key) const {
  const size_t mask = m_slots.size() - 1;
  for (size_t slot = Mixed(key) & mask;; slot = (slot + 1) & mask) {
    const uint32_t entry = m_slots[slot];
    if (entry == 0 || m_entries[entry - 1].key == key) return static_cast<uint32_t>(slot);
  }
}

void CPdfObjectTable::GrowIndex() {
  std::vector<uint32_t> slots(m_slots.empty() ? 1024 : m_slots.size() * 2, 0);
  m_slots.swap(slots);
  for (uint32_t entry = 0; entry < m_entries.size(); ++entry) m_slots[FindSlot(m_entries[entry].key)] = entry + 1;
}

CPdfObjectList& CPdfObjectTable::ListFor(PdfObjectKey key) {
  if ((m_entries.size() + 1) * 2 > m_slots.size()) GrowIndex();
  const uint32_t slot = FindSlot(key);
  if (m_slots[slot] == 0) {
    ReserveMore(m_entries);
    m_entries.push_back({key, (key.number >> 4) % kBucketCount, true, {}});
    m_slots[slot] = static_cast<uint32_t>(m_entries.size());
  }
  return m_entries[m_slots[slot] - 1].list;
}

void CPdfObjectTable::Add(PdfObjectKey key, CPdfObject* object) {
  if (object == nullptr) return;
  ListFor(key).Add(object);
  ++m_candidateCount;
}

void CPdfObjectTable::InsertAt(PdfObjectKey key, size_t index, CPdfObject* object) {
  if (object == nullptr) return;
  ListFor(key).InsertAt(index, object);
  ++m_candidateCount;
}

void CPdfObjectTable::Remove(PdfObjectKey key, const CPdfObject* object) noexcept {
  if (m_slots.empty()) return;
  const uint32_t entry = m_slots[FindSlot(key)];
  if (entry != 0 && m_entries[entry - 1].list.Remove(object)) --m_candidateCount;
}

const CPdfObjectList* CPdfObjectTable::Lookup(PdfObjectKey key) const {
  if (m_slots.empty()) return nullptr;
  const uint32_t entry = m_slots[FindSlot(key)];
  return entry != 0 ? &m_entries[entry - 1].list : nullptr;
}

void CPdfObjectTable::RemoveAll() {
  m_entries.clear();
  m_slots.clear();
  m_candidateCount = 0;
}
