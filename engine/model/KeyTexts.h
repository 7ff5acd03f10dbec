#pragma once

#include <cstdint>
#include <string_view>

// Dictionary key texts, each kept once. Salvaged files hold millions of
// entries under a few dozen distinct keys, so an entry names its key by a
// number, and keys compare as numbers. The texts live as long as any
// dictionary does: every dictionary holds the store while it exists, and the
// last one to go empties it. Process-wide, like the object pool.
namespace KeyTexts {

// The key's number, giving it one if it has none yet; raises when memory
// runs short, changing nothing.
uint32_t Intern(std::string_view key);
// The key's number, when it has one.
bool Find(std::string_view key, uint32_t& id);
std::string_view Text(uint32_t id);
// The dictionary bucket of the key (its hash modulo 17).
uint8_t Bucket(uint32_t id);

void Hold() noexcept;
void Let() noexcept;

// Changes whenever a key joins the store or the store empties.
extern uint64_t g_generation;

// A key the engine itself looks up again and again (/Type, /Kids): its number
// is found once per generation of the store instead of at every lookup.
class CKnownKey {
 public:
  explicit constexpr CKnownKey(std::string_view text) : m_text(text) {}
  bool Find(uint32_t& id) const {
    if (m_generation != g_generation) Refresh();
    id = m_id;
    return m_present;
  }

 private:
  void Refresh() const;

  std::string_view m_text;
  mutable uint64_t m_generation = ~uint64_t{0};
  mutable uint32_t m_id = 0;
  mutable bool m_present = false;
};

}  // namespace KeyTexts
