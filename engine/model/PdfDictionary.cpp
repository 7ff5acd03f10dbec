#include "model/PdfDictionary.h"

#include <cstdint>
#include <cstring>

#include "core/Exceptions.h"
#include "model/Growth.h"

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

CPdfDictionary::~CPdfDictionary() = default;

CPdfDictionary::Entry* CPdfDictionary::Find(std::string_view key) {
  if (m_index) {
    const auto found = m_index->find(std::string(key));
    return found != m_index->end() ? &m_entries[found->second] : nullptr;
  }
  for (Entry& entry : m_entries) {
    if (entry.live && KeyOf(entry) == key) return &entry;
  }
  return nullptr;
}

CPdfObject* CPdfDictionary::Lookup(std::string_view key, PdfObjectKind kind, bool& found) const {
  const Entry* entry = const_cast<CPdfDictionary*>(this)->Find(key);
  if (entry == nullptr) {
    found = false;
    return nullptr;
  }
  found = entry->value != nullptr && entry->value->Kind() == kind;
  return entry->value.get();
}

void CPdfDictionary::SetAt(std::string_view key, CPdfObject* value) {
  // Everything that can fail happens before the value is adopted, so that a
  // failure leaves the dictionary and the caller's ownership as they were.
  if (key.size() > UINT32_MAX || m_keys.size() + key.size() > UINT32_MAX) throw CMemoryException();
  ReserveMore(m_entries);
  ReserveMore(m_keys, key.size());
  Entry fresh{static_cast<uint32_t>(m_keys.size()), static_cast<uint32_t>(key.size()), nullptr,
              static_cast<uint8_t>(HashKeyText(key) % kBucketCount), true};
  Entry* existing = Find(key);

  if (existing != nullptr) {
    // The key is removed and inserted anew: it moves to the head of its bucket.
    existing->live = false;
    existing->value.reset();
    ++m_dead;
  }
  m_keys.append(key);
  fresh.value.reset(value);
  m_entries.push_back(std::move(fresh));
  Maintain();
}

// Keeps the index and the removed entries in check. Nothing here may fail
// the insertion that has already happened: when memory runs short the index
// is simply dropped and lookups scan.
void CPdfDictionary::Maintain() noexcept {
  try {
    if (m_index) {
      (*m_index)[std::string(KeyOf(m_entries.back()))] = m_entries.size() - 1;
    } else if (m_entries.size() - m_dead > kIndexThreshold) {
      m_index = std::make_unique<std::unordered_map<std::string, size_t>>();
      Compact();
    }
    if (m_dead > 64 && m_dead > m_entries.size() / 2) Compact();
  } catch (...) {
    m_index.reset();
  }
}

// Drops removed entries and their keys, keeping the order of the others, and
// rebuilds the index when there is one.
void CPdfDictionary::Compact() {
  std::vector<Entry> live;
  std::string keys;
  live.reserve(m_entries.size() - m_dead);
  keys.reserve(m_keys.size());
  for (Entry& entry : m_entries) {
    if (!entry.live) continue;
    const std::string_view key = KeyOf(entry);
    entry.keyOffset = static_cast<uint32_t>(keys.size());
    keys.append(key);
    live.push_back(std::move(entry));
  }
  m_entries = std::move(live);
  m_keys = std::move(keys);
  m_dead = 0;
  if (m_index) {
    m_index->clear();
    for (size_t i = 0; i < m_entries.size(); ++i) m_index->emplace(std::string(KeyOf(m_entries[i])), i);
  }
}

void CPdfDictionary::Complete() noexcept {
  if (m_dead != 0) return;
  m_entries.shrink_to_fit();
  m_keys.shrink_to_fit();
}

std::string CPdfDictionary::GetTypeName() const {
  bool isName = false;
  const CPdfObject* type = Lookup("/Type", kindName, isName);
  if (!isName) return {};
  const CByteArray& bytes = static_cast<const CPdfText*>(type)->m_bytes;
  return std::string(bytes.c_str(), ::strnlen(bytes.c_str(), bytes.size()));
}

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
