#include "WorkerProtocol.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

constexpr size_t kHeaderSize = 5;

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

bool WriteRecord(int fd, RecordKind kind, const char* data, size_t size) {
  // One write per record: records up to the pipe's atomic size arrive whole.
  std::string record(kHeaderSize, '\0');
  record[0] = static_cast<char>(kind);
  const auto length = static_cast<uint32_t>(size);
  std::memcpy(&record[1], &length, sizeof length);
  record.append(data, size);
  return WriteAll(fd, record.data(), record.size());
}

void RecordReader::Append(const char* data, size_t size) {
  m_buffer.erase(0, m_start);  // what is left is at most a partial record
  m_start = 0;
  m_buffer.append(data, size);
}

bool RecordReader::Next(RecordKind& kind, std::string& data) {
  if (m_buffer.size() - m_start < kHeaderSize) return false;
  uint32_t length = 0;
  std::memcpy(&length, &m_buffer[m_start + 1], sizeof length);
  if (m_buffer.size() - m_start - kHeaderSize < length) return false;
  kind = static_cast<RecordKind>(m_buffer[m_start]);
  data.assign(m_buffer, m_start + kHeaderSize, length);
  m_start += kHeaderSize + length;
  return true;
}
