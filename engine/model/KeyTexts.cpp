#include "model/KeyTexts.h"

#include <cstring>
#include <memory>
#include <vector>

#include "model/Growth.h"
#include "model/PdfDictionary.h"

namespace KeyTexts {
uint64_t g_generation = 0;
}

namespace {

struct Record {
  const char* text;
  uint32_t length;
  uint32_t hash;
  uint64_t word;  // the bytes of a short key, packed (Signature)
  uint8_t bucket;
};

// Keys of up to 8 bytes (nearly all of them) are told apart by one word of
// their bytes and their length, without hashing byte by byte or comparing
// through memcmp.
constexpr size_t kShortKey = 8;

struct Signature {
  uint64_t word;
  uint32_t hash;
};

class CKeyStore {
 public:
  uint32_t Intern(std::string_view key) {
    const Signature signature = Sign(key);
    if (!m_slots.empty()) {
      const uint32_t slot = FindSlot(key, signature);
      if (m_slots[slot] != 0) return m_slots[slot] - 1;
    }
    // Everything that can fail comes before anything changes.
    if (m_records.size() >= UINT32_MAX - 1) throw std::bad_alloc();
    ReserveMore(m_records);
    if ((m_records.size() + 1) * 2 > m_slots.size()) Grow();
    const char* text = Store(key);
    const auto id = static_cast<uint32_t>(m_records.size());
    m_records.push_back({text, static_cast<uint32_t>(key.size()), signature.hash, signature.word,
                         static_cast<uint8_t>(HashKeyText(key) % CPdfDictionary::kBucketCount)});
    m_slots[FindSlot(key, signature)] = id + 1;
    ++KeyTexts::g_generation;
    return id;
  }

  bool Find(std::string_view key, uint32_t& id) const {
    if (m_slots.empty()) return false;
    const uint32_t entry = m_slots[FindSlot(key, Sign(key))];
    if (entry == 0) return false;
    id = entry - 1;
    return true;
  }

  const Record& At(uint32_t id) const { return m_records[id]; }

  void Hold() noexcept { ++m_holders; }
  void Let() noexcept {
    if (--m_holders != 0) return;
    ++KeyTexts::g_generation;
    std::vector<Record>().swap(m_records);
    std::vector<uint32_t>().swap(m_slots);
    std::vector<std::unique_ptr<char[]>>().swap(m_chunks);
    m_next = nullptr;
    m_left = 0;
  }

 private:
  static constexpr size_t kChunk = 16 * 1024;

  static uint64_t Pack(const char* bytes, size_t size) {
    if (size >= 4) {
      // Two loads that overlap for fewer than 8 bytes: still one word per
      // text of a given length.
      uint32_t low;
      uint32_t high;
      std::memcpy(&low, bytes, 4);
      std::memcpy(&high, bytes + size - 4, 4);
      return low | uint64_t{high} << 32;
    }
    uint64_t word = 0;
    for (size_t i = 0; i < size; ++i) word |= uint64_t{static_cast<uint8_t>(bytes[i])} << (8 * i);
    return word;
  }

  static Signature Sign(std::string_view key) {
    constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    uint64_t hash = key.size() * kMultiplier;
    uint64_t word = 0;
    if (key.size() <= kShortKey) {
      word = Pack(key.data(), key.size());
      hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
    } else {
      // Eight bytes a step for the rare long key.
      size_t at = 0;
      for (; at + 8 <= key.size(); at += 8) {
        uint64_t chunk;
        std::memcpy(&chunk, key.data() + at, 8);
        hash = (hash ^ chunk) * kMultiplier;
        hash ^= hash >> 31;
      }
      hash = (hash ^ Pack(key.data() + at, key.size() - at)) * kMultiplier;
    }
    hash ^= hash >> 29;
    return {word, static_cast<uint32_t>(hash ^ (hash >> 32))};
  }

  uint32_t FindSlot(std::string_view key, Signature signature) const {
    const size_t mask = m_slots.size() - 1;
    const bool isShort = key.size() <= kShortKey;
    for (size_t slot = signature.hash & mask;; slot = (slot + 1) & mask) {
      const uint32_t entry = m_slots[slot];
      if (entry == 0) return static_cast<uint32_t>(slot);
      const Record& record = m_records[entry - 1];
      if (record.hash != signature.hash || record.length != key.size()) continue;
      if (isShort ? record.word == signature.word : std::memcmp(record.text, key.data(), key.size()) == 0) {
        return static_cast<uint32_t>(slot);
      }
    }
  }

  void Grow() {
    std::vector<uint32_t> slots(m_slots.empty() ? 256 : m_slots.size() * 2, 0);
    m_slots.swap(slots);
    for (uint32_t id = 0; id < m_records.size(); ++id) {
      const Record& record = m_records[id];
      m_slots[FindSlot({record.text, record.length}, {record.word, record.hash})] = id + 1;
    }
  }

  // Texts never move once stored: a long key gets a chunk of its own.
  const char* Store(std::string_view key) {
    if (key.size() > m_left) {
      const size_t size = key.size() > kChunk / 4 ? key.size() : kChunk;
      ReserveMore(m_chunks);
      m_chunks.push_back(std::make_unique<char[]>(size));
      if (size != kChunk) return static_cast<const char*>(std::memcpy(m_chunks.back().get(), key.data(), key.size()));
      m_next = m_chunks.back().get();
      m_left = size;
    }
    char* text = m_next;
    if (!key.empty()) std::memcpy(text, key.data(), key.size());
    m_next += key.size();
    m_left -= key.size();
    return text;
  }

  std::vector<Record> m_records;
  std::vector<uint32_t> m_slots;  // record number + 1; 0 for an empty slot
  std::vector<std::unique_ptr<char[]>> m_chunks;
  char* m_next = nullptr;
  size_t m_left = 0;
  size_t m_holders = 0;
};

constinit CKeyStore g_store;

CKeyStore& Store() { return g_store; }

}  // namespace

namespace KeyTexts {

uint32_t Intern(std::string_view key) { return Store().Intern(key); }
bool Find(std::string_view key, uint32_t& id) { return Store().Find(key, id); }
std::string_view Text(uint32_t id) {
  const Record& record = Store().At(id);
  return {record.text, record.length};
}
uint8_t Bucket(uint32_t id) { return Store().At(id).bucket; }
void Hold() noexcept { Store().Hold(); }

void CKnownKey::Refresh() const {
  m_present = Store().Find(m_text, m_id);
  m_generation = g_generation;
}
void Let() noexcept { Store().Let(); }

}  // namespace KeyTexts
