#pragma once

#include <cstddef>
#include <string>

// A worker process reports the engine's messages to the front end over a
// pipe, one record each: a kind byte, a 4-byte length, the data.
enum class RecordKind : char { progress = 'P', logLine = 'L', error = 'E', report = 'R' };

// Writes one record; false when the front end is gone.
bool WriteRecord(int fd, RecordKind kind, const char* data, size_t size);

// Collects the bytes read from a pipe and hands out complete records.
class RecordReader {
 public:
  void Append(const char* data, size_t size);
  bool Next(RecordKind& kind, std::string& data);

 private:
  std::string m_buffer;
  size_t m_start = 0;
};
