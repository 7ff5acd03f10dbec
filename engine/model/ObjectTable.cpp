#include "model/ObjectTable.h"

#include <cstring>

#include "core/Exceptions.h"
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

CPdfObjectList::CPdfObjectList(CPdfObjectList&& other) noexcept
    : m_one(other.m_one), m_count(other.m_count), m_capacity(other.m_capacity) {
  other.m_one = nullptr;
  other.m_count = 0;
  other.m_capacity = 0;
}

CPdfObjectList& CPdfObjectList::operator=(CPdfObjectList&& other) noexcept {
  if (this == &other) return *this;
  RemoveAll();
  if (m_capacity != 0) FreeModelArray(m_items, m_capacity);
  m_one = other.m_one;
  m_count = other.m_count;
  m_capacity = other.m_capacity;
  other.m_one = nullptr;
  other.m_count = 0;
  other.m_capacity = 0;
  return *this;
}

void CPdfObjectList::MakeRoom() {
  if (m_capacity == 0 && m_count == 0) return;  // the first one goes inline
  if (m_count < m_capacity) return;
  if (m_count == UINT32_MAX) throw CMemoryException();
  const uint64_t grown = m_capacity < 2 ? 2 : uint64_t{m_capacity} * 2;
  const auto capacity = static_cast<uint32_t>(grown > UINT32_MAX ? UINT32_MAX : grown);
  CPdfObject** items = AllocateModelArray<CPdfObject*>(capacity);
  std::memcpy(items, Items(), m_count * sizeof(CPdfObject*));
  if (m_capacity != 0) FreeModelArray(m_items, m_capacity);
  m_items = items;
  m_capacity = capacity;
}

void CPdfObjectList::Add(CPdfObject* object) {
  MakeRoom();
  Items()[m_count++] = object;
}

void CPdfObjectList::InsertAt(size_t index, CPdfObject* object) {
  if (index >= m_count) {
    Add(object);
    return;
  }
  MakeRoom();
  CPdfObject** items = Items();
  std::memmove(items + index + 1, items + index, (m_count - index) * sizeof(CPdfObject*));
  items[index] = object;
  ++m_count;
}

bool CPdfObjectList::Remove(const CPdfObject* object) noexcept {
  if (object == nullptr) return false;
  CPdfObject** items = Items();
  for (uint32_t i = 0; i < m_count; ++i) {
    if (items[i] != object) continue;
    std::memmove(items + i, items + i + 1, (m_count - i - 1) * sizeof(CPdfObject*));
    --m_count;
    delete object;
    return true;
  }
  return false;
}

void CPdfObjectList::RemoveAll() noexcept {
  CPdfObject** items = Items();
  for (uint32_t i = 0; i < m_count; ++i) delete items[i];
  m_count = 0;
  if (m_capacity != 0) {
    FreeModelArray(m_items, m_capacity);
    m_capacity = 0;
  }
  m_one = nullptr;
}

namespace {

// Every table that exists, by id - 1; freed ids are taken again.
std::vector<CPdfObjectTable*> g_tables;
std::vector<uint32_t> g_freeIds;

}  // namespace

CPdfObjectTable::CPdfObjectTable() {
  if (!g_freeIds.empty()) {
    m_id = g_freeIds.back();
    g_freeIds.pop_back();
    g_tables[m_id - 1] = this;
    return;
  }
  // Room for every id to be freed at once: the destructor's push cannot fail.
  if (g_freeIds.capacity() < g_tables.size() + 1) g_freeIds.reserve(2 * (g_tables.size() + 1));
  g_tables.push_back(this);
  m_id = static_cast<uint32_t>(g_tables.size());
}

CPdfObjectTable::~CPdfObjectTable() {
  g_tables[m_id - 1] = nullptr;
  g_freeIds.push_back(m_id);
}

const CPdfObjectTable* CPdfObjectTable::ById(uint32_t id) { return id != 0 ? g_tables[id - 1] : nullptr; }

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
    m_entries.push_back({key, {}});
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
static_assert(sizeof(CPdfObjectTable::Entry) == 24);
