#pragma once

#include <cstdint>
#include <memory>

#include "io/File64.h"

// The reader for damaged files: a logical position of its own, two equal read
// buffers, system reads split at sector boundaries, and any piece the system
// cannot read delivered as zero bytes so that reading never stops on an
// unreadable stretch.
class CFile64Ex : public CFile64 {
 public:
  explicit CFile64Ex(uint32_t bufferSize = 4096);
  ~CFile64Ex() override;

  const CRuntimeClass* GetRuntimeClass() const override;
  static const CRuntimeClass classCFile64Ex;

  uint64_t GetPosition() const override { return m_position; }
  bool Open(const char* path, uint32_t openFlags, CFileException* error = nullptr) override;
  CFile64* Duplicate() const override;
  uint64_t Seek(int64_t offset, uint32_t from) override;
  void SetLength(uint64_t length) override;
  uint32_t Read(void* buffer, uint32_t count) override;
  void Write(const void* buffer, uint32_t count) override;
  void LockRange(uint64_t position, uint64_t count) override;
  void UnlockRange(uint64_t position, uint64_t count) override;
  void Abort() override;
  void Flush() override;
  void Close() override;
  virtual bool IsShortRead() const { return m_shortRead; }
  // How many pieces the system could not read and that came back as zeros.
  uint64_t ZeroFilledPieces() const { return m_zeroFilledPieces; }

  struct BufferDescriptor {
    uint8_t* memory = nullptr;
    uint32_t capacity = 0;
    uint64_t position = 0;
    uint32_t valid = 0;

    bool IsEmpty() const { return memory == nullptr || capacity == 0 || valid == 0; }
    bool Holds(uint64_t p) const { return !IsEmpty() && position <= p && p - position < valid; }
  };
  const BufferDescriptor& BufferA() const { return m_a; }
  const BufferDescriptor& BufferB() const { return m_b; }

 private:
  uint32_t FillBuffer();
  uint32_t ReadAt(uint8_t* destination, uint32_t count);
  uint32_t ReadPiece(uint8_t* destination, uint32_t count, uint64_t position, bool& endOfFile);
  void PositionHandle(uint64_t position);

  bool m_shortRead = false;
  uint64_t m_zeroFilledPieces = 0;
  std::unique_ptr<uint8_t[]> m_memory;
  uint32_t m_bufferSize;
  BufferDescriptor m_a;
  BufferDescriptor m_b;
  uint64_t m_position = 0;
  uint32_t m_sectorSize = 512;
};
