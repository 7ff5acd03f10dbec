#include "parser/ObjectStreams.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <string>
#include <vector>

#include "base/MessageSink.h"
#include "io/File64Ex.h"
#include "model/Document.h"
#include "model/PdfDictionary.h"
#include "model/Whitespace.h"
#include "parser/Parser.h"
#include "decode/StreamDecode.h"
#include "parser/Tokenizer.h"

namespace {

// Real object streams inflate to a few times their size; a deflate bomb to a
// thousand times. Decoding stops at these limits, relative to the source.
constexpr uint64_t kStreamLimitFactor = 8;
constexpr uint64_t kTotalLimitFactor = 32;
constexpr uint64_t kLimitAllowance = 16u << 20;

struct Container {
  PdfObjectKey key;
  const CPdfStream* stream;
};

// One object of a container: its number and where its bytes lie.
struct PackedEntry {
  uint32_t number;
  size_t begin;
  size_t end;
};

// The "number offset" pairs before /First: as many as /N says (or as the
// header holds when /N is unusable), up to the first thing that is no number.
std::vector<uint64_t> ReadHeaderNumbers(std::string_view header, int64_t count) {
  const size_t wanted = count >= 0 ? static_cast<size_t>(count) * 2 : SIZE_MAX;
  std::vector<uint64_t> numbers;
  size_t at = 0;
  while (numbers.size() < wanted) {
    while (at < header.size() && IsPdfWhitespace(header[at])) ++at;
    if (at == header.size() || header[at] < '0' || header[at] > '9') break;
    uint64_t value = 0;
    for (; at < header.size() && header[at] >= '0' && header[at] <= '9'; ++at) {
      value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(header[at] - '0'), UINT64_MAX / 16);
    }
    numbers.push_back(value);
  }
  return numbers;
}

// The usable entries of a container, in header order. An entry ends where
// the next higher offset begins; one that runs to the end of data that was
// cut short may itself be cut, and is left out.
std::vector<PackedEntry> ReadEntries(std::string_view decoded, int64_t count, size_t first, bool complete) {
  const std::vector<uint64_t> numbers = ReadHeaderNumbers(decoded.substr(0, first), count);
  const uint64_t room = decoded.size() - first;
  std::vector<uint64_t> offsets;
  for (size_t i = 0; i + 1 < numbers.size(); i += 2) {
    if (numbers[i + 1] < room) offsets.push_back(numbers[i + 1]);
  }
  std::sort(offsets.begin(), offsets.end());
  offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
  // One entry per offset, the first the header gives: the bytes are parsed
  // once, however many entries a damaged header points at them.
  std::vector<bool> taken(offsets.size(), false);
  std::vector<PackedEntry> entries;
  for (size_t i = 0; i + 1 < numbers.size(); i += 2) {
    const uint64_t number = numbers[i];
    const uint64_t offset = numbers[i + 1];
    // 0 is no object number; the two highest are the engine's own keys.
    if (number == 0 || number >= kUnresolvableKey.number || offset >= room) continue;
    const auto at = std::lower_bound(offsets.begin(), offsets.end(), offset);
    const auto slot = static_cast<size_t>(at - offsets.begin());
    if (taken[slot]) continue;
    taken[slot] = true;
    const auto next = at + 1;
    const size_t end = next != offsets.end() ? first + static_cast<size_t>(*next) : decoded.size();
    if (end == decoded.size() && !complete) continue;
    entries.push_back({static_cast<uint32_t>(number), first + static_cast<size_t>(offset), end});
  }
  return entries;
}

// Keeps the object of the expected key; anything else the bytes held is
// dropped.
class CEntrySink : public CParsedObjectSink {
 public:
  explicit CEntrySink(PdfObjectKey key) : m_key(key) {}
  void Take(PdfObjectKey key, CPdfObject* object) override {
    if (!m_object && key == m_key) {
      m_object.reset(object);
    } else {
      delete object;
    }
  }
  std::unique_ptr<CPdfObject> Release() { return std::move(m_object); }

 private:
  PdfObjectKey m_key;
  std::unique_ptr<CPdfObject> m_object;
};

// Parses one entry with the file's own grammar, framed as an indirect
// object, so that each entry stands alone: a broken one costs only itself.
std::unique_ptr<CPdfObject> ParseEntry(CPdfObjectTable& table, uint32_t number, std::string_view bytes,
                                       bool thorough, std::string& framed) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  framed.assign(digits, end);
  framed.append(" 0 obj\n");
  framed.append(bytes);
  framed.append("\nendobj\n");
  CEntrySink sink({number, 0});
  BindScannerToMemory(&table, framed, &sink, thorough);
  ResetTokenizer();
  if (thorough) {
    ParseTokensThoroughly();
  } else {
    ParseTokens();
  }
  return sink.Release();
}

// Puts the object behind every definition of its key that the source gave
// before the container, and behind objects of earlier containers; in front
// of definitions that came later. Parsed objects are older than every
// unpacked one, and their serial numbers follow the source's order.
void InsertByPrecedence(CPdfObjectTable& table, PdfObjectKey key, std::unique_ptr<CPdfObject> object,
                        uint64_t containerSerial, uint64_t firstUnpackedSerial) {
  const CPdfObjectList* list = table.Lookup(key);
  size_t index = SIZE_MAX;
  for (size_t i = 0; list != nullptr && i < list->GetCount(); ++i) {
    const uint64_t serial = list->GetAt(i)->SerialNumber();
    if (serial < firstUnpackedSerial && serial > containerSerial) {
      index = i;
      break;
    }
  }
  table.InsertAt(key, index, object.get());
  object.release();
}

// Thorough recovery also opens a stream that has the shape of an object
// stream (/N and /First) under a damaged /Type.
bool HasContainerShape(const CPdfDictionary& dictionary, std::string_view type) {
  if (type == "/XRef" || type == "/XObject" || type == "/Metadata" || type == "/EmbeddedFile") return false;
  bool found = false;
  dictionary.Lookup("/Subtype", kindName, found);
  if (found) return false;
  int64_t value = 0;
  return IntegerEntry(dictionary, "/N", value) && IntegerEntry(dictionary, "/First", value);
}

void FindStreams(const CPdfObjectTable& table, bool thorough, std::vector<Container>& containers,
                 std::vector<Container>& xrefs) {
  table.ForEach([&](const PdfObjectKey& key, const CPdfObjectList& list) {
    for (size_t i = 0; i < list.GetCount(); ++i) {
      const CPdfObject* object = list.GetAt(i);
      if (object->Kind() != kindStream) continue;
      const auto* stream = static_cast<const CPdfStream*>(object);
      if (stream->Dictionary() == nullptr) continue;
      const std::string_view type = stream->Dictionary()->TypeName();
      if (type == "/ObjStm" || (thorough && HasContainerShape(*stream->Dictionary(), type))) {
        containers.push_back({key, stream});
      }
      if (type == "/XRef") xrefs.push_back({key, stream});
    }
  });
  std::sort(containers.begin(), containers.end(), [](const Container& a, const Container& b) {
    return a.stream->SerialNumber() < b.stream->SerialNumber();
  });
}

// Answers whether the container was unpacked.
bool Unpack(CPdfObjectTable& table, const Container& container, uint64_t firstUnpackedSerial, uint64_t& budget,
            uint64_t streamLimit, bool thorough, CRepairReport* report) {
  CByteArray decoded;
  const DecodeOutcome outcome =
      DecodeStream(*container.stream, static_cast<size_t>(std::min(budget, streamLimit)), decoded);
  if (outcome == DecodeOutcome::unsupported) return false;
  // The container leaves the table: the writer's count of cut streams never sees it.
  if (report != nullptr && outcome == DecodeOutcome::cut && decoded.size() < std::min(budget, streamLimit)) {
    ++report->streamsCut;
  }
  budget -= std::min<uint64_t>(budget, decoded.size());
  int64_t first = 0;
  int64_t count = -1;
  const CPdfDictionary& dictionary = *container.stream->Dictionary();
  if (!IntegerEntry(dictionary, "/First", first) || first < 0 || static_cast<uint64_t>(first) > decoded.size()) {
    return false;
  }
  IntegerEntry(dictionary, "/N", count);
  const std::string_view bytes(decoded);
  std::string framed;  // one buffer for every entry's framing
  for (const PackedEntry& entry :
       ReadEntries(bytes, count, static_cast<size_t>(first), outcome == DecodeOutcome::complete)) {
    std::unique_ptr<CPdfObject> object =
        ParseEntry(table, entry.number, bytes.substr(entry.begin, entry.end - entry.begin), thorough, framed);
    if (object) {
      InsertByPrecedence(table, {entry.number, 0}, std::move(object), container.stream->SerialNumber(),
                         firstUnpackedSerial);
    }
  }
  return true;
}

}  // namespace

void UnpackObjectStreams(CPdfDocument& document, CFile64Ex& source) {
  CPdfObjectTable& table = document.Table();
  try {
    const uint64_t sourceLength = std::min<uint64_t>(source.GetLength(), uint64_t{1} << 48);
    std::vector<Container> containers;
    std::vector<Container> xrefs;
    FindStreams(table, document.Thorough(), containers, xrefs);
    if (containers.empty()) return;
    const uint64_t firstUnpackedSerial = NextSerialNumber();
    const uint64_t streamLimit = sourceLength * kStreamLimitFactor + kLimitAllowance;
    uint64_t budget = sourceLength * kTotalLimitFactor + kLimitAllowance;
    std::vector<Container> unpacked;
    for (const Container& container : containers) {
      if (Unpack(table, container, firstUnpackedSerial, budget, streamLimit, document.Thorough(), document.Report())) {
        unpacked.push_back(container);
      }
    }
    for (const Container& gone : unpacked) table.Remove(gone.key, gone.stream);
    for (const Container& gone : xrefs) table.Remove(gone.key, gone.stream);
  } catch (...) {
    if (const CMessageSink* engine = document.Engine()) engine->ReportCurrentException();
  }
}
