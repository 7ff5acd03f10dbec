#include "parser/GrammarSupport.h"

#include <exception>
#include <memory>

#include "model/Document.h"
#include "model/Growth.h"
#include "model/ObjectTable.h"
#include "parser/ScannerSupport.h"

namespace {

std::exception_ptr g_parseFailure;

}  // namespace

// A failure inside the tokenizer ends the input: the parser then drops the
// object under construction and releases its stack as at a normal end.
int NextTokenGuarded(TokenValue* value) {
  try {
    return NextToken(value);
  } catch (...) {
    SaveParseFailure();
    return 0;
  }
}

void SaveParseFailure() noexcept {
  if (!g_parseFailure) g_parseFailure = std::current_exception();
}

void ClearParseFailure() { g_parseFailure = nullptr; }

int FinishParse(int result) {
  if (g_parseFailure) {
    std::exception_ptr failure = g_parseFailure;
    g_parseFailure = nullptr;
    std::rethrow_exception(failure);
  }
  return result == 2 ? 2 : 0;
}

void NoteBrokenPiece() noexcept {
  CPdfDocument* document = BoundDocument();
  CRepairReport* report = document != nullptr ? document->Report() : nullptr;
  if (report != nullptr) ++report->brokenPieces;
}

void AddIndirectObject(PdfObjectKey key, CPdfObject* object) {
  if (object == nullptr) return;
  // Only thorough recovery reads trailers; a source's own header never
  // carries their key there (MakeObjectHeader sees to that).
  if (key == kTrailerKey && ThoroughRecovery()) {
    std::unique_ptr<CPdfObject> trailer(object);
    CPdfDocument* document = BoundDocument();
    if (document != nullptr && trailer->Kind() == kindDictionary) {
      document->AddTrailer(std::unique_ptr<CPdfDictionary>(static_cast<CPdfDictionary*>(trailer.release())));
    }
    return;
  }
  if (CParsedObjectSink* sink = BoundObjectSink()) {
    sink->Take(key, object);
    return;
  }
  CPdfObjectTable* table = BoundObjectTable();
  if (table == nullptr) {
    delete object;
    return;
  }
  table->Add(key, object);
}

CStreamData* NewStreamData(const CPdfDictionary* dictionary) {
  uint64_t start = 0;
  if (CSourceReader* source = StreamDataSource(start)) return new CStreamData(*source, start);
  auto data = std::make_unique<CByteArray>();
  bool found = false;
  const CPdfObject* length = dictionary != nullptr ? dictionary->Lookup(PdfKeys::length, kindInteger, found) : nullptr;
  if (length != nullptr && length->Kind() == kindInteger) {
    const int32_t stated = static_cast<const CPdfInteger*>(length)->m_value;
    // The line ends around the data come on top of it.
    constexpr uint64_t kLineEnds = 4;
    // What the scanner has read ahead counts as still to come.
    constexpr uint64_t kReadAhead = 64 * 1024;
    if (stated >= 0 && static_cast<uint64_t>(stated) <= ScannerBytesLeft() + kReadAhead) {
      data->reserve(static_cast<size_t>(stated) + kLineEnds);
    }
  }
  return new CStreamData(std::move(*data));
}

CPdfText* NewString() { return new CPdfText(kindString, nullptr, 0); }

void AppendPiece(CPdfText* text, const BytePiece& piece) { text->Append(piece.bytes, piece.length); }

void Delimit(CPdfText* text, char open, char close) { text->Enclose(open, close); }

void SetEntry(CPdfDictionary* dictionary, CPdfObject* name, CPdfObject* value) {
  if (value != nullptr) dictionary->SetAt(static_cast<const CPdfText*>(name)->Bytes(), value);
  delete name;
}

void AddElement(CPdfArray* array, CPdfObject* element) {
  if (element != nullptr) array->Add(element);
}

CPdfStream* NewStream(CPdfDictionary* dictionary, CStreamData* data) {
  if (data->Source() != nullptr) data->m_zeroFilled = ZeroFilledSinceStreamStart();
  return new CPdfStream(dictionary, data);
}

CPdfStream* NewCutStream(CPdfDictionary* dictionary, CStreamData* data) {
  auto* stream = NewStream(dictionary, data);
  stream->m_cut = true;
  return stream;
}
