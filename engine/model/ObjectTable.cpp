#include "model/ObjectTable.h"

#include <cstring>

#include "base/Exceptions.h"
#include "model/BucketOrder.h"
#include "model/Growth.h"


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
  const uint32_t entry = EntryOf(key);
  if (entry != 0 && m_entries[entry - 1].list.Remove(object)) --m_candidateCount;
}

const CPdfObjectList* CPdfObjectTable::Lookup(PdfObjectKey key) const {
  const uint32_t entry = EntryOf(key);
  return entry != 0 ? &m_entries[entry - 1].list : nullptr;
}

std::shared_ptr<const std::vector<uint32_t>> CPdfObjectTable::Order() const {
  // Entries are only ever appended, so an order of as many entries is this one.
  if (m_order == nullptr || m_order->size() != m_entries.size()) {
    m_order = std::make_shared<const std::vector<uint32_t>>(BucketOrder(
        m_entries.data(), m_entries.size(), kBucketCount, [](const Entry& entry) { return BucketOf(entry.key); }));
  }
  return m_order;
}

void CPdfObjectTable::RemoveAll() {
  m_entries.clear();
  m_order.reset();
  m_direct.clear();
  m_slots.clear();
  m_hashed = 0;
  m_candidateCount = 0;
}
static_assert(sizeof(CPdfObjectTable::Entry) == 24);
