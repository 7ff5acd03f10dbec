#include "rebuild/ContentOperators.h"

#include <algorithm>
#include <iterator>

namespace {

using T = OperandType;
constexpr T N = T::number;

// Sorted by name, for a binary search.
constexpr ContentOperator kOperators[] = {
    {"\"", 3, 3, {N, N, T::string}},
    {"'", 1, 1, {T::string}},
    {"B", 0, 0, {}},
    {"B*", 0, 0, {}},
    {"BDC", 2, 2, {T::name, T::properties}},
    {"BI", 0, 0, {}},
    {"BMC", 1, 1, {T::name}},
    {"BT", 0, 0, {}},
    {"BX", 0, 0, {}},
    {"CS", 1, 1, {T::name}},
    {"DP", 2, 2, {T::name, T::properties}},
    {"Do", 1, 1, {T::name}},
    {"EI", 0, 0, {}},
    {"EMC", 0, 0, {}},
    {"ET", 0, 0, {}},
    {"EX", 0, 0, {}},
    {"F", 0, 0, {}},
    {"G", 1, 1, {N}},
    {"ID", 0, 0, {}},
    {"J", 1, 1, {T::integer}},
    {"K", 4, 4, {N, N, N, N}},
    {"M", 1, 1, {N}},
    {"MP", 1, 1, {T::name}},
    {"Q", 0, 0, {}},
    {"RG", 3, 3, {N, N, N}},
    {"S", 0, 0, {}},
    {"SC", 1, 4, {N, N, N, N}},
    {"SCN", 1, 33, {T::colour}},
    {"T*", 0, 0, {}},
    {"TD", 2, 2, {N, N}},
    {"TJ", 1, 1, {T::array}},
    {"TL", 1, 1, {N}},
    {"Tc", 1, 1, {N}},
    {"Td", 2, 2, {N, N}},
    {"Tf", 2, 2, {T::name, N}},
    {"Tj", 1, 1, {T::string}},
    {"Tm", 6, 6, {N, N, N, N, N, N}},
    {"Tr", 1, 1, {T::integer}},
    {"Ts", 1, 1, {N}},
    {"Tw", 1, 1, {N}},
    {"Tz", 1, 1, {N}},
    {"W", 0, 0, {}},
    {"W*", 0, 0, {}},
    {"b", 0, 0, {}},
    {"b*", 0, 0, {}},
    {"c", 6, 6, {N, N, N, N, N, N}},
    {"cm", 6, 6, {N, N, N, N, N, N}},
    {"cs", 1, 1, {T::name}},
    {"d", 2, 2, {T::array, N}},
    {"d0", 2, 2, {N, N}},
    {"d1", 6, 6, {N, N, N, N, N, N}},
    {"f", 0, 0, {}},
    {"f*", 0, 0, {}},
    {"g", 1, 1, {N}},
    {"gs", 1, 1, {T::name}},
    {"h", 0, 0, {}},
    {"i", 1, 1, {N}},
    {"j", 1, 1, {T::integer}},
    {"k", 4, 4, {N, N, N, N}},
    {"l", 2, 2, {N, N}},
    {"m", 2, 2, {N, N}},
    {"n", 0, 0, {}},
    {"q", 0, 0, {}},
    {"re", 4, 4, {N, N, N, N}},
    {"rg", 3, 3, {N, N, N}},
    {"ri", 1, 1, {T::name}},
    {"s", 0, 0, {}},
    {"sc", 1, 4, {N, N, N, N}},
    {"scn", 1, 33, {T::colour}},
    {"sh", 1, 1, {T::name}},
    {"v", 4, 4, {N, N, N, N}},
    {"w", 1, 1, {N}},
    {"y", 4, 4, {N, N, N, N}},
};

constexpr bool Sorted() {
  for (size_t i = 1; i < std::size(kOperators); ++i) {
    if (!(kOperators[i - 1].name < kOperators[i].name)) return false;
  }
  return true;
}
static_assert(Sorted(), "the operators are found by a binary search");

}  // namespace

const ContentOperator* FindContentOperator(std::string_view name) {
  const auto* found = std::lower_bound(std::begin(kOperators), std::end(kOperators), name,
                                       [](const ContentOperator& entry, std::string_view key) { return entry.name < key; });
  return found != std::end(kOperators) && found->name == name ? found : nullptr;
}
