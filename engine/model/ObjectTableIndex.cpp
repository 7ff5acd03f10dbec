// The object table's index from keys to entries. Salvaged files number their
// objects densely from 1, and the parser meets them nearly in number order:
// generation-0 keys whose numbers lie in a range at most a few times the key
// count are found by direct position, which keeps neighbours together in
// memory; every other key (other generations, stray large numbers) goes to
// an open-addressed hash.
#include <algorithm>
#include <bit>

#include "model/Growth.h"
#include "model/ObjectTable.h"

namespace {

uint64_t Mixed(PdfObjectKey key) {
  uint64_t value = uint64_t{key.number} << 32 | key.generation;
  value ^= value >> 33;
  value *= 0xFF51AFD7ED558CCDull;
  value ^= value >> 33;
  return value;
}

constexpr size_t kLeastDirect = 1024;
constexpr size_t kLeastSlots = 1024;

// The direct range that would cover `number`, when it stays within a few
// times the keys there are.
size_t DirectSizeFor(uint32_t number, size_t keys) {
  const size_t size = std::max(kLeastDirect, std::bit_ceil(size_t{number} + 1));
  return size <= 4 * keys + 4 * kLeastDirect ? size : 0;
}

}  // namespace

uint32_t CPdfObjectTable::EntryOf(PdfObjectKey key) const {
  if (IsDirect(key)) return m_direct[key.number];
  return m_slots.empty() ? 0 : m_slots[FindSlot(key)];
}

uint32_t CPdfObjectTable::FindSlot(PdfObjectKey key) const {
  const size_t mask = m_slots.size() - 1;
  for (size_t slot = Mixed(key) & mask;; slot = (slot + 1) & mask) {
    const uint32_t entry = m_slots[slot];
    if (entry == 0 || m_entries[entry - 1].key == key) return static_cast<uint32_t>(slot);
  }
}

void CPdfObjectTable::PrepareIndex(PdfObjectKey key) {
  if (IsDirect(key)) return;
  if (key.generation == 0) {
    if (const size_t direct = DirectSizeFor(key.number, m_entries.size() + 1)) {
      Reindex(direct, 0);
      return;
    }
  }
  if ((size_t{m_hashed} + 1) * 2 > m_slots.size()) Reindex(m_direct.size(), std::max(kLeastSlots, m_slots.size() * 2));
}

// Builds both parts anew for a direct range of `directSize` numbers and at
// least `slotCount` slots; everything is allocated before anything changes.
void CPdfObjectTable::Reindex(size_t directSize, size_t slotCount) {
  std::vector<uint32_t> direct(directSize, 0);
  size_t hashed = 0;
  for (const Entry& entry : m_entries) {
    if (entry.key.generation != 0 || entry.key.number >= directSize) ++hashed;
  }
  // Room for one more key in either part, and a load of at most a half.
  size_t slots = hashed == 0 && slotCount == 0 ? 0 : std::max({slotCount, kLeastSlots, std::bit_ceil(2 * (hashed + 1))});
  std::vector<uint32_t> table(slots, 0);
  m_direct.swap(direct);
  m_slots.swap(table);
  m_hashed = static_cast<uint32_t>(hashed);
  for (uint32_t i = 0; i < m_entries.size(); ++i) {
    const PdfObjectKey key = m_entries[i].key;
    if (IsDirect(key)) {
      m_direct[key.number] = i + 1;
    } else {
      m_slots[FindSlot(key)] = i + 1;
    }
  }
}

CPdfObjectList& CPdfObjectTable::ListFor(PdfObjectKey key) {
  uint32_t entry = EntryOf(key);
  if (entry == 0) {
    PrepareIndex(key);
    ReserveMore(m_entries);
    m_entries.push_back({key, {}});
    entry = static_cast<uint32_t>(m_entries.size());
    if (IsDirect(key)) {
      m_direct[key.number] = entry;
    } else {
      m_slots[FindSlot(key)] = entry;
      ++m_hashed;
    }
  }
  return m_entries[entry - 1].list;
}
