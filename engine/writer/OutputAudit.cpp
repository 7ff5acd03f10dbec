#include "writer/OutputAudit.h"

#include "decode/StreamDecode.h"
#include "model/RepairReport.h"
#include "model/ValueTree.h"

namespace {

// Data decoded past this is taken as whole: only an early end is looked for.
constexpr size_t kDecodeLimit = 64u << 20;

bool EndsEarly(const CPdfStream& stream) {
  if (stream.m_cut) return true;
  if (stream.Dictionary() == nullptr || stream.Data() == nullptr) return false;
  CByteArray decoded;
  return DecodeStream(stream, kDecodeLimit, decoded) == DecodeOutcome::cut && decoded.size() < kDecodeLimit;
}

}  // namespace

void AuditOutputObjects(const std::vector<CPdfObject*>& objects, CRepairReport& report) {
  for (CPdfObject* top : objects) {
    VisitValueTree(top, [&](CPdfObject& value) {
      if (value.Kind() == kindStream && EndsEarly(static_cast<const CPdfStream&>(value))) ++report.streamsCut;
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
}
