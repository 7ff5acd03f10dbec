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
