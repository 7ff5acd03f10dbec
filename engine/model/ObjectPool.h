#pragma once

#include <cstddef>
#include <new>

// Memory for the model's values. A salvaged file holds millions of small
// objects, and the general allocator's header and rounding would add a
// quarter to each. Blocks of up to 256 bytes come from 64 KiB slabs in
// multiples of 8; a freed block waits on the free list of its size; when the
// last block is freed (the document of a run is gone), the slabs go back.
// Like the serial counter, the pool serves one repair run at a time. The
// common cases are inline: they run once per value.
namespace ModelPool {

#if defined(__SANITIZE_ADDRESS__)
// Under the address sanitizer every object gets its own block, so that a use
// after free is still caught.
inline constexpr bool kPooled = false;
#else
inline constexpr bool kPooled = true;
#endif
inline constexpr size_t kGranule = 8;
inline constexpr size_t kLargestPooled = 256;

struct FreeBlock {
  FreeBlock* next;
};

struct State {
  FreeBlock* free[kLargestPooled / kGranule + 1];
  char* next;     // the unused rest of the newest slab
  size_t left;
  size_t live;    // blocks handed out and not yet freed
  size_t bytes;   // what those blocks take, pooled or not
};
extern constinit State g_state;

// A block from a new slab; raises when memory runs short.
void* AllocateFromNewSlab(size_t rounded);
// Gives every slab back.
void Release() noexcept;

}  // namespace ModelPool

inline void* AllocateModelObject(size_t size) {
  using namespace ModelPool;
  if (size == 0) return nullptr;
  if (!kPooled || size > kLargestPooled) {
    void* block = ::operator new(size);
    g_state.bytes += size;
    return block;
  }
  const size_t rounded = (size + kGranule - 1) & ~(kGranule - 1);
  FreeBlock*& head = g_state.free[rounded / kGranule];
  void* block;
  if (head != nullptr) {
    block = head;
    head = head->next;
  } else if (g_state.left >= rounded) {
    block = g_state.next;
    g_state.next += rounded;
    g_state.left -= rounded;
  } else {
    block = AllocateFromNewSlab(rounded);
  }
  ++g_state.live;
  g_state.bytes += rounded;
  return block;
}

inline void FreeModelObject(void* memory, size_t size) noexcept {
  using namespace ModelPool;
  if (memory == nullptr) return;
  if (!kPooled || size > kLargestPooled) {
    ::operator delete(memory);
    g_state.bytes -= size;
    return;
  }
  const size_t rounded = (size + kGranule - 1) & ~(kGranule - 1);
  g_state.bytes -= rounded;
  auto* block = static_cast<FreeBlock*>(memory);
  block->next = g_state.free[rounded / kGranule];
  g_state.free[rounded / kGranule] = block;
  if (--g_state.live == 0) Release();
}

// The memory the model's values take now: what values made from decoded
// data spend of the run's budget.
inline size_t ModelBytesInUse() { return ModelPool::g_state.bytes; }

// Arrays of `count` elements of T from the same memory: the element lists of
// arrays and dictionaries, the bytes of longer texts. Freed with the count
// they were taken with.
template <typename T>
T* AllocateModelArray(size_t count) {
  return static_cast<T*>(AllocateModelObject(count * sizeof(T)));
}
template <typename T>
void FreeModelArray(T* memory, size_t count) noexcept {
  FreeModelObject(memory, count * sizeof(T));
}
