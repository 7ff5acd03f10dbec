#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "model/KeyTexts.h"
#include "model/PdfObject.h"

// The hash of a key text: h = h * 33 + c over its bytes taken as signed.
uint32_t HashKeyText(std::string_view key);

// A dictionary: values owned by key text (slash included). Enumeration
// follows the engine's 17-bucket hash order, not the order of the source.
class CPdfDictionary : public CPdfObject {
 public:
  static constexpr uint32_t kBucketCount = 17;

  CPdfDictionary();
  ~CPdfDictionary() override;
  void Write(CFile64& file) const override;

  // Replaces (and deletes) an existing value; takes ownership of value unless
  // it raises.
  void SetAt(std::string_view key, CPdfObject* value);
  void SetAt(std::string_view key, std::unique_ptr<CPdfObject> value);
  // The value under key (or null); found is true only when it exists, is not
  // empty and has the kind.
  CPdfObject* Lookup(std::string_view key, PdfObjectKind kind, bool& found) const;
  CPdfObject* Lookup(const KeyTexts::CKnownKey& key, PdfObjectKind kind, bool& found) const;
  // The parser is done adding: give back the room kept for growth.
  void Complete() noexcept;
  // The /Type name's bytes up to the first zero byte; empty when /Type is no name.
  std::string GetTypeName() const;
  std::string_view TypeName() const;

  // Entries are kept in insertion order with their bucket; a replaced one
  // stays, dead, until there are many. The key is the store's number for it.
  struct Entry {
    CPdfObject* value;  // owned
    uint32_t keyId;
    uint8_t bucket;
    bool live;
    uint8_t kind;  // the value's, kept here so that walks need not touch scalars
  };
  // Visits (key, value) in dictionary order.
  template <typename Visit>
  void ForEach(Visit visit) const;
  // Visits every value in no particular order.
  template <typename Visit>
  void ForEachValue(Visit visit) const;
  // The same for the values that may hold others (arrays, dictionaries,
  // streams, references); the scalars are not even read.
  template <typename Visit>
  void ForEachHoldingValue(Visit visit) const;

 private:
  static constexpr uint16_t kTypeUnknown = 0;
  static constexpr uint16_t kTypeNone = 1;
  static constexpr uint16_t kMostDead = UINT16_MAX;
  std::string_view FindTypeName() const;

  Entry* Find(std::string_view key) const;
  Entry* FindId(uint32_t id) const;
  CPdfObject* LookupEntry(const Entry* entry, PdfObjectKind kind, bool& found) const;
  void MakeRoom();
  void Maintain() noexcept;
  void Compact();

  uint32_t m_count = 0;  // entries in use, the dead ones included
  uint32_t m_capacity = 0;
  uint16_t m_dead = 0;  // a dictionary with this many is compacted at once
  // The /Type name, found once: kTypeUnknown until asked, kTypeNone when
  // there is no name, else 2 + its number in the key store (the rebuild asks
  // every node many times, and each lookup would touch two more blocks).
  mutable uint16_t m_typeName = kTypeUnknown;
  Entry* m_entries = nullptr;
  // Only large dictionaries get an index (key number to entry); small ones
  // are scanned.
  std::unique_ptr<std::unordered_map<uint32_t, uint32_t>> m_index;
};

// Keys that the engine looks up in every page-tree node or stream.
namespace PdfKeys {
inline constinit KeyTexts::CKnownKey type{"/Type"};
inline constinit KeyTexts::CKnownKey parent{"/Parent"};
inline constinit KeyTexts::CKnownKey kids{"/Kids"};
inline constinit KeyTexts::CKnownKey length{"/Length"};
}  // namespace PdfKeys

// The value under key, through a reference; null when there is none.
inline CPdfObject* DirectEntry(const CPdfDictionary& dictionary, std::string_view key) {
  bool found = false;
  return Direct(dictionary.Lookup(key, kindNull, found));
}

// The integer under key, through a reference.
inline bool IntegerEntry(const CPdfDictionary& dictionary, std::string_view key, int64_t& integer) {
  return DirectInteger(DirectEntry(dictionary, key), integer);
}

// The root of a rebuilt page tree: /Type /Pages, empty /Kids, /Count 0.
class CPdfPagesNode : public CPdfDictionary {
 public:
  CPdfPagesNode();
};

#include "model/BucketOrder.h"

template <typename Visit>
void CPdfDictionary::ForEach(Visit visit) const {
  ForEachInBucketOrder(
      m_entries, m_count, kBucketCount,
      [](const Entry& entry) { return entry.live ? uint32_t{entry.bucket} : kRemovedEntry; },
      [&](const Entry& entry) { visit(KeyTexts::Text(entry.keyId), entry.value); });
}

template <typename Visit>
void CPdfDictionary::ForEachValue(Visit visit) const {
  for (uint32_t i = 0; i < m_count; ++i) {
    if (m_entries[i].live) visit(m_entries[i].value);
  }
}

template <typename Visit>
void CPdfDictionary::ForEachHoldingValue(Visit visit) const {
  for (uint32_t i = 0; i < m_count; ++i) {
    const Entry& entry = m_entries[i];
    if (entry.live && (entry.kind == kindArray || entry.kind == kindDictionary || entry.kind == kindStream ||
                       entry.kind == kindReference)) {
      visit(entry.value);
    }
  }
}
