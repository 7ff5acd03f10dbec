#include "writer/OutputAudit.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "decode/StreamDecode.h"
#include "model/PdfDictionary.h"
#include "model/StreamBounds.h"
#include "model/RepairReport.h"
#include "model/ValueTree.h"

namespace {

// Data decoded past this is taken as whole: only an early end is looked for.
constexpr size_t kDecodeLimit = 64u << 20;

// Looks through the data a window at a time; windows overlap by a run's
// length, so a run across their border is found.
bool HoldsZeroRun(const CPdfStream& stream) {
  static const std::string zeros(kZeroRunLength, '\0');
  constexpr size_t kWindow = size_t{1} << 20;
  const CStreamData& data = *stream.Data();
  if (!data.MayHoldZeroRun()) return false;
  const size_t begin = FindStreamDataBounds(data).begin;
  const size_t end = StreamDataEnd(stream);
  CByteArray scratch;
  for (size_t at = begin; at + kZeroRunLength <= end; at += kWindow - kZeroRunLength) {
    if (data.View(at, std::min(kWindow, end - at), scratch).find(zeros) != std::string_view::npos) return true;
    if (end - at <= kWindow) break;
  }
  return false;
}

}  // namespace

// Inflating every stream to find the cut ones would cost several times the
// repair itself: only filtered data with a reason for doubt is decoded.
bool DataMayEndEarly(const CPdfStream& stream) {
  if (DirectEntry(*stream.Dictionary(), "/Filter") == nullptr) return false;
  if (!DeclaredLengthHolds(stream)) return true;
  if (stream.Data()->m_zeroFilled) return true;
  return HoldsZeroRun(stream);
}

namespace {

// The keyword "stream" ends with CR LF or LF; its /Filter is a name or an
// array of them.
bool Malformed(const CPdfStream& stream) {
  if (stream.Dictionary() == nullptr || stream.Data() == nullptr) return false;
  const CStreamData& data = *stream.Data();
  const bool lineEnd = (!data.empty() && data[0] == '\n') || (data.size() >= 2 && data[0] == '\r' && data[1] == '\n');
  const CPdfObject* filter = DirectEntry(*stream.Dictionary(), "/Filter");
  return !lineEnd || (filter != nullptr && filter->Kind() != kindName && filter->Kind() != kindArray);
}

bool EndsEarly(const CPdfStream& stream, CDecodeBudget& budget) {
  if (stream.m_cut) return true;
  if (stream.Dictionary() == nullptr || stream.Data() == nullptr || !DataMayEndEarly(stream)) return false;
  CByteArray decoded;
  bool limitReached = false;
  return DecodeStream(stream, kDecodeLimit, budget, decoded, limitReached) == DecodeOutcome::cut && !limitReached;
}

}  // namespace

void AuditOutputObjects(const std::vector<CPdfObject*>& objects, CDecodeBudget& budget, CRepairReport& report) {
  VisitValueTrees(objects, [&](CPdfObject& value) {
    if (value.Kind() == kindStream) {
      const auto& stream = static_cast<const CPdfStream&>(value);
      if (EndsEarly(stream, budget)) ++report.streamsCut;
      if (Malformed(stream)) ++report.streamsMalformed;
    }
    if (value.Kind() != kindReference) return true;
    const auto& reference = static_cast<const CPdfReference&>(value);
    // The engine's own links name no number of the source.
    if (reference.m_target == nullptr && reference.m_key.number < kTrailerKey.number &&
        reference.Resolve() == nullptr) {
      report.missingObjects.insert(reference.m_key.number);
    }
    return true;
  });
}
