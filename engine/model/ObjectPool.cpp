#include "model/ObjectPool.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "model/Growth.h"

namespace ModelPool {

constinit State g_state{};

namespace {

constexpr size_t kSlabSize = 64 * 1024;

// The slabs, freed at exit too when a document outlives the program's end.
struct CSlabs {
  ~CSlabs() { Release(); }
  std::vector<void*> slabs;
};
CSlabs g_slabs;

}  // namespace

void* AllocateFromNewSlab(size_t rounded) {
  ReserveMore(g_slabs.slabs);
  void* slab = std::malloc(kSlabSize);
  if (slab == nullptr) throw std::bad_alloc();
  g_slabs.slabs.push_back(slab);
  g_state.next = static_cast<char*>(slab) + rounded;
  g_state.left = kSlabSize - rounded;
  return slab;
}

void Release() noexcept {
  for (void* slab : g_slabs.slabs) std::free(slab);
  g_slabs.slabs.clear();
  g_slabs.slabs.shrink_to_fit();
  std::memset(g_state.free, 0, sizeof g_state.free);
  g_state.next = nullptr;
  g_state.left = 0;
}

}  // namespace ModelPool
