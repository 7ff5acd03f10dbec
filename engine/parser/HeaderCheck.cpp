#include <algorithm>

#include "io/File64Ex.h"
#include "parser/ParseRun.h"

// The first line ends at CR, LF, NUL or the end of the file. Only its first
// eight bytes decide, so however long it runs, no more than those are kept;
// it is scanned a block at a time and the file is left after the line's end.
std::string ReadHeaderVersion(CFile64Ex& file) {
  constexpr size_t kDecidingBytes = 8;
  constexpr uint32_t kBlock = 4096;
  file.Seek(0, CFile64::begin);
  std::string line;
  char block[kBlock];
  uint64_t position = 0;
  for (;;) {
    const uint32_t got = file.Read(block, kBlock);
    uint32_t i = 0;
    while (i < got && block[i] != '\r' && block[i] != '\n' && block[i] != '\0') ++i;
    if (line.size() < kDecidingBytes) line.append(block, std::min<size_t>(i, kDecidingBytes - line.size()));
    if (i < got) {
      file.Seek(static_cast<int64_t>(position + i + 1), CFile64::begin);
      break;
    }
    position += got;
    if (got < kBlock) break;
  }
  if (line.size() < kDecidingBytes || line.compare(0, 7, "%PDF-1.") != 0) return {};
  const char digit = line[7];
  if (digit < '0' || digit > '6') return {};
  return line.substr(5, 3);
}
