#pragma once

#include <cstddef>

// Makes room for `extra` more elements before anything is changed, so that
// the insertion that follows cannot fail half-way. Capacity grows
// geometrically: reserving exactly one more each time would make a long run
// of insertions quadratic.
template <typename Container>
void ReserveMore(Container& container, size_t extra = 1) {
  const size_t needed = container.size() + extra;
  if (needed <= container.capacity()) return;
  const size_t doubled = container.capacity() * 2;
  container.reserve(needed > doubled ? needed : doubled);
}
