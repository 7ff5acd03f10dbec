#include "writer/StreamLength.h"

#include <cstdint>
#include <memory>

#include "model/PdfDictionary.h"
#include "model/StreamBounds.h"

namespace {

// The integer a /Length value stands for, directly or through a reference.
bool LengthValue(const CPdfObject* value, int64_t& length) {
  if (value != nullptr && value->Kind() == kindReference) {
    value = static_cast<const CPdfReference*>(value)->Resolve();
  }
  if (value == nullptr || value->Kind() != kindInteger) return false;
  length = static_cast<const CPdfInteger*>(value)->m_value;
  return true;
}

void SettleLength(CPdfStream& stream) {
  CPdfDictionary* dictionary = stream.Dictionary();
  if (dictionary == nullptr || stream.Data() == nullptr) return;  // written as nothing
  const StreamDataBounds bounds = FindStreamDataBounds(*stream.Data());
  const auto trueLength = static_cast<int64_t>(bounds.end - bounds.begin);
  bool found = false;
  int64_t stated = -1;
  // Readers take the length with or without the last end-of-line; both
  // readings occur in real files, so either is kept as the source wrote it.
  if (LengthValue(dictionary->Lookup("/Length", kindInteger, found), stated) &&
      (stated == trueLength || stated == static_cast<int64_t>(stream.Data()->size() - bounds.begin))) {
    return;
  }
  if (trueLength > INT32_MAX) return;  // no integer of the model can say it
  dictionary->SetAt("/Length", std::make_unique<CPdfInteger>(static_cast<int32_t>(trueLength)));
}

}  // namespace

void SettleStreamLengths(const std::vector<CPdfObject*>& objects) {
  // An explicit work list: nesting depth is the source's to choose.
  std::vector<CPdfObject*> pending;
  for (CPdfObject* top : objects) {
    pending.push_back(top);
    while (!pending.empty()) {
      CPdfObject* object = pending.back();
      pending.pop_back();
      if (object == nullptr) continue;
      switch (object->Kind()) {
        case kindStream: {
          auto& stream = static_cast<CPdfStream&>(*object);
          SettleLength(stream);
          pending.push_back(stream.Dictionary());
          break;
        }
        case kindArray: {
          const auto& array = static_cast<const CPdfArray&>(*object);
          for (size_t i = 0; i < array.GetCount(); ++i) pending.push_back(array.GetAt(i));
          break;
        }
        case kindDictionary:
          static_cast<const CPdfDictionary&>(*object).ForEach(
              [&](std::string_view, CPdfObject* value) { pending.push_back(value); });
          break;
        default:
          break;
      }
    }
  }
}
