#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/PdfObject.h"

// The hash of a key text: h = h * 33 + c over its bytes taken as signed.
uint32_t HashKeyText(std::string_view key);

// A dictionary: values owned by key text (slash included). Enumeration
// follows the engine's 17-bucket hash order, not the order of the source.
class CPdfDictionary : public CPdfObject {
 public:
  static constexpr uint32_t kBucketCount = 17;

  CPdfDictionary() : CPdfObject(kindDictionary) {}
  ~CPdfDictionary() override;
  void Write(CFile64& file) const override;

  // Replaces (and deletes) an existing value; takes ownership of value unless
  // it raises.
  void SetAt(std::string_view key, CPdfObject* value);
  void SetAt(std::string_view key, std::unique_ptr<CPdfObject> value);
  // The value under key (or null); found is true only when it exists, is not
  // empty and has the kind.
  CPdfObject* Lookup(std::string_view key, PdfObjectKind kind, bool& found) const;
  // The parser is done adding: give back the room kept for growth.
  void Complete() noexcept;
  // The /Type name's bytes up to the first zero byte; empty when /Type is no name.
  std::string GetTypeName() const;

  // An entry's key lives in the dictionary's key bytes: salvaged files hold
  // millions of entries, and a string of its own per key doubles their size.
  struct Entry {
    uint32_t keyOffset;
    uint32_t keyLength;
    std::unique_ptr<CPdfObject> value;
    uint8_t bucket;
    bool live;
  };
  // Visits (key, value) in dictionary order.
  template <typename Visit>
  void ForEach(Visit visit) const;

 private:
  std::string_view KeyOf(const Entry& entry) const { return {m_keys.data() + entry.keyOffset, entry.keyLength}; }
  Entry* Find(std::string_view key);
  void Maintain() noexcept;
  void Compact();

  std::vector<Entry> m_entries;
  std::string m_keys;
  uint32_t m_dead = 0;
  // Only large dictionaries get an index; small ones are scanned.
  std::unique_ptr<std::unordered_map<std::string, size_t>> m_index;
};

// The root of a rebuilt page tree: /Type /Pages, empty /Kids, /Count 0.
class CPdfPagesNode : public CPdfDictionary {
 public:
  CPdfPagesNode();
};

#include "model/BucketOrder.h"

template <typename Visit>
void CPdfDictionary::ForEach(Visit visit) const {
  ForEachInBucketOrder(m_entries, kBucketCount, [&](const Entry& entry) {
    visit(KeyOf(entry), entry.value.get());
  });
}
