#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

// The first place in [begin, end) where `word` (two bytes or more) starts,
// or end. Sixteen places at a time are looked at for the word's first and
// last bytes together, which text and binary data alike rarely hold; a look
// for the first byte alone stops every few bytes of text.
inline const char* FindWord(const char* begin, const char* end, std::string_view word) {
  using Lanes = unsigned char __attribute__((vector_size(16)));
  constexpr size_t kLanes = sizeof(Lanes);
  const size_t span = word.size() - 1;  // from the first byte to the last
  const Lanes first = Lanes{} + static_cast<unsigned char>(word.front());
  const Lanes last = Lanes{} + static_cast<unsigned char>(word.back());
  const char* at = begin;
  for (; static_cast<size_t>(end - at) >= kLanes + span; at += kLanes) {
    Lanes heads;
    Lanes tails;
    std::memcpy(&heads, at, kLanes);
    std::memcpy(&tails, at + span, kLanes);
    const auto both = (heads == first) & (tails == last);
    unsigned char found[kLanes];
    std::memcpy(found, &both, kLanes);
    unsigned long long halves[2];
    std::memcpy(halves, found, sizeof halves);
    if ((halves[0] | halves[1]) == 0) continue;
    for (size_t lane = 0; lane < kLanes; ++lane) {
      if (found[lane] != 0 && std::memcmp(at + lane, word.data(), word.size()) == 0) return at + lane;
    }
  }
  const std::string_view rest(at, static_cast<size_t>(end - at));
  const size_t found = rest.find(word);
  return found == std::string_view::npos ? end : at + found;
}
