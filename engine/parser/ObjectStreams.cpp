#include "parser/ObjectStreams.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/MessageSink.h"
#include "io/File64Ex.h"
#include "model/DecodeBudget.h"
#include "model/Document.h"
#include "model/ObjectPool.h"
#include "model/PdfDictionary.h"
#include "model/Whitespace.h"
#include "parser/Parser.h"
#include "decode/StreamDecode.h"
#include "parser/Tokenizer.h"

namespace {

// Real object streams inflate to a few times their size; a deflate bomb to a
// thousand times. Decoding one stops here, relative to the source; all of
// them together within the run's budget.
constexpr uint64_t kStreamLimitFactor = 8;
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
// cut short may itself be cut, and is left out. `listed` tells how many
// entries the header gave before those of a repeated number were left out.
std::vector<PackedEntry> ReadEntries(std::string_view decoded, int64_t count, size_t first, bool complete,
                                     size_t& listed) {
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
  listed = entries.size();
  // One entry per number, the last the header gives: a container is written
  // at once and holds one version of an object, the one that wins. The
  // others would cost a parse and an object each, hundreds of thousands of
  // times for a few bytes of header.
  std::unordered_set<uint32_t> numbersSeen;
  std::vector<PackedEntry> kept;
  for (size_t i = entries.size(); i-- > 0;) {
    if (numbersSeen.insert(entries[i].number).second) kept.push_back(entries[i]);
  }
  std::reverse(kept.begin(), kept.end());
  return kept;
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

uint64_t g_unpackingSteps = 0;  // list places looked at, for UnpackingSteps

// Where an object of a container goes in the list of its key: behind
// every definition the source gave before the container and behind objects
// of earlier containers; in front of definitions that came later. Those
// later ones are all that can follow (containers are unpacked in source
// order), so the place is found from the end, past no more than them.
// Parsed objects are older than every unpacked one, and their serial
// numbers follow the source's order.
size_t PrecedencePlace(const CPdfObjectList* list, uint64_t containerSerial, uint64_t firstUnpackedSerial) {
  size_t index = list != nullptr ? list->GetCount() : 0;
  while (index > 0) {
    ++g_unpackingSteps;
    const uint64_t serial = list->GetAt(index - 1)->SerialNumber();
    if (serial >= firstUnpackedSerial || serial <= containerSerial) break;
    --index;
  }
  return index;
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

// The most memory the values parsed from one byte other than white space
// can take ("0" makes an integer and its place in an array): an entry is
// parsed only when its worst case fits in what the budget has left.
constexpr uint64_t kValueBytesPerByte = 40;

uint64_t WorstValueBytes(std::string_view entry) {
  uint64_t bytes = 0;
  for (const char byte : entry) bytes += IsPdfWhitespace(byte) ? 0 : 1;
  return bytes * kValueBytesPerByte;
}

// What a container claims to hold, for the count of objects lost with it.
uint64_t ClaimedCount(const CPdfDictionary& dictionary) {
  int64_t count = 0;
  if (!IntegerEntry(dictionary, "/N", count) || count < 1) return 1;
  return std::min<uint64_t>(static_cast<uint64_t>(count), uint64_t{1} << 24);
}

struct UnpackRun {
  CPdfDocument& document;
  uint64_t firstUnpackedSerial;
  uint64_t streamLimit;
};

// Parses the entries while the budget holds their values; answers how many
// were left unparsed for want of it.
uint64_t ParseEntries(const UnpackRun& run, const Container& container, const std::vector<PackedEntry>& entries,
                      std::string_view bytes) {
  CDecodeBudget& budget = run.document.DecodeBudget();
  CPdfObjectTable& table = run.document.Table();
  std::string framed;  // one buffer for every entry's framing
  size_t parsed = 0;
  for (; parsed < entries.size(); ++parsed) {
    const PackedEntry& entry = entries[parsed];
    const std::string_view text = bytes.substr(entry.begin, entry.end - entry.begin);
    if (!budget.Holds(WorstValueBytes(text))) {
      budget.NoteShortfall();
      break;
    }
    // The table's own room for the object counts too.
    const size_t memory = ModelBytesInUse();
    std::unique_ptr<CPdfObject> object = ParseEntry(table, entry.number, text, run.document.Thorough(), framed);
    if (object) {
      const PdfObjectKey key{entry.number, 0};
      const CPdfObjectList* list = table.Lookup(key);
      table.InsertAt(key, PrecedencePlace(list, container.stream->SerialNumber(), run.firstUnpackedSerial),
                     object.get());
      object.release();
    }
    budget.Spend(ModelBytesInUse() > memory ? ModelBytesInUse() - memory : 0);
  }
  return entries.size() - parsed;
}

// Answers whether the container was unpacked.
bool Unpack(const UnpackRun& run, const Container& container) {
  CDecodeBudget& budget = run.document.DecodeBudget();
  CRepairReport* report = run.document.Report();
  const CPdfDictionary& dictionary = *container.stream->Dictionary();
  CByteArray decoded;
  bool limitReached = false;
  const DecodeOutcome outcome =
      DecodeStream(*container.stream, static_cast<size_t>(run.streamLimit), budget, decoded, limitReached);
  if (outcome == DecodeOutcome::unsupported) return false;
  // Nothing decoded for want of budget: the objects it holds are lost.
  if (decoded.empty() && limitReached) {
    run.document.AddObjectsDropped(ClaimedCount(dictionary));
    return false;
  }
  // The container leaves the table: the writer's count of cut streams never sees it.
  if (report != nullptr && outcome == DecodeOutcome::cut && !limitReached) ++report->streamsCut;
  int64_t first = 0;
  int64_t count = -1;
  if (!IntegerEntry(dictionary, "/First", first) || first < 0 || static_cast<uint64_t>(first) > decoded.size()) {
    return false;
  }
  IntegerEntry(dictionary, "/N", count);
  const std::string_view bytes(decoded);
  size_t listed = 0;
  const std::vector<PackedEntry> entries =
      ReadEntries(bytes, count, static_cast<size_t>(first), outcome == DecodeOutcome::complete, listed);
  uint64_t dropped = ParseEntries(run, container, entries, bytes);
  // The budget stopped the decoding: what the header promised past the
  // entries that were read is lost too.
  if (limitReached && budget.Spent() && ClaimedCount(dictionary) > listed) dropped += ClaimedCount(dictionary) - listed;
  run.document.AddObjectsDropped(dropped);
  return true;
}

}  // namespace

uint64_t UnpackingSteps() { return g_unpackingSteps; }

bool UnpackObjectStreams(CPdfDocument& document, CFile64Ex& source) {
  CPdfObjectTable& table = document.Table();
  try {
    const uint64_t sourceLength = std::min<uint64_t>(source.GetLength(), uint64_t{1} << 48);
    if (!document.DecodeBudget().Started()) document.DecodeBudget().Start(sourceLength);
    std::vector<Container> containers;
    std::vector<Container> xrefs;
    FindStreams(table, document.Thorough(), containers, xrefs);
    if (containers.empty()) return true;
    const UnpackRun run{document, NextSerialNumber(), sourceLength * kStreamLimitFactor + kLimitAllowance};
    std::vector<Container> unpacked;
    for (const Container& container : containers) {
      if (Unpack(run, container)) unpacked.push_back(container);
    }
    for (const Container& gone : unpacked) table.Remove(gone.key, gone.stream);
    for (const Container& gone : xrefs) table.Remove(gone.key, gone.stream);
  } catch (...) {
    if (const CMessageSink* engine = document.Engine()) engine->ReportCurrentException();
    return false;
  }
  return true;
}
