#pragma once

#include <cstdint>
#include <memory>

#include "io/File64.h"

// Gathers the writer's many small writes into large ones. Positions are
// those of the file as if every byte had been written at once, so offsets
// taken here are offsets in the file.
class CBufferedOutput : public CFile64 {
 public:
  static constexpr uint32_t kCapacity = 64 * 1024;

  explicit CBufferedOutput(CFile64& target);

  uint64_t GetPosition() const override { return m_position; }
  void Write(const void* buffer, uint32_t count) override;
  // Writes out what is gathered; the target's failure passes on.
  void Flush() override;

 private:
  CFile64& m_target;
  std::unique_ptr<uint8_t[]> m_buffer;
  uint32_t m_used = 0;
  uint64_t m_position;
};
