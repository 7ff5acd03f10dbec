#include "writer/PdfWriter.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string_view>

#include "base/EngineStrings.h"
#include "base/Exceptions.h"
#include "base/MessageSink.h"
#include "model/Document.h"
#include "model/PdfDictionary.h"
#include "model/ValueOutput.h"
#include "model/BufferedOutput.h"
#include "writer/OutputAudit.h"
#include "writer/Reencrypt.h"
#include "writer/CutStreams.h"
#include "writer/StreamFraming.h"
#include "writer/StreamLength.h"

namespace {

constexpr char kBinaryCommentLine[] = "%\xE2\xE3\xCF\xD3\r\n";
// A cross-reference entry has ten digits for the offset: a file that goes
// further cannot be described by the table, and is no repaired file.
constexpr uint64_t kFirstOffsetTooLarge = 10'000'000'000;

uint64_t TableOffset(const CBufferedOutput& out) {
  const uint64_t offset = out.GetPosition();
  if (offset >= kFirstOffsetTooLarge) throw CNotSupportedException();
  return offset;
}

// Every salvaged definition gets a number, then every added object, before
// anything is written, so every reference writes a final number.
std::vector<CPdfObject*> NumberObjects(const CPdfDocument& document, uint64_t& counter) {
  std::vector<CPdfObject*> output;
  output.reserve(document.Table().GetCandidateCount() + document.AddedObjects().GetCount());
  const auto number = [&](CPdfObject* object) {
    if (object == nullptr) return;
    object->SetOutputNumbers(counter);
    ++counter;
    output.push_back(object);
  };
  document.Table().ForEach([&](const PdfObjectKey&, const CPdfObjectList& list) {
    for (size_t i = 0; i < list.GetCount(); ++i) number(list.GetAt(i));
  });
  const CPdfObjectList& added = document.AddedObjects();
  for (size_t i = 0; i < added.GetCount(); ++i) number(added.GetAt(i));
  return output;
}

void WriteFormatted(CFile64& file, const char* format, auto... arguments) {
  char text[96];
  const int length = std::snprintf(text, sizeof text, format, arguments...);
  file.Write(text, static_cast<uint32_t>(length));
}

void WriteTrailer(const CPdfDocument& document, CBufferedOutput& out, uint64_t counter, CPdfObject* root,
                  CPdfObject* info) {
  CPdfDictionary trailer;
  trailer.SetAt("/Size", std::make_unique<CPdfInteger>(static_cast<int32_t>(counter)));
  trailer.SetAt("/Root", std::make_unique<CPdfReference>(kUnresolvableKey, root, nullptr));
  if (info != nullptr) {
    trailer.SetAt("/Info", std::make_unique<CPdfReference>(kUnresolvableKey, info, nullptr));
  }
  AddEncryptionEntries(document, trailer);
  out.AppendLiteral("trailer\r\n");
  AppendValue(trailer, out);
}

void AppendIndirectObject(const CPdfObject& object, CBufferedOutput& out) {
  out.AppendDecimal(object.m_outputNumber);
  out.AppendLiteral(" ");
  out.AppendDecimal(object.OutputGeneration());
  out.AppendLiteral(" obj\r\n");
  AppendValue(object, out);
  out.AppendLiteral("endobj\r\n");
}

// The value zero-padded to at least `width` digits, as "%0*llu" gives it.
void AppendPadded(CBufferedOutput& out, uint64_t value, size_t width) {
  char text[24];
  const size_t length = static_cast<size_t>(std::to_chars(text, text + sizeof text, value).ptr - text);
  constexpr char kZeros[] = "0000000000000000000000";
  if (length < width) out.Append(kZeros, width - length);
  out.Append(text, length);
}

// The lines of the string table's two formats, without formatting each.
constexpr std::string_view kInUseFormat = "%010llu %05lu n\r\n";
constexpr std::string_view kFreeFormat = "%010llu %05lu f\r\n";

// One line of the cross-reference table, by the string table's formats.
class CXrefLines {
 public:
  CXrefLines()
      : m_inUse(LoadEngineString(idsXrefInUseLine)),
        m_free(LoadEngineString(idsXrefFreeLine)),
        m_known(m_inUse == kInUseFormat && m_free == kFreeFormat) {}

  void Append(CBufferedOutput& out, bool inUse, uint64_t offset, uint32_t generation) const {
    if (!m_known) {
      WriteFormatted(out, inUse ? m_inUse.c_str() : m_free.c_str(), static_cast<unsigned long long>(offset),
                     static_cast<unsigned long>(generation));
      return;
    }
    AppendPadded(out, offset, 10);
    out.AppendLiteral(" ");
    AppendPadded(out, generation, 5);
    if (inUse) {
      out.AppendLiteral(" n\r\n");
    } else {
      out.AppendLiteral(" f\r\n");
    }
  }

 private:
  std::string m_inUse;
  std::string m_free;
  bool m_known;
};

// The whole table as one subsection: the free entry 0, then one line per
// object in number order. Only the objects' offsets are kept while writing:
// a line entry per object would cost a salvaged file megabytes.
void AppendXrefTable(CBufferedOutput& out, const std::vector<CPdfObject*>& objects,
                     const std::vector<uint64_t>& offsets) {
  WriteFormatted(out, "%" PRIu32 " %zu\r\n", uint32_t{0}, objects.size() + 1);
  const CXrefLines lines;
  lines.Append(out, false, 0, 65535);
  for (size_t i = 0; i < objects.size(); ++i) lines.Append(out, true, offsets[i], objects[i]->OutputGeneration());
}

// Steps after the header; answers false on a stop request.
bool WriteBody(CPdfDocument& document, CPdfObject* root, CPdfObject* info, CBufferedOutput& out) {
  const CMessageSink* engine = document.Engine();
  uint64_t counter = 1;
  std::vector<CPdfObject*> objects = NumberObjects(document, counter);
  CRepairReport* report = document.Report();
  if (report != nullptr) AuditOutputObjects(objects, document.DecodeBudget(), *report);
  if (document.Thorough()) MendCutFlateStreams(objects, document.DecodeBudget());
  EncryptForOutput(document, objects, counter);
  SettleStreamLengths(objects, report != nullptr ? &report->streamsMended : nullptr);
  if (document.Thorough()) FrameStreamsAnew(objects);
  std::vector<uint64_t> offsets;
  offsets.reserve(objects.size());
  const size_t n = objects.size();
  for (size_t i = 0; i < n; ++i) {
    offsets.push_back(TableOffset(out));
    AppendIndirectObject(*objects[i], out);
    if (report != nullptr) report->objectsWritten = i + 1;
    if (engine != nullptr && engine->QueryStop() != 0) return false;
    if (engine != nullptr) {
      engine->SendProgress(static_cast<uint8_t>(80 + static_cast<int>(20.0 * static_cast<double>(i + 1) /
                                                                    static_cast<double>(n))));
    }
  }
  const uint64_t xrefOffset = out.GetPosition();
  out.AppendLiteral("xref\r\n");
  AppendXrefTable(out, objects, offsets);
  WriteTrailer(document, out, counter, root, info);
  WriteFormatted(out, "startxref\r\n%" PRIu64 "\r\n%%%%EOF", xrefOffset);
  return true;
}

}  // namespace

void WriteIndirectObject(const CPdfObject* object, CFile64& file) {
  if (object == nullptr) return;
  CBufferedOutput out(file, 4096);
  AppendIndirectObject(*object, out);
  out.Flush();
}

void WriteXrefSubsection(const std::vector<CXrefEntry>& entries, size_t first, size_t last, CFile64& file) {
  if (first > last || last >= entries.size()) return;
  if (entries[last].m_number - entries[first].m_number != last - first) return;
  CBufferedOutput out(file);
  WriteFormatted(out, "%" PRIu32 " %zu\r\n", entries[first].m_number, last - first + 1);
  const CXrefLines lines;
  for (size_t i = first; i <= last; ++i) {
    lines.Append(out, entries[i].m_inUse != 0, entries[i].m_offset, entries[i].m_generation);
  }
  out.Flush();
}

int WriteDocument(CPdfDocument& document, const std::string& version, CPdfObject* root,
                  CPdfObject* info, CFile64& file) {
  const CMessageSink* engine = document.Engine();
  if (engine != nullptr) engine->SendStringMessage(msgLogLine, idsWritingResult);
  if (root == nullptr) return 0;

  std::unique_ptr<CBufferedOutput> out;
  try {
    out = std::make_unique<CBufferedOutput>(file);
    const std::string header(LoadEngineString(idsHeaderLine));
    WriteFormatted(*out, header.c_str(), version.c_str());
    out->Write(kBinaryCommentLine, sizeof kBinaryCommentLine - 1);
    // A stop leaves the header and every object written so far in the file.
    const bool complete = WriteBody(document, root, info, *out);
    out->Flush();
    return complete ? 1 : 0;
  } catch (...) {
    if (engine != nullptr) engine->ReportCurrentException();
    // What was gathered before the failure still goes to the file, as it
    // would have without the gathering; a second failure changes nothing.
    try {
      if (out) out->Flush();
    } catch (...) {
    }
    return 0;
  }
}
