#include "rebuild/ResourceRepair.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "decode/StreamDecode.h"
#include "model/DecodeBudget.h"
#include "model/PdfDictionary.h"
#include "rebuild/PageTree.h"

namespace {

constexpr size_t kProgramLimit = 16u << 20;

bool IsKind(const CPdfObject* value, PdfObjectKind kind) { return value != nullptr && value->Kind() == kind; }

// What each category of resources holds.
enum class Holds { dictionary, stream, dictionaryOrStream, nameOrArray };

struct Category {
  std::string_view key;
  Holds holds;
};

constexpr Category kCategories[] = {
    {"/Font", Holds::dictionary},           {"/ExtGState", Holds::dictionary},
    {"/Properties", Holds::dictionary},     {"/XObject", Holds::stream},
    {"/Pattern", Holds::dictionaryOrStream}, {"/Shading", Holds::dictionaryOrStream},
    {"/ColorSpace", Holds::nameOrArray},
};

bool Fits(const CPdfObject* value, Holds holds) {
  switch (holds) {
    case Holds::dictionary:
      return IsKind(value, kindDictionary);
    case Holds::stream:
      return IsKind(value, kindStream);
    case Holds::dictionaryOrStream:
      return IsKind(value, kindDictionary) || IsKind(value, kindStream);
    case Holds::nameOrArray:
      return IsKind(value, kindName) || IsKind(value, kindArray);
  }
  return false;
}

// Keys of the entries whose values, followed through references, fail.
template <typename Fails>
std::vector<std::string> KeysWhere(const CPdfDictionary& dictionary, Fails fails) {
  std::vector<std::string> keys;
  dictionary.ForEach([&](std::string_view key, const CPdfObject* value) {
    if (value != nullptr && fails(Direct(value))) keys.emplace_back(key);
  });
  return keys;
}

void Drop(CPdfDictionary& dictionary, const std::vector<std::string>& keys) {
  for (const std::string& key : keys) dictionary.SetAt(key, nullptr);
}

class CResourceRepair {
 public:
  explicit CResourceRepair(CDecodeBudget& budget) : m_budget(budget) {}

  void RepairNode(CPdfDictionary& node);
  size_t Replaced() const { return m_replaced; }

 private:
  void RepairResources(CPdfDictionary& resources);
  bool ProgramUnreadable(const CPdfDictionary& font);
  void MakeStandard(CPdfDictionary& font);

  CDecodeBudget& m_budget;
  std::unordered_set<const CPdfObject*> m_seen;  // resources and fonts looked at
  size_t m_replaced = 0;
};

void CResourceRepair::RepairNode(CPdfDictionary& node) {
  bool found = false;
  CPdfObject* written = node.Lookup("/Resources", kindNull, found);
  if (written == nullptr) return;
  CPdfObject* resources = Direct(written);
  if (!IsKind(resources, kindDictionary)) {
    node.SetAt("/Resources", nullptr);
    return;
  }
  if (m_seen.insert(resources).second) RepairResources(*static_cast<CPdfDictionary*>(resources));
}

void CResourceRepair::RepairResources(CPdfDictionary& resources) {
  for (const Category& category : kCategories) {
    bool found = false;
    CPdfObject* written = resources.Lookup(category.key, kindNull, found);
    if (written == nullptr) continue;
    CPdfObject* entries = Direct(written);
    if (!IsKind(entries, kindDictionary)) {
      resources.SetAt(category.key, nullptr);
      continue;
    }
    auto& dictionary = *static_cast<CPdfDictionary*>(entries);
    if (!m_seen.insert(&dictionary).second) continue;
    Drop(dictionary, KeysWhere(dictionary, [&](const CPdfObject* value) { return !Fits(value, category.holds); }));
    if (category.key != "/Font") continue;
    dictionary.ForEachValue([&](CPdfObject* value) {
      CPdfObject* font = Direct(value);
      if (font == nullptr || !m_seen.insert(font).second) return;
      auto& fontDictionary = *static_cast<CPdfDictionary*>(font);
      if (ProgramUnreadable(fontDictionary)) MakeStandard(fontDictionary);
    });
  }
}

// A simple font whose descriptor names an embedded program that is no
// stream, or whose data does not decode to its end.
bool CResourceRepair::ProgramUnreadable(const CPdfDictionary& font) {
  bool found = false;
  const CPdfObject* subtype = font.Lookup("/Subtype", kindName, found);
  const std::string_view kind = found ? static_cast<const CPdfText*>(subtype)->Bytes() : std::string_view();
  if (kind != "/Type1" && kind != "/TrueType" && kind != "/MMType1") return false;
  const CPdfObject* descriptor = DirectEntry(font, "/FontDescriptor");
  if (!IsKind(descriptor, kindDictionary)) return false;
  for (std::string_view key : {"/FontFile", "/FontFile2", "/FontFile3"}) {
    bool present = false;
    const CPdfObject* written = static_cast<const CPdfDictionary*>(descriptor)->Lookup(key, kindNull, present);
    if (written == nullptr) continue;
    const CPdfObject* program = Direct(written);
    if (!IsKind(program, kindStream)) return true;
    const auto& stream = static_cast<const CPdfStream&>(*program);
    if (stream.Dictionary() == nullptr || stream.Data() == nullptr || m_budget.Spent()) return false;
    CByteArray decoded;
    bool limitReached = false;
    const DecodeOutcome outcome = DecodeStream(stream, kProgramLimit, m_budget, decoded, limitReached);
    return (outcome == DecodeOutcome::cut && !limitReached) || (outcome == DecodeOutcome::complete && decoded.empty());
  }
  return false;
}

// The text keeps its codes, its encoding and its widths; only the face is
// another.
void CResourceRepair::MakeStandard(CPdfDictionary& font) {
  font.SetAt("/Subtype", std::make_unique<CPdfText>(kindName, "/Type1", 6));
  font.SetAt("/BaseFont", std::make_unique<CPdfText>(kindName, "/Helvetica", 10));
  font.SetAt("/FontDescriptor", nullptr);
  ++m_replaced;
}

}  // namespace

size_t RepairPageResources(CPdfPagesNode& root, CDecodeBudget& budget) {
  CResourceRepair repair(budget);
  std::unordered_set<const CPdfObject*> seen = {&root};
  std::vector<CPdfDictionary*> pending = {&root};
  while (!pending.empty()) {
    CPdfDictionary* node = pending.back();
    pending.pop_back();
    repair.RepairNode(*node);
    const CPdfObject* kids = DirectEntry(*node, "/Kids");
    const auto* array = IsKind(kids, kindArray) ? static_cast<const CPdfArray*>(kids) : nullptr;
    for (size_t i = 0; array != nullptr && i < array->GetCount(); ++i) {
      CPdfObject* kid = Direct(array->GetAt(i));
      if ((IsPage(kid) || IsPages(kid)) && seen.insert(kid).second) pending.push_back(static_cast<CPdfDictionary*>(kid));
    }
  }
  return repair.Replaced();
}
