#include "model/ObjectPool.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "model/Growth.h"

namespace ModelPool {

constinit State g_state{};

namespace {

// A small document takes small slabs from the general allocator. Past a few
// megabytes the slabs are huge pages: a salvaged file of a few hundred
// thousand objects otherwise spends a sixth of its time in page faults.
constexpr size_t kSmallSlab = 64 * 1024;
constexpr size_t kHugeSlab = 2 * 1024 * 1024;
constexpr size_t kSmallSlabsBeforeHuge = 64;

struct Slab {
  void* memory;
  bool huge;
};

// The slabs, freed at exit too when a document outlives the program's end.
struct CSlabs {
  ~CSlabs() { Release(); }
  std::vector<Slab> slabs;
};
CSlabs g_slabs;

// A 2 MiB block on a 2 MiB boundary, marked for huge pages; null when the
// system will not map one.
void* MapHugeSlab() {
  void* mapped = ::mmap(nullptr, 2 * kHugeSlab, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<uintptr_t>(mapped);
  const uintptr_t aligned = (start + kHugeSlab - 1) & ~(kHugeSlab - 1);
  if (aligned > start) ::munmap(mapped, aligned - start);
  const uintptr_t end = start + 2 * kHugeSlab;
  if (end > aligned + kHugeSlab) ::munmap(reinterpret_cast<void*>(aligned + kHugeSlab), end - aligned - kHugeSlab);
  void* slab = reinterpret_cast<void*>(aligned);
  ::madvise(slab, kHugeSlab, MADV_HUGEPAGE);  // a hint: without it the slab still serves
  return slab;
}

}  // namespace

void* AllocateFromNewSlab(size_t rounded) {
  ReserveMore(g_slabs.slabs);
  Slab slab{nullptr, false};
  size_t size = kSmallSlab;
  if (g_slabs.slabs.size() >= kSmallSlabsBeforeHuge) slab = {MapHugeSlab(), true};
  if (slab.memory != nullptr) {
    size = kHugeSlab;
  } else {
    slab = {std::malloc(kSmallSlab), false};
    if (slab.memory == nullptr) throw std::bad_alloc();
  }
  g_slabs.slabs.push_back(slab);
  g_state.next = static_cast<char*>(slab.memory) + rounded;
  g_state.left = size - rounded;
  return slab.memory;
}

void Release() noexcept {
  for (const Slab& slab : g_slabs.slabs) {
    if (slab.huge) {
      ::munmap(slab.memory, kHugeSlab);
    } else {
      std::free(slab.memory);
    }
  }
  g_slabs.slabs.clear();
  g_slabs.slabs.shrink_to_fit();
  std::memset(g_state.free, 0, sizeof g_state.free);
  g_state.next = nullptr;
  g_state.left = 0;
}

}  // namespace ModelPool
