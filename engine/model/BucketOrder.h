#pragma once

#include <cstdint>
#include <vector>

// The engine's hash maps are enumerated bucket by bucket in ascending order,
// and within a bucket the entry added last comes first: that order decides
// the order of the output bytes. Entries here are kept in insertion order;
// bucketOf(entry) answers an entry's bucket, or kRemovedEntry for one that
// was removed; this visits the others in map order.
inline constexpr uint32_t kRemovedEntry = UINT32_MAX;

// The indices of the live entries in map order: a counting sort by bucket,
// newest first within each.
template <typename Entry, typename BucketOf>
std::vector<uint32_t> BucketOrder(const Entry* entries, size_t count, uint32_t bucketCount, BucketOf bucketOf) {
  std::vector<uint32_t> start(static_cast<size_t>(bucketCount) + 1, 0);
  size_t live = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t bucket = bucketOf(entries[i]);
    if (bucket == kRemovedEntry) continue;
    ++start[bucket + 1];
    ++live;
  }
  for (uint32_t bucket = 0; bucket < bucketCount; ++bucket) start[bucket + 1] += start[bucket];
  std::vector<uint32_t> order(live);
  for (size_t i = count; i-- > 0;) {
    const uint32_t bucket = bucketOf(entries[i]);
    if (bucket != kRemovedEntry) order[start[bucket]++] = static_cast<uint32_t>(i);
  }
  return order;
}

template <typename Entry, typename BucketOf, typename Visit>
void ForEachInBucketOrder(const Entry* entries, size_t count, uint32_t bucketCount, BucketOf bucketOf,
                          Visit visit) {
  constexpr size_t kSmall = 16;
  if (count <= kSmall) {
    // Small maps (nearly every dictionary): an insertion sort of the live
    // entries on the stack, by bucket and then newest first.
    uint32_t order[kSmall];
    size_t live = 0;
    for (size_t i = 0; i < count; ++i) {
      const uint32_t bucket = bucketOf(entries[i]);
      if (bucket == kRemovedEntry) continue;
      const uint32_t key = bucket << 8 | static_cast<uint32_t>(255 - i);
      size_t at = live++;
      for (; at > 0 && order[at - 1] > key; --at) order[at] = order[at - 1];
      order[at] = key;
    }
    for (size_t i = 0; i < live; ++i) visit(entries[255 - (order[i] & 255)]);
    return;
  }
  for (uint32_t index : BucketOrder(entries, count, bucketCount, bucketOf)) visit(entries[index]);
}
