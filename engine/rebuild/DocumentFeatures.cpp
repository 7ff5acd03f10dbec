#include "rebuild/DocumentFeatures.h"

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "model/PdfDictionary.h"
#include "model/RepairReport.h"

namespace {

// No real document comes near this many nodes in one tree.
constexpr size_t kMostNodes = size_t{1} << 21;

const CPdfDictionary* AsDictionary(const CPdfObject* value) {
  value = Direct(value);
  return value != nullptr && value->Kind() == kindDictionary ? static_cast<const CPdfDictionary*>(value) : nullptr;
}

const CPdfArray* ArrayEntry(const CPdfDictionary& dictionary, std::string_view key) {
  const CPdfObject* value = DirectEntry(dictionary, key);
  return value != nullptr && value->Kind() == kindArray ? static_cast<const CPdfArray*>(value) : nullptr;
}

// The dictionaries met once each, up to the bound.
class CVisits {
 public:
  bool First(const CPdfDictionary* node) {
    return node != nullptr && m_seen.size() < kMostNodes && m_seen.insert(node).second;
  }

 private:
  std::unordered_set<const CPdfDictionary*> m_seen;
};

// Every item: each chain of /Next from a /First, and the chain below each.
uint64_t CountOutlineItems(const CPdfDictionary* outlines) {
  if (outlines == nullptr) return 0;
  uint64_t items = 0;
  CVisits visits;
  std::vector<const CPdfDictionary*> chains = {AsDictionary(DirectEntry(*outlines, "/First"))};
  while (!chains.empty()) {
    const CPdfDictionary* item = chains.back();
    chains.pop_back();
    for (; visits.First(item); item = AsDictionary(DirectEntry(*item, "/Next"))) {
      ++items;
      chains.push_back(AsDictionary(DirectEntry(*item, "/First")));
    }
  }
  return items;
}

// The pairs of a number or name tree's leaves (`leaves` is /Nums or /Names).
uint64_t CountTreeEntries(const CPdfDictionary* root, std::string_view leaves) {
  uint64_t entries = 0;
  CVisits visits;
  std::vector<const CPdfDictionary*> pending = {root};
  while (!pending.empty()) {
    const CPdfDictionary* node = pending.back();
    pending.pop_back();
    if (!visits.First(node)) continue;
    if (const CPdfArray* pairs = ArrayEntry(*node, leaves)) entries += pairs->GetCount() / 2;
    const CPdfArray* kids = ArrayEntry(*node, "/Kids");
    for (size_t i = 0; kids != nullptr && i < kids->GetCount(); ++i) pending.push_back(AsDictionary(kids->GetAt(i)));
  }
  return entries;
}

// A kid is a field of its own unless it is only a widget of its parent.
bool IsField(const CPdfDictionary& kid) {
  if (DirectEntry(kid, "/T") != nullptr) return true;
  const CPdfObject* subtype = DirectEntry(kid, "/Subtype");
  return subtype == nullptr || subtype->Kind() != kindName || static_cast<const CPdfText*>(subtype)->Bytes() != "/Widget";
}

uint64_t CountFormFields(const CPdfDictionary* form) {
  const CPdfArray* top = form != nullptr ? ArrayEntry(*form, "/Fields") : nullptr;
  if (top == nullptr) return 0;
  uint64_t fields = 0;
  CVisits visits;
  std::vector<const CPdfDictionary*> pending;
  for (size_t i = 0; i < top->GetCount(); ++i) pending.push_back(AsDictionary(top->GetAt(i)));
  while (!pending.empty()) {
    const CPdfDictionary* field = pending.back();
    pending.pop_back();
    if (!visits.First(field)) continue;
    ++fields;
    const CPdfArray* kids = ArrayEntry(*field, "/Kids");
    for (size_t i = 0; kids != nullptr && i < kids->GetCount(); ++i) {
      const CPdfDictionary* kid = AsDictionary(kids->GetAt(i));
      if (kid != nullptr && IsField(*kid)) pending.push_back(kid);
    }
  }
  return fields;
}

uint64_t CountNamedDestinations(const CPdfDictionary& catalog) {
  uint64_t destinations = 0;
  if (const CPdfDictionary* dests = AsDictionary(DirectEntry(catalog, "/Dests"))) {
    dests->ForEachValue([&](const CPdfObject*) { ++destinations; });
  }
  if (const CPdfDictionary* names = AsDictionary(DirectEntry(catalog, "/Names"))) {
    destinations += CountTreeEntries(AsDictionary(DirectEntry(*names, "/Dests")), "/Names");
  }
  return destinations;
}

}  // namespace

void CountDocumentFeatures(const CPdfDictionary& catalog, CRepairReport& report) {
  report.outlineItems = CountOutlineItems(AsDictionary(DirectEntry(catalog, "/Outlines")));
  report.pageLabels = CountTreeEntries(AsDictionary(DirectEntry(catalog, "/PageLabels")), "/Nums");
  report.formFields = CountFormFields(AsDictionary(DirectEntry(catalog, "/AcroForm")));
  report.namedDestinations = CountNamedDestinations(catalog);
}
