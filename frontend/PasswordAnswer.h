#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "tesscore/tesscore.h"

namespace frontend {

// The answer to the engine's password question, in a buffer of its own that
// is never copied or moved: the engine may read it until its next message,
// and the bytes are overwritten as soon as it sends one, and again when the
// answer goes away.
class PasswordAnswer {
 public:
  PasswordAnswer() = default;
  PasswordAnswer(const PasswordAnswer&) = delete;
  PasswordAnswer& operator=(const PasswordAnswer&) = delete;
  ~PasswordAnswer() { Wipe(); }

  // Takes the bytes; false (holding nothing) when there are none or more
  // than the engine takes.
  bool Assign(const char* bytes, size_t size);
  void Wipe();

  bool Held() const { return m_size != 0; }
  const char* Data() const { return m_bytes.data(); }
  uint32_t Size() const { return static_cast<uint32_t>(m_size); }

 private:
  std::array<char, TESSCORE_PASSWORD_MAX> m_bytes {};
  size_t m_size = 0;
};

}  // namespace frontend
