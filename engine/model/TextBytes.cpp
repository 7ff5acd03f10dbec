#include "model/TextBytes.h"

#include <bit>

#include "base/Exceptions.h"
#include "model/ObjectPool.h"

CTextBytes::~CTextBytes() {
  if (m_size > kInline) FreeModelArray(Heap(), BlockSize(m_size));
}

size_t CTextBytes::BlockSize(size_t size) {
  constexpr size_t kFine = 64;
  if (size <= kFine) return (size + 7) & ~size_t{7};
  const size_t step = std::bit_floor(size) / 8;
  return (size + step - 1) / step * step;
}

char* CTextBytes::Reserve(size_t size) {
  if (size <= kInline) return m_storage;
  if (size > UINT32_MAX) throw CMemoryException();
  const size_t block = BlockSize(size);
  if (m_size > kInline && block == BlockSize(m_size)) return Heap();
  char* moved = AllocateModelArray<char>(block);
  std::memcpy(moved, data(), m_size);
  if (m_size > kInline) FreeModelArray(Heap(), BlockSize(m_size));
  std::memcpy(m_storage, &moved, sizeof moved);
  return moved;
}

CTextBytes& CTextBytes::operator=(std::string_view text) {
  if (text.size() > UINT32_MAX) throw CMemoryException();
  // The new bytes are copied before the old go: they may be a view of them.
  char* block = text.size() > kInline ? AllocateModelArray<char>(BlockSize(text.size())) : nullptr;
  char local[kInline];
  if (!text.empty()) std::memcpy(block != nullptr ? block : local, text.data(), text.size());
  if (m_size > kInline) FreeModelArray(Heap(), BlockSize(m_size));
  if (block != nullptr) {
    std::memcpy(m_storage, &block, sizeof block);
  } else {
    std::memcpy(m_storage, local, text.size());
  }
  m_size = static_cast<uint32_t>(text.size());
  return *this;
}

void CTextBytes::AppendLong(const char* bytes, size_t length) {
  if (length == 0) return;
  char* data = Reserve(m_size + length);
  std::memcpy(data + m_size, bytes, length);
  m_size += static_cast<uint32_t>(length);
}

void CTextBytes::Enclose(char open, char close) {
  char* data = Reserve(m_size + size_t{2});
  std::memmove(data + 1, data, m_size);
  data[0] = open;
  data[m_size + 1] = close;
  m_size += 2;
}
