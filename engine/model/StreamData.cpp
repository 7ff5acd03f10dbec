#include "model/StreamData.h"

#include <algorithm>

#include "io/SourceReader.h"

CStreamData::CStreamData(std::string bytes) : m_bytes(std::move(bytes)) {}

CStreamData::CStreamData(CSourceReader& source, uint64_t offset)
    : m_source(&source), m_offset(offset), m_zeroRuns(ZeroRuns::none) {}

CStreamData::CStreamData(std::string lineEnd, std::unique_ptr<CDataTransform> transform)
    : m_bytes(std::move(lineEnd)), m_transform(std::move(transform)) {}

CStreamData::~CStreamData() = default;
CStreamData::CStreamData(CStreamData&&) noexcept = default;
CStreamData& CStreamData::operator=(CStreamData&&) noexcept = default;

char CStreamData::operator[](size_t index) const {
  if (m_transform) {
    std::string scratch;
    const std::string_view byte = View(index, 1, scratch);
    return byte.empty() ? '\0' : byte[0];
  }
  if (m_source == nullptr) return m_bytes[index];
  return index < m_size ? m_source->At(m_offset + index) : '\0';
}

void CStreamData::Materialize() {
  if (!m_transform) return;
  std::string bytes;
  bytes.reserve(size());
  std::string scratch;
  const std::string_view all = View(scratch);
  bytes.assign(all);
  m_transform.reset();
  m_bytes = std::move(bytes);
}

void CStreamData::push_back(char byte) {
  Materialize();
  if (m_source != nullptr) {
    ++m_size;
    LookForZeroRun(&byte, 1);
  } else {
    m_bytes.push_back(byte);
  }
}

void CStreamData::append(const char* bytes, size_t count) {
  Materialize();
  if (m_source != nullptr) {
    m_size += count;
    LookForZeroRun(bytes, count);
  } else {
    m_bytes.append(bytes, count);
  }
}

void CStreamData::Truncate(size_t size) {
  if (size >= this->size()) return;
  Materialize();
  if (m_source != nullptr) {
    m_size = size;
  } else {
    m_bytes.resize(size);
  }
}

void CStreamData::Replace(std::string bytes) {
  m_bytes = std::move(bytes);
  m_transform.reset();
  m_source = nullptr;
  m_offset = 0;
  m_size = 0;
  m_zeroFilled = false;
  m_zeroRuns = ZeroRuns::unknown;
}

// Any run of kZeroRunLength zeros inside the bytes holds one of every half
// run's length: only those are looked at, and the run around a zero found.
// Runs that begin in earlier bytes carry on from the zeros at their end.
void CStreamData::LookForZeroRun(const char* bytes, size_t count) {
  if (m_zeroRuns != ZeroRuns::none || count == 0) return;
  constexpr size_t kStep = kZeroRunLength / 2;
  size_t leading = 0;
  while (leading < count && bytes[leading] == '\0') ++leading;
  if (m_zerosAtEnd + leading >= kZeroRunLength) {
    m_zeroRuns = ZeroRuns::some;
    return;
  }
  if (leading == count) {
    m_zerosAtEnd += count;
    return;
  }
  for (size_t at = leading; at < count; at += kStep) {
    if (bytes[at] != '\0') continue;
    size_t begin = at;
    while (begin > 0 && bytes[begin - 1] == '\0') --begin;
    size_t end = at + 1;
    while (end < count && bytes[end] == '\0') ++end;
    if (end - begin >= kZeroRunLength) {
      m_zeroRuns = ZeroRuns::some;
      return;
    }
    at = end;
  }
  size_t trailing = 0;
  while (trailing < count && bytes[count - 1 - trailing] == '\0') ++trailing;
  m_zerosAtEnd = trailing;
}

std::string_view CStreamData::View(size_t offset, size_t count, std::string& scratch) const {
  const size_t total = size();
  if (offset > total) offset = total;
  if (count > total - offset) count = total - offset;
  if (m_transform) {
    const size_t lineEnd = m_bytes.size();
    const size_t made = m_transform->Size();
    if (offset + count <= lineEnd) return std::string_view(m_bytes).substr(offset, count);
    scratch.clear();
    scratch.reserve(count);
    if (offset < lineEnd) scratch.append(m_bytes, offset, lineEnd - offset);
    const size_t from = offset > lineEnd ? offset - lineEnd : 0;
    const size_t to = std::min(offset + count - lineEnd, made);
    if (from < to) m_transform->Read(from, to - from, scratch);
    static constexpr std::string_view kEnd = "\r\n";
    const size_t endFrom = offset > lineEnd + made ? offset - lineEnd - made : 0;
    const size_t endTo = offset + count - lineEnd - made;
    if (offset + count > lineEnd + made) scratch.append(kEnd.substr(endFrom, endTo - endFrom));
    return scratch;
  }
  if (m_source == nullptr) return std::string_view(m_bytes).substr(offset, count);
  scratch.resize(count);
  const size_t got = m_source->Read(m_offset + offset, scratch.data(), count);
  // Past the end of a file that shrank, as the copy makes it up: zeros.
  if (got < count) scratch.replace(got, count - got, count - got, '\0');
  return scratch;
}
