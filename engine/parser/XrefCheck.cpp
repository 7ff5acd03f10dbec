#include "parser/XrefCheck.h"

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "decode/StreamDecode.h"
#include "io/File64Ex.h"
#include "model/Document.h"
#include "model/PdfDictionary.h"
#include "model/Whitespace.h"
#include "parser/TrailerScan.h"

namespace {

// An update chain longer than this is a loop or a forgery.
constexpr size_t kMostSections = 512;
// "startxref" and its number sit in the last bytes of the file.
constexpr uint32_t kTailReach = 2048;
// An object's "endobj" is looked for this far before whatever comes next.
constexpr uint32_t kEndReach = 1024;
constexpr size_t kStreamLimit = 64u << 20;

// One object that a section lists in use, at an offset of the file.
struct Listed {
  PdfObjectKey key;
  uint64_t offset;
};

// Reads small pieces of the source at given offsets.
class CSourceBytes {
 public:
  explicit CSourceBytes(CFile64Ex& file) : m_file(file), m_length(file.GetLength()) {}
  uint64_t Length() const { return m_length; }
  std::string_view At(uint64_t position, uint64_t count) {
    if (position >= m_length) return {};
    count = std::min<uint64_t>({count, m_length - position, uint64_t{1} << 30});
    m_buffer.resize(static_cast<size_t>(count));
    m_file.Seek(static_cast<int64_t>(position), CFile64::begin);
    return std::string_view(m_buffer.data(), m_file.Read(m_buffer.data(), static_cast<uint32_t>(count)));
  }

 private:
  CFile64Ex& m_file;
  uint64_t m_length;
  std::string m_buffer;
};

// Words and numbers of a piece of the source, white space and comments
// between them skipped.
class CWords {
 public:
  explicit CWords(std::string_view bytes) : m_bytes(bytes) {}
  size_t Position() {
    Skip();
    return m_at;
  }
  // Where the last word read ends, before any white space or comment.
  size_t End() const { return m_at; }
  bool Unsigned(uint64_t& value) {
    Skip();
    const size_t from = m_at;
    value = 0;
    while (m_at < m_bytes.size() && m_bytes[m_at] >= '0' && m_bytes[m_at] <= '9' && m_at - from < 19) {
      value = value * 10 + static_cast<uint64_t>(m_bytes[m_at++] - '0');
    }
    return m_at > from;
  }
  bool Word(std::string_view word) {
    Skip();
    if (m_bytes.substr(m_at, word.size()) != word) return false;
    m_at += word.size();
    return true;
  }

 private:
  void Skip() {
    while (m_at < m_bytes.size()) {
      if (m_bytes[m_at] == '%') {
        while (m_at < m_bytes.size() && m_bytes[m_at] != '\r' && m_bytes[m_at] != '\n') ++m_at;
      } else if (IsPdfWhitespace(m_bytes[m_at])) {
        ++m_at;
      } else {
        break;
      }
    }
  }
  std::string_view m_bytes;
  size_t m_at = 0;
};

bool StartXref(CSourceBytes& source, uint64_t& offset) {
  const uint64_t length = source.Length();
  const uint64_t from = length > kTailReach ? length - kTailReach : 0;
  const std::string tail(source.At(from, kTailReach));
  const size_t at = tail.rfind("startxref");
  if (at == std::string::npos) return false;
  // Nothing but white space between the newest section and the keyword: a
  // trailer's ">>", or the "endobj" of a cross-reference stream.
  size_t end = at;
  while (end > 0 && IsPdfWhitespace(tail[end - 1])) --end;
  const std::string_view before = std::string_view(tail).substr(0, end);
  if (end > 8 && !before.ends_with(">>") && !before.ends_with("endobj")) return false;
  CWords words(std::string_view(tail).substr(at + 9));
  if (!words.Unsigned(offset)) return false;
  // The file ends there: no object follows (as one of an update cut off
  // inside its table would).
  const std::string_view rest = std::string_view(tail).substr(at + 9 + words.End());
  const size_t eof = rest.find("%%EOF");
  return eof != std::string_view::npos && rest.find("obj", eof) == std::string_view::npos;
}

// An object header "N G obj" anywhere in the bytes.
bool HoldsObjectHeader(std::string_view bytes) {
  for (size_t at = bytes.find("obj"); at != std::string_view::npos; at = bytes.find("obj", at + 3)) {
    size_t start = at;
    for (int number = 0; number < 2; ++number) {
      const size_t digitsEnd = start;
      while (start > 0 && IsPdfWhitespace(bytes[start - 1])) --start;
      if (start == digitsEnd) break;
      const size_t spaceStart = start;
      while (start > 0 && bytes[start - 1] >= '0' && bytes[start - 1] <= '9') --start;
      if (start == spaceStart) break;
      if (number == 1) return true;
    }
  }
  return false;
}

int64_t IntegerOf(const CPdfDictionary& dictionary, std::string_view key, int64_t fallback) {
  int64_t value = fallback;
  return IntegerEntry(dictionary, key, value) ? value : fallback;
}

class CXrefCheck {
 public:
  CXrefCheck(CPdfDocument& document, CFile64Ex& file) : m_document(document), m_file(file), m_source(file) {}

  bool Run() {
    uint64_t offset = 0;
    if (!StartXref(m_source, offset)) return false;
    std::vector<uint64_t> pending = {offset};
    std::set<uint64_t> seen;
    while (!pending.empty()) {
      const uint64_t section = pending.back();
      pending.pop_back();
      // A section met again is a loop of /Prev links.
      if (!seen.insert(section).second || seen.size() > kMostSections || !ReadSection(section, pending)) return false;
      m_boundaries.push_back(section);
    }
    // The newest /Size is one past the highest number any section lists.
    return m_newestSize == static_cast<int64_t>(m_highest) + 1 && ObjectsAreTrue() && EveryObjectListed();
  }

 private:
  bool ReadSection(uint64_t offset, std::vector<uint64_t>& pending) {
    const std::string head(m_source.At(offset, 64));
    // The offset names the section's first byte, not white space before it.
    if (head.empty() || IsPdfWhitespace(head[0])) return false;
    CWords words(head);
    if (words.Word("xref")) return ReadTable(offset + words.Position(), pending);
    uint64_t number = 0;
    uint64_t generation = 0;
    if (!words.Unsigned(number) || !words.Unsigned(generation) || !words.Word("obj")) return false;
    return ReadStream({static_cast<uint32_t>(number), static_cast<uint32_t>(generation)}, pending);
  }

  // Subsections of "first count" and their 20-byte lines, then the trailer.
  bool ReadTable(uint64_t at, std::vector<uint64_t>& pending) {
    for (;;) {
      std::string head(m_source.At(at, 64));
      CWords words(head);
      if (words.Word("trailer")) return ReadTrailer(at + words.Position(), pending);
      uint64_t first = 0;
      uint64_t count = 0;
      if (!words.Unsigned(first) || !words.Unsigned(count)) return false;
      if (count > m_source.Length() / 18 || first + count > UINT32_MAX) return false;
      at += words.Position();
      const std::string lines(m_source.At(at, count * kLineSize));
      size_t read = 0;
      for (uint64_t i = 0; i < count; ++i) {
        uint64_t offset = 0;
        uint64_t generation = 0;
        char type = 0;
        if (!ReadLine(lines, read, offset, generation, type)) return false;
        m_highest = std::max(m_highest, first + i);
        if (type == 'n') m_listed.push_back({{static_cast<uint32_t>(first + i), static_cast<uint32_t>(generation)}, offset});
      }
      at += read;
    }
  }

  // One line of a table: ten digits, a space, five digits, a space, n or f,
  // and a line end (two bytes as a rule; some writers give one, or more).
  static constexpr uint64_t kLineSize = 24;
  static bool ReadLine(std::string_view lines, size_t& at, uint64_t& offset, uint64_t& generation, char& type) {
    if (lines.size() - at < 19) return false;
    const std::string_view line = lines.substr(at, kLineSize);
    const auto digits = [&](size_t from, size_t count, uint64_t& value) {
      value = 0;
      for (size_t i = from; i < from + count; ++i) {
        if (line[i] < '0' || line[i] > '9') return false;
        value = value * 10 + static_cast<uint64_t>(line[i] - '0');
      }
      return true;
    };
    type = line[17];
    if (!digits(0, 10, offset) || line[10] != ' ' || !digits(11, 5, generation) || line[16] != ' ' ||
        (type != 'n' && type != 'f')) {
      return false;
    }
    // The line end: white space that holds a CR or LF, within a few bytes.
    size_t end = 18;
    bool eol = false;
    for (; end < line.size() && end < 22 && IsPdfWhitespace(line[end]); ++end) {
      if (line[end] == '\r' || line[end] == '\n') eol = true;
    }
    at += end;
    return eol;
  }

  bool ReadTrailer(uint64_t at, std::vector<uint64_t>& pending) {
    const std::unique_ptr<CPdfDictionary> trailer = ReadDictionaryAt(m_document, m_file, at, m_window, m_framed);
    return trailer && FollowLinks(*trailer, {"/Prev", "/XRefStm"}, pending);
  }

  // The trailer's /Size is a number, and so is every link it has. The
  // newest trailer's is kept.
  bool FollowLinks(const CPdfDictionary& trailer, std::initializer_list<const char*> links,
                   std::vector<uint64_t>& pending) {
    int64_t size = 0;
    if (!IntegerEntry(trailer, "/Size", size) || size < 0) return false;
    if (m_newestSize < 0) m_newestSize = size;
    for (const char* link : links) {
      if (DirectEntry(trailer, link) == nullptr) continue;
      const int64_t offset = IntegerOf(trailer, link, -1);
      if (offset < 0) return false;
      pending.push_back(static_cast<uint64_t>(offset));
    }
    return true;
  }

  const CPdfStream* XrefStream(PdfObjectKey key) const {
    const CPdfObjectList* list = m_document.Table().Lookup(key);
    for (size_t i = list != nullptr ? list->GetCount() : 0; i-- > 0;) {
      const CPdfObject* object = list->GetAt(i);
      if (object->Kind() != kindStream) continue;
      const auto* stream = static_cast<const CPdfStream*>(object);
      if (stream->Dictionary() != nullptr && stream->Dictionary()->TypeName() == "/XRef") return stream;
    }
    return nullptr;
  }

  bool ReadStream(PdfObjectKey key, std::vector<uint64_t>& pending) {
    const CPdfStream* stream = XrefStream(key);
    if (stream == nullptr) return false;
    const CPdfDictionary& dictionary = *stream->Dictionary();
    CByteArray decoded;
    if (DecodeStream(*stream, kStreamLimit, decoded) != DecodeOutcome::complete) return false;
    const CPdfObject* widths = DirectEntry(dictionary, "/W");
    if (widths == nullptr || widths->Kind() != kindArray || static_cast<const CPdfArray*>(widths)->GetCount() < 3) {
      return false;
    }
    int64_t w[3];
    for (size_t i = 0; i < 3; ++i) {
      if (!DirectInteger(static_cast<const CPdfArray*>(widths)->GetAt(i), w[i]) || w[i] < 0 || w[i] > 8) return false;
    }
    std::vector<int64_t> index;
    const CPdfObject* indexArray = DirectEntry(dictionary, "/Index");
    if (indexArray != nullptr && indexArray->Kind() == kindArray) {
      const auto& array = static_cast<const CPdfArray&>(*indexArray);
      for (size_t i = 0; i < array.GetCount(); ++i) {
        int64_t value = 0;
        if (!DirectInteger(array.GetAt(i), value) || value < 0) return false;
        index.push_back(value);
      }
    } else {
      index = {0, IntegerOf(dictionary, "/Size", 0)};
    }
    return ReadStreamEntries(decoded, w, index) && FollowLinks(dictionary, {"/Prev"}, pending);
  }

  bool ReadStreamEntries(std::string_view data, const int64_t (&w)[3], const std::vector<int64_t>& index) {
    const size_t width = static_cast<size_t>(w[0] + w[1] + w[2]);
    if (width == 0 || index.size() % 2 != 0) return false;
    size_t at = 0;
    const auto field = [&](int64_t size, uint64_t fallback) {
      if (size == 0) return fallback;
      uint64_t value = 0;
      for (int64_t i = 0; i < size; ++i) value = value << 8 | static_cast<uint8_t>(data[at++]);
      return value;
    };
    for (size_t pair = 0; pair < index.size(); pair += 2) {
      for (int64_t i = 0; i < index[pair + 1]; ++i) {
        if (data.size() - at < width) return false;
        const uint64_t type = field(w[0], 1);
        const uint64_t second = field(w[1], 0);
        const uint64_t third = field(w[2], 0);
        const uint64_t number = static_cast<uint64_t>(index[pair]) + static_cast<uint64_t>(i);
        if (number > UINT32_MAX) return false;
        m_highest = std::max(m_highest, number);
        if (type == 2) m_packed.insert(number);
        if (type == 1) m_listed.push_back({{static_cast<uint32_t>(number), static_cast<uint32_t>(third)}, second});
        if (type == 2 && !IsContainer(static_cast<uint32_t>(second))) return false;
      }
    }
    return true;
  }

  bool IsContainer(uint32_t number) {
    if (number == m_lastContainer) return true;
    const CPdfObjectList* list = m_document.Table().Lookup({number, 0});
    const CPdfObject* latest = list != nullptr ? list->GetLatest() : nullptr;
    if (latest == nullptr || latest->Kind() != kindStream) return false;
    const CPdfDictionary* dictionary = static_cast<const CPdfStream*>(latest)->Dictionary();
    if (dictionary == nullptr || dictionary->TypeName() != "/ObjStm") return false;
    m_lastContainer = number;
    return true;
  }

  // Every object the parse found is one a section lists.
  bool EveryObjectListed() const {
    std::unordered_set<uint64_t> listed(m_packed.begin(), m_packed.end());
    for (const Listed& entry : m_listed) listed.insert(uint64_t{entry.key.generation} << 32 | entry.key.number);
    bool all = true;
    m_document.Table().ForEach([&](const PdfObjectKey& key, const CPdfObjectList& list) {
      if (list.GetCount() != 0 && listed.count(uint64_t{key.generation} << 32 | key.number) == 0) all = false;
    });
    return all;
  }

  // Each listed object: its own header at its offset, parsed, and ended.
  bool ObjectsAreTrue() {
    for (const Listed& listed : m_listed) m_boundaries.push_back(listed.offset);
    m_boundaries.push_back(m_source.Length());
    std::sort(m_boundaries.begin(), m_boundaries.end());
    m_boundaries.erase(std::unique(m_boundaries.begin(), m_boundaries.end()), m_boundaries.end());
    for (const Listed& listed : m_listed) {
      if (!HeaderAt(listed)) return false;
      const CPdfObjectList* list = m_document.Table().Lookup(listed.key);
      if (list == nullptr || list->GetCount() == 0 || !EndedBefore(listed.offset)) return false;
    }
    return true;
  }

  bool HeaderAt(const Listed& listed) {
    const std::string head(m_source.At(listed.offset, 48));
    CWords words(head);
    uint64_t number = 0;
    uint64_t generation = 0;
    return words.Unsigned(number) && number == listed.key.number && words.Unsigned(generation) &&
           generation == listed.key.generation && words.Word("obj");
  }

  // The keyword stands as a word of its own: "59endobj" ends no object.
  bool EndedBefore(uint64_t offset) {
    const uint64_t next = *std::upper_bound(m_boundaries.begin(), m_boundaries.end(), offset);
    const uint64_t from = std::max(offset, next > kEndReach ? next - kEndReach : 0);
    const std::string_view bytes = m_source.At(from, next - from);
    for (size_t at = bytes.find("endobj"); at != std::string_view::npos; at = bytes.find("endobj", at + 1)) {
      if (at == 0 || IsPdfWhitespace(bytes[at - 1]) || std::string_view(")>]}").find(bytes[at - 1]) != std::string_view::npos) {
        return true;
      }
    }
    return false;
  }

  CPdfDocument& m_document;
  CFile64Ex& m_file;
  CSourceBytes m_source;
  std::vector<Listed> m_listed;
  std::vector<uint64_t> m_boundaries;  // where sections and listed objects begin
  uint32_t m_lastContainer = 0;
  std::unordered_set<uint64_t> m_packed;  // the numbers placed in object streams
  uint64_t m_highest = 0;     // the highest number a section lists
  int64_t m_newestSize = -1;  // the newest trailer's /Size
  std::string m_window;
  std::string m_framed;
};

}  // namespace

bool CrossReferenceIsSound(CPdfDocument& document, CFile64Ex& file) {
  return CXrefCheck(document, file).Run();
}

bool SourceEndsWhole(CFile64Ex& file) {
  CSourceBytes source(file);
  const uint64_t length = source.Length();
  const uint64_t from = length > kTailReach ? length - kTailReach : 0;
  const std::string_view tail = source.At(from, kTailReach);
  const size_t eof = tail.rfind("%%EOF");
  return eof != std::string_view::npos && !HoldsObjectHeader(tail.substr(eof));
}
