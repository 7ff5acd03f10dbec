#include "model/PdfDictionary.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/Exceptions.h"
#include "model/ValueOutput.h"

namespace {
constexpr size_t kIndexThreshold = 16;
}

uint32_t HashKeyText(std::string_view key) {
  uint32_t hash = 0;
  for (char c : key) {
    if (c == '\0') break;
    hash = hash * 33 + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
  }
  return hash;
}

CPdfDictionary::CPdfDictionary() : CPdfObject(kindDictionary) { KeyTexts::Hold(); }

CPdfDictionary::~CPdfDictionary() {
  for (uint32_t i = 0; i < m_count; ++i) delete m_entries[i].value;
  FreeModelArray(m_entries, m_capacity);
  m_index.reset();
  KeyTexts::Let();
}

CPdfDictionary::Entry* CPdfDictionary::Find(std::string_view key) const {
  uint32_t id = 0;
  return KeyTexts::Find(key, id) ? FindId(id) : nullptr;
}

CPdfDictionary::Entry* CPdfDictionary::FindId(uint32_t id) const {
  if (m_index) {
    const auto found = m_index->find(id);
    return found != m_index->end() ? &m_entries[found->second] : nullptr;
  }
  for (uint32_t i = 0; i < m_count; ++i) {
    if (m_entries[i].keyId == id && m_entries[i].live) return &m_entries[i];
  }
  return nullptr;
}

CPdfObject* CPdfDictionary::Lookup(std::string_view key, PdfObjectKind kind, bool& found) const {
  return LookupEntry(Find(key), kind, found);
}

CPdfObject* CPdfDictionary::Lookup(const KeyTexts::CKnownKey& key, PdfObjectKind kind, bool& found) const {
  uint32_t id = 0;
  return LookupEntry(key.Find(id) ? FindId(id) : nullptr, kind, found);
}

CPdfObject* CPdfDictionary::LookupEntry(const Entry* entry, PdfObjectKind kind, bool& found) const {
  if (entry == nullptr) {
    found = false;
    return nullptr;
  }
  found = entry->value != nullptr && entry->value->Kind() == kind;
  return entry->value;
}

void CPdfDictionary::MakeRoom() {
  if (m_count < m_capacity) return;
  if (m_count == UINT32_MAX) throw CMemoryException();
  const uint64_t grown = m_capacity < 4 ? 4 : uint64_t{m_capacity} * 2;
  const auto capacity = static_cast<uint32_t>(grown > UINT32_MAX ? UINT32_MAX : grown);
  Entry* entries = AllocateModelArray<Entry>(capacity);
  if (m_count != 0) std::memcpy(entries, m_entries, m_count * sizeof(Entry));
  FreeModelArray(m_entries, m_capacity);
  m_entries = entries;
  m_capacity = capacity;
}

void CPdfDictionary::SetAt(std::string_view key, CPdfObject* value) {
  // Everything that can fail happens before the value is adopted, so that a
  // failure leaves the dictionary and the caller's ownership as they were.
  const uint32_t id = KeyTexts::Intern(key);
  MakeRoom();
  uint32_t at = UINT32_MAX;
  if (m_index) {
    const auto found = m_index->find(id);
    if (found != m_index->end()) at = found->second;
  } else {
    for (uint32_t i = 0; i < m_count; ++i) {
      if (m_entries[i].keyId == id && m_entries[i].live) {
        at = i;
        break;
      }
    }
  }
  if (at != UINT32_MAX) {
    // The key is removed and inserted anew: it moves to the head of its bucket.
    Entry& existing = m_entries[at];
    existing.live = false;
    delete existing.value;
    existing.value = nullptr;
    ++m_dead;
  }
  const auto kind = static_cast<uint8_t>(value != nullptr ? value->Kind() : kindNull);
  m_entries[m_count++] = {value, id, KeyTexts::Bucket(id), true, kind};
  uint32_t typeKey = 0;
  if (PdfKeys::type.Find(typeKey) && typeKey == id) {
    // Found now, while the name is at hand: the rebuild asks every
    // dictionary for it, long after the parse.
    m_typeName = kTypeUnknown;
    TypeName();
  }
  Maintain();
}

// Keeps the index and the removed entries in check. Nothing here may fail
// the insertion that has already happened: when memory runs short the index
// is simply dropped and lookups scan.
void CPdfDictionary::Maintain() noexcept {
  try {
    if (m_index) {
      (*m_index)[m_entries[m_count - 1].keyId] = m_count - 1;
    } else if (m_count - m_dead > kIndexThreshold) {
      m_index = std::make_unique<std::unordered_map<uint32_t, uint32_t>>();
      Compact();
    }
    if (m_dead > 64 && (m_dead > m_count / 2 || m_dead == kMostDead)) Compact();
  } catch (...) {
    m_index.reset();
  }
}

// Drops removed entries, keeping the order of the others, and rebuilds the
// index when there is one. Never fails: the entries close up in place.
void CPdfDictionary::Compact() {
  uint32_t kept = 0;
  for (uint32_t i = 0; i < m_count; ++i) {
    if (m_entries[i].live) m_entries[kept++] = m_entries[i];
  }
  m_count = kept;
  m_dead = 0;
  if (m_index) {
    m_index->clear();
    for (uint32_t i = 0; i < m_count; ++i) m_index->emplace(m_entries[i].keyId, i);
  }
}

void CPdfDictionary::Complete() noexcept {
  if (m_dead != 0 || m_count == m_capacity) return;
  Entry* entries = nullptr;
  if (m_count != 0) {
    try {
      entries = AllocateModelArray<Entry>(m_count);
    } catch (...) {
      return;
    }
    std::memcpy(entries, m_entries, m_count * sizeof(Entry));
  }
  FreeModelArray(m_entries, m_capacity);
  m_entries = entries;
  m_capacity = m_count;
}

std::string_view CPdfDictionary::TypeName() const {
  if (m_typeName >= kTypeNone + 1) return KeyTexts::Text(m_typeName - 2u);
  if (m_typeName == kTypeNone) return {};
  const std::string_view name = FindTypeName();
  if (name.empty()) {
    m_typeName = kTypeNone;
    return name;
  }
  try {
    // Names past the 16-bit range, and a store out of memory, are looked up each time.
    const uint32_t id = KeyTexts::Intern(name);
    if (id <= UINT16_MAX - 2u) m_typeName = static_cast<uint16_t>(id + 2);
  } catch (...) {
  }
  return name;
}

std::string_view CPdfDictionary::FindTypeName() const {
  bool isName = false;
  const CPdfObject* type = Lookup(PdfKeys::type, kindName, isName);
  if (!isName) return {};
  const std::string_view bytes = static_cast<const CPdfText*>(type)->Bytes();
  size_t length = 0;
  while (length < bytes.size() && bytes[length] != '\0') ++length;
  return bytes.substr(0, length);
}

std::string CPdfDictionary::GetTypeName() const { return std::string(TypeName()); }

void CPdfDictionary::Write(CFile64& file) const { WriteValue(*this, file); }

void CPdfDictionary::SetAt(std::string_view key, std::unique_ptr<CPdfObject> value) {
  SetAt(key, value.get());
  value.release();
}

CPdfPagesNode::CPdfPagesNode() {
  SetAt("/Type", std::make_unique<CPdfText>(kindName, "/Pages", 6));
  SetAt("/Kids", std::make_unique<CPdfArray>());
  SetAt("/Count", std::make_unique<CPdfInteger>(0));
}

static_assert(sizeof(CPdfDictionary) == 48);
static_assert(sizeof(CPdfDictionary::Entry) == 16);
