#pragma once

#include <cstdint>
#include <vector>

// The engine's hash maps are enumerated bucket by bucket in ascending order,
// and within a bucket the entry added last comes first: that order decides
// the order of the output bytes. Entries here are kept in insertion order
// with their bucket; this visits the live ones in map order.
template <typename Entry, typename Visit>
void ForEachInBucketOrder(const Entry* entries, size_t count, uint32_t bucketCount, Visit visit) {
  constexpr size_t kSmall = 16;
  if (count <= kSmall) {
    // Small maps (nearly every dictionary): an insertion sort of the live
    // entries on the stack, by bucket and then newest first.
    uint32_t order[kSmall];
    size_t live = 0;
    for (size_t i = 0; i < count; ++i) {
      if (!entries[i].live) continue;
      const uint32_t key = static_cast<uint32_t>(entries[i].bucket) << 8 | static_cast<uint32_t>(255 - i);
      size_t at = live++;
      for (; at > 0 && order[at - 1] > key; --at) order[at] = order[at - 1];
      order[at] = key;
    }
    for (size_t i = 0; i < live; ++i) visit(entries[255 - (order[i] & 255)]);
    return;
  }
  // A counting sort by bucket, newest first within each.
  std::vector<uint32_t> start(static_cast<size_t>(bucketCount) + 1, 0);
  for (size_t i = 0; i < count; ++i) ++start[entries[i].bucket + 1];
  for (uint32_t bucket = 0; bucket < bucketCount; ++bucket) start[bucket + 1] += start[bucket];
  std::vector<uint32_t> order(count);
  for (size_t i = count; i-- > 0;) order[start[entries[i].bucket]++] = static_cast<uint32_t>(i);
  for (uint32_t index : order) {
    if (entries[index].live) visit(entries[index]);
  }
}
