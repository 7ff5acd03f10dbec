#include "writer/StreamLength.h"

#include <cstdint>
#include <memory>
#include <string_view>

#include "model/PdfDictionary.h"
#include "model/StreamBounds.h"
#include "model/ValueTree.h"
#include "model/Whitespace.h"
#include "decode/EncodedPieces.h"
#include "decode/StreamDecode.h"

namespace {

// A stream whose "endstream" is missing ends as CutStreamDataLength says;
// the line end after its data stays, as before an "endstream".
void EndCutStream(CPdfStream& stream, int64_t stated) {
  const CStreamData& data = *stream.Data();
  const size_t begin = FindStreamDataBounds(data).begin;
  const size_t size = data.size() - begin;
  const bool flate = stream.Dictionary() != nullptr && FirstFilterIsFlate(*stream.Dictionary());
  size_t zlibEnd = std::string_view::npos;
  if (flate) {
    CEncodedPieces pieces(data, begin, size);
    zlibEnd = DeflatedSize(pieces, size);
  }
  const size_t length = CutStreamDataLength(data, begin, zlibEnd, stated);
  size_t end = begin + length;
  if (length == size) return;
  if (end < data.size() && data[end] == '\r') ++end;
  if (end < data.size() && data[end] == '\n') ++end;
  stream.TruncateData(end);
}

// Answers whether it set the length.
bool SettleLength(CPdfStream& stream) {
  CPdfDictionary* dictionary = stream.Dictionary();
  if (dictionary == nullptr || stream.Data() == nullptr) return false;  // written as nothing
  bool found = false;
  int64_t stated = -1;
  const bool hasLength = DirectInteger(dictionary->Lookup(PdfKeys::length, kindInteger, found), stated);
  if (stream.m_cut) EndCutStream(stream, hasLength ? stated : -1);
  const size_t begin = FindStreamDataBounds(*stream.Data()).begin;
  // A declared length that fits is right as the source wrote it, whichever
  // end-of-line before "endstream" it counts.
  if (hasLength && DeclaredLengthFits(*stream.Data(), begin, stated)) return false;
  const auto trueLength = static_cast<int64_t>(StreamDataEnd(stream) - begin);
  if (trueLength > INT32_MAX) return false;  // no integer of the model can say it
  dictionary->SetAt("/Length", std::make_unique<CPdfInteger>(static_cast<int32_t>(trueLength)));
  return true;
}

}  // namespace

void SettleStreamLengths(const std::vector<CPdfObject*>& objects, uint64_t* mended) {
  if (CPdfStream::LiveCount() == 0) return;
  VisitValueTrees(objects, [mended](CPdfObject& value) {
    if (value.Kind() == kindStream && SettleLength(static_cast<CPdfStream&>(value)) && mended != nullptr) ++*mended;
    return true;
  });
}
