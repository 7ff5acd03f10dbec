#include "model/ObjectPool.h"

#include <array>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

#if defined(__SANITIZE_ADDRESS__)
// Under the address sanitizer every object gets its own block, so that a use
// after free is still caught.
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif

constexpr size_t kGranule = 8;
constexpr size_t kLargestPooled = 256;
constexpr size_t kSlabSize = 64 * 1024;

struct FreeBlock {
  FreeBlock* next;
};

class CObjectPool {
 public:
  ~CObjectPool() { Release(); }

  void* Allocate(size_t size) {
    const size_t rounded = (size + kGranule - 1) / kGranule * kGranule;
    FreeBlock*& head = m_free[rounded / kGranule];
    void* block;
    if (head != nullptr) {
      block = head;
      head = head->next;
    } else {
      if (m_left < rounded) NewSlab();
      block = m_next;
      m_next += rounded;
      m_left -= rounded;
    }
    ++m_live;
    return block;
  }

  void Free(void* memory, size_t size) noexcept {
    const size_t rounded = (size + kGranule - 1) / kGranule * kGranule;
    auto* block = static_cast<FreeBlock*>(memory);
    block->next = m_free[rounded / kGranule];
    m_free[rounded / kGranule] = block;
    if (--m_live == 0) Release();
  }

 private:
  void NewSlab() {
    m_slabs.reserve(m_slabs.size() + 1);
    void* slab = std::malloc(kSlabSize);
    if (slab == nullptr) throw std::bad_alloc();
    m_slabs.push_back(slab);
    m_next = static_cast<char*>(slab);
    m_left = kSlabSize;
  }

  void Release() noexcept {
    for (void* slab : m_slabs) std::free(slab);
    m_slabs.clear();
    m_slabs.shrink_to_fit();
    m_free.fill(nullptr);
    m_next = nullptr;
    m_left = 0;
  }

  std::vector<void*> m_slabs;
  std::array<FreeBlock*, kLargestPooled / kGranule + 1> m_free{};
  char* m_next = nullptr;
  size_t m_left = 0;
  size_t m_live = 0;
};

CObjectPool& Pool() {
  static CObjectPool pool;
  return pool;
}

}  // namespace

void* AllocateModelObject(size_t size) {
  if (size == 0) return nullptr;
  if (!kPooled || size > kLargestPooled) return ::operator new(size);
  return Pool().Allocate(size);
}

void FreeModelObject(void* memory, size_t size) noexcept {
  if (memory == nullptr) return;
  if (!kPooled || size > kLargestPooled) {
    ::operator delete(memory);
    return;
  }
  Pool().Free(memory, size);
}
