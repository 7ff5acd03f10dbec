#pragma once

#include <cstddef>

// Memory for the model's values. A salvaged file holds millions of small
// objects, and the general allocator's header and rounding would add a
// quarter to each. Blocks of up to 256 bytes come from 64 KiB slabs in
// multiples of 8; a freed block waits on the free list of its size; when the
// last block is freed (the document of a run is gone), the slabs go back.
// Like the serial counter, the pool serves one repair run at a time.
void* AllocateModelObject(size_t size);
void FreeModelObject(void* memory, size_t size) noexcept;

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
