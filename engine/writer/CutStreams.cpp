#include "writer/CutStreams.h"

#include <cstdint>
#include <memory>

#include "decode/EncodedPieces.h"
#include "decode/Reflate.h"
#include "decode/StreamDecode.h"
#include "model/PdfDictionary.h"
#include "model/StreamBounds.h"
#include "model/ValueTree.h"
#include "writer/OutputAudit.h"

namespace {

bool MendCutFlateStream(CPdfStream& stream, CDecodeBudget& budget) {
  CPdfDictionary* dictionary = stream.Dictionary();
  if (dictionary == nullptr || stream.Data() == nullptr || !FirstFilterIsFlate(*dictionary)) return false;
  if (!stream.m_cut && !DataMayEndEarly(stream)) return false;
  const CStreamData& data = *stream.Data();
  const size_t begin = FindStreamDataBounds(data).begin;
  // Data without "endstream" runs to where the scanner stopped: the zlib
  // data itself tells where it ends.
  const size_t end = stream.m_cut ? data.size() : StreamDataEnd(stream);
  CEncodedPieces pieces(data, begin, end - begin);
  CByteArray deflated;
  if (ReflateCutData(pieces, budget, deflated) != ReflateOutcome::cut || deflated.size() > INT32_MAX) return false;
  const auto length = static_cast<int32_t>(deflated.size());
  CByteArray result;
  result.reserve(deflated.size() + 4);
  if (begin > 0) {
    CByteArray lineEnd;
    result.assign(data.View(0, begin, lineEnd));
  } else {
    result.assign("\r\n");
  }
  result += deflated;
  result += "\r\n";
  stream.ReplaceData(std::move(result));
  stream.m_cut = false;
  dictionary->SetAt("/Length", std::make_unique<CPdfInteger>(length));
  return true;
}

}  // namespace

size_t MendCutFlateStreams(const std::vector<CPdfObject*>& objects, CDecodeBudget& budget) {
  if (CPdfStream::LiveCount() == 0) return 0;
  size_t mended = 0;
  VisitValueTrees(objects, [&](CPdfObject& value) {
    if (value.Kind() == kindStream && MendCutFlateStream(static_cast<CPdfStream&>(value), budget)) ++mended;
    return true;
  });
  return mended;
}
