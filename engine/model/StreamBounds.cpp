#include "model/StreamBounds.h"

#include "model/PdfDictionary.h"
#include "model/Whitespace.h"

namespace {

bool IsEol(char byte) { return byte == '\r' || byte == '\n'; }
bool IsBlank(char byte) { return byte == ' ' || byte == '\t' || byte == '\f'; }

}  // namespace

StreamDataBounds FindStreamDataBounds(const CStreamData& data) {
  const size_t size = data.size();
  // Readers pass over blanks between the keyword and its end-of-line.
  size_t begin = 0;
  while (begin < size && IsBlank(data[begin])) ++begin;
  if (begin == size || !IsEol(data[begin])) begin = 0;
  if (size - begin >= 2 && data[begin] == '\r' && data[begin + 1] == '\n') {
    begin += 2;
  } else if (size - begin >= 1 && IsEol(data[begin])) {
    begin += 1;
  }
  size_t end = size;
  if (end >= begin + 2 && data[end - 2] == '\r' && data[end - 1] == '\n') {
    end -= 2;
  } else if (end >= begin + 1 && IsEol(data[end - 1])) {
    end -= 1;
  }
  return {begin, end};
}

bool DeclaredLengthFits(const CStreamData& data, size_t begin, int64_t declared) {
  if (declared < 0 || begin > data.size() || static_cast<uint64_t>(declared) > data.size() - begin) return false;
  for (size_t i = begin + static_cast<size_t>(declared); i < data.size(); ++i) {
    if (!IsPdfWhitespace(data[i])) return false;
  }
  return true;
}

bool FirstFilterIsFlate(const CPdfDictionary& dictionary) {
  const CPdfObject* filter = DirectEntry(dictionary, "/Filter");
  if (filter != nullptr && filter->Kind() == kindArray) {
    const auto& filters = static_cast<const CPdfArray&>(*filter);
    filter = filters.GetCount() > 0 ? Direct(filters.GetAt(0)) : nullptr;
  }
  if (filter == nullptr || filter->Kind() != kindName) return false;
  const std::string_view name = static_cast<const CPdfText*>(filter)->Bytes();
  return name == "/FlateDecode" || name == "/Fl";
}

size_t CutStreamDataLength(std::string_view data, size_t zlibEnd, int64_t stated) {
  if (zlibEnd != std::string_view::npos && zlibEnd <= data.size()) return zlibEnd;
  if (stated >= 0 && static_cast<uint64_t>(stated) <= data.size()) return static_cast<size_t>(stated);
  size_t end = data.size();
  while (end > 0 && IsPdfWhitespace(data[end - 1])) --end;
  constexpr std::string_view kEndobj = "endobj";
  if (end >= kEndobj.size() && data.substr(end - kEndobj.size(), kEndobj.size()) == kEndobj) {
    return end - kEndobj.size();
  }
  return data.size();
}

size_t CutStreamDataLength(const CStreamData& data, size_t begin, size_t zlibEnd, int64_t stated) {
  const size_t size = data.size() - begin;
  if (zlibEnd != std::string_view::npos && zlibEnd <= size) return zlibEnd;
  if (stated >= 0 && static_cast<uint64_t>(stated) <= size) return static_cast<size_t>(stated);
  // Only the tail is looked at, a window at a time: the data may be large
  // and stay in the source.
  constexpr size_t kWindow = 64 * 1024;
  constexpr std::string_view kEndobj = "endobj";
  CByteArray scratch;
  size_t end = size;
  while (end > 0) {
    const size_t from = end > kWindow ? end - kWindow : 0;
    const std::string_view window = data.View(begin + from, end - from, scratch);
    size_t at = window.size();
    while (at > 0 && IsPdfWhitespace(window[at - 1])) --at;
    end = from + at;
    if (at > 0) break;
  }
  if (end < kEndobj.size()) return size;
  return data.View(begin + end - kEndobj.size(), kEndobj.size(), scratch) == kEndobj ? end - kEndobj.size() : size;
}
