#include "PasswordAnswer.h"

#include <cstring>

namespace frontend {

bool PasswordAnswer::Assign(const char* bytes, size_t size) {
  Wipe();
  if (bytes == nullptr || size == 0 || size > m_bytes.size()) return false;
  std::memcpy(m_bytes.data(), bytes, size);
  m_size = size;
  return true;
}

// explicit_bzero: a store the compiler may not drop as dead.
void PasswordAnswer::Wipe() {
  if (m_size == 0) return;
  explicit_bzero(m_bytes.data(), m_size);
  m_size = 0;
}

}  // namespace frontend
