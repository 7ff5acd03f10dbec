#include "io/File64Ex.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "io/SystemFileApi.h"

const CRuntimeClass CFile64Ex::classCFile64Ex = {"CFile64Ex", &CFile64::classCFile64};

CFile64Ex::CFile64Ex(uint32_t bufferSize) : m_bufferSize(bufferSize == 0 ? 4096 : bufferSize) {
  m_memory.reset(new (std::nothrow) uint8_t[2 * static_cast<size_t>(m_bufferSize)]);
  if (!m_memory) throw CMemoryException();
  m_a.memory = m_memory.get();
  m_b.memory = m_memory.get() + m_bufferSize;
  m_a.capacity = m_b.capacity = m_bufferSize;
}

CFile64Ex::~CFile64Ex() = default;

const CRuntimeClass* CFile64Ex::GetRuntimeClass() const { return &classCFile64Ex; }

bool CFile64Ex::Open(const char* path, uint32_t openFlags, CFileException* error) {
  m_position = 0;
  m_shortRead = false;
  if (!CFile64::Open(path, openFlags, error)) return false;
  const uint32_t sector = SystemFiles().SectorSize(m_hFile);
  m_sectorSize = sector != 0 ? sector : 512;
  return true;
}

CFile64* CFile64Ex::Duplicate() const { throw CNotSupportedException(); }
void CFile64Ex::LockRange(uint64_t, uint64_t) { throw CNotSupportedException(); }
void CFile64Ex::UnlockRange(uint64_t, uint64_t) { throw CNotSupportedException(); }

uint64_t CFile64Ex::Seek(int64_t offset, uint32_t from) {
  const uint64_t before = m_position;
  switch (from) {
    case begin: m_position = static_cast<uint64_t>(offset); break;
    case current: m_position += static_cast<uint64_t>(offset); break;
    case end: m_position = CFile64::Seek(0, end) + static_cast<uint64_t>(offset); break;
    default: break;
  }
  if (m_position != before) m_shortRead = false;
  return m_position;
}

void CFile64Ex::SetLength(uint64_t length) {
  CFile64::SetLength(length);
  m_position = 0;
  m_shortRead = false;
}

uint32_t CFile64Ex::Read(void* buffer, uint32_t count) {
  if (count == 0) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  uint32_t wanted = count;
  while (wanted > 0) {
    const BufferDescriptor* cached = m_a.Holds(m_position) ? &m_a
                                     : m_b.Holds(m_position) ? &m_b
                                                             : nullptr;
    if (cached != nullptr) {
      const uint64_t offset = m_position - cached->position;
      uint32_t take = wanted;
      if (offset + take > cached->valid) take = static_cast<uint32_t>(cached->valid - offset);
      std::memcpy(out, cached->memory + offset, take);
      m_position += take;
      out += take;
      wanted -= take;
    } else if (wanted > m_bufferSize) {
      // Large requests bypass the buffers: a whole multiple of N, read
      // straight into the caller's memory.
      const uint32_t direct = wanted - wanted % m_bufferSize;
      const uint32_t got = ReadAt(out, direct);
      m_position += got;
      out += got;
      wanted -= got;
      if (got < direct) break;
    } else if (FillBuffer() == 0) {
      break;
    }
  }
  m_shortRead = wanted > 0;
  return count - wanted;
}

uint32_t CFile64Ex::FillBuffer() {
  BufferDescriptor* target;
  if (m_a.IsEmpty()) {
    target = &m_a;
  } else if (m_b.IsEmpty()) {
    target = &m_b;
  } else if (m_a.position >= m_position || m_b.position >= m_position) {
    target = m_b.position >= m_position ? &m_b : &m_a;
  } else {
    target = m_a.position < m_b.position ? &m_a : &m_b;
  }
  target->position = m_position;
  target->valid = ReadAt(target->memory, m_bufferSize);
  return target->valid;
}

void CFile64Ex::PositionHandle(uint64_t position) {
  SystemFiles().Seek(m_hFile, static_cast<int64_t>(position), SEEK_SET);
}

// Reads one piece at the handle's position. A failed read delivers the piece
// as zeros and moves past it. A failure at or past the end of the file is the
// end of the file: a device that fails every read must not make the reading
// run on forever.
uint32_t CFile64Ex::ReadPiece(uint8_t* destination, uint32_t count, uint64_t position,
                              bool& endOfFile) {
  CSystemFileApi& api = SystemFiles();
  const ssize_t got = api.Read(m_hFile, destination, count);
  if (got > 0) return static_cast<uint32_t>(got);
  if (got == 0) {
    endOfFile = true;
    return 0;
  }
  const int64_t size = api.Size(m_hFile);
  if (size >= 0 && position >= static_cast<uint64_t>(size)) {
    endOfFile = true;
    return 0;
  }
  std::memset(destination, 0, count);
  ++m_zeroFilledPieces;
  PositionHandle(position + count);
  return count;
}

// Reads count bytes at the logical position without moving it. The whole
// request is tried in one system read first; when that fails or comes back
// short, the rest is read in pieces that end on sector boundaries, so that an
// unreadable sector costs only its own bytes.
uint32_t CFile64Ex::ReadAt(uint8_t* destination, uint32_t count) {
  if (count == 0) return 0;
  CSystemFileApi& api = SystemFiles();
  const ssize_t got = api.ReadAt(m_hFile, destination, count, m_position);
  if (got == static_cast<ssize_t>(count)) return count;
  if (got == 0) return 0;
  uint32_t total = got > 0 ? static_cast<uint32_t>(got) : 0;
  // The pieces are read at the handle's position.
  PositionHandle(m_position + total);

  bool endOfFile = false;
  while (total < count && !endOfFile) {
    const uint64_t position = m_position + total;
    uint32_t piece = m_sectorSize - static_cast<uint32_t>(position % m_sectorSize);
    if (piece > count - total) piece = count - total;
    total += ReadPiece(destination + total, piece, position, endOfFile);
  }
  return total;
}

void CFile64Ex::Write(const void* buffer, uint32_t count) {
  if (count == 0) return;
  const uint64_t before = m_position;
  CSystemFileApi& api = SystemFiles();
  try {
    if (api.Seek(m_hFile, static_cast<int64_t>(m_position), SEEK_SET) >= 0) {
      CFile64::Write(buffer, count);
    }
  } catch (...) {
    const int64_t actual = api.Seek(m_hFile, 0, SEEK_CUR);
    if (actual >= 0) m_position = static_cast<uint64_t>(actual);
    if (m_position != before) m_shortRead = false;
    throw;
  }
  const int64_t actual = api.Seek(m_hFile, 0, SEEK_CUR);
  if (actual >= 0) m_position = static_cast<uint64_t>(actual);
  if (m_position != before) m_shortRead = false;
}

void CFile64Ex::Abort() {
  CFile64::Abort();
  m_shortRead = false;
}

void CFile64Ex::Flush() {
  if (m_hFile < 0) return;
  PositionHandle(m_position);
  CFile64::Flush();
}

void CFile64Ex::Close() {
  m_shortRead = false;
  CFile64::Close();
}
