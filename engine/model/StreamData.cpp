#include "model/StreamData.h"

#include "io/SourceReader.h"

CStreamData::CStreamData(std::string bytes) : m_bytes(std::move(bytes)) {}

CStreamData::CStreamData(CSourceReader& source, uint64_t offset) : m_source(&source), m_offset(offset) {}

char CStreamData::operator[](size_t index) const {
  if (m_source == nullptr) return m_bytes[index];
  return index < m_size ? m_source->At(m_offset + index) : '\0';
}

void CStreamData::push_back(char byte) {
  if (m_source != nullptr) {
    ++m_size;
  } else {
    m_bytes.push_back(byte);
  }
}

void CStreamData::append(const char* bytes, size_t count) {
  if (m_source != nullptr) {
    m_size += count;
  } else {
    m_bytes.append(bytes, count);
  }
}

void CStreamData::Truncate(size_t size) {
  if (size >= this->size()) return;
  if (m_source != nullptr) {
    m_size = size;
  } else {
    m_bytes.resize(size);
  }
}

void CStreamData::Replace(std::string bytes) {
  m_bytes = std::move(bytes);
  m_source = nullptr;
  m_offset = 0;
  m_size = 0;
  m_zeroFilled = false;
}

std::string_view CStreamData::View(size_t offset, size_t count, std::string& scratch) const {
  const size_t total = size();
  if (offset > total) offset = total;
  if (count > total - offset) count = total - offset;
  if (m_source == nullptr) return std::string_view(m_bytes).substr(offset, count);
  scratch.resize(count);
  const size_t got = m_source->Read(m_offset + offset, scratch.data(), count);
  // Past the end of a file that shrank, as the copy makes it up: zeros.
  if (got < count) scratch.replace(got, count - got, count - got, '\0');
  return scratch;
}
