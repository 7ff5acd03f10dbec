// Thorough recovery: a page whose content streams survived but whose font
// did not shows no text at all, in any reader. A standard font in the lost
// one's place brings the text back, in another face.
#include "rebuild/LostFonts.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/DecodeBudget.h"
#include "model/Document.h"
#include "model/ObjectTable.h"
#include "model/PdfDictionary.h"
#include "model/Whitespace.h"
#include "decode/StreamDecode.h"
#include "rebuild/PageTree.h"

namespace {

// Decoding stops here per stream: only the font operators are looked for.
constexpr size_t kContentLimit = 16u << 20;

CPdfDictionary* AsDictionary(CPdfObject* object) {
  return object != nullptr && object->Kind() == kindDictionary ? static_cast<CPdfDictionary*>(object) : nullptr;
}

bool IsSpace(char byte) { return IsPdfWhitespace(byte); }
bool IsDelimiterOrSpace(char byte) {
  return IsPdfWhitespace(byte) || std::string_view("()<>[]{}/%").find(byte) != std::string_view::npos;
}
bool IsNumberByte(char byte) { return (byte >= '0' && byte <= '9') || byte == '.' || byte == '-' || byte == '+'; }

// The names set by "/Name size Tf" in content bytes: from each operator
// back over the size to the name.
void CollectFontNames(std::string_view content, std::unordered_set<std::string>& names) {
  for (size_t at = content.find("Tf"); at != std::string_view::npos; at = content.find("Tf", at + 2)) {
    if (at + 2 < content.size() && !IsDelimiterOrSpace(content[at + 2])) continue;
    size_t cursor = at;
    const auto skip = [&](auto matches) {
      const size_t from = cursor;
      while (cursor > 0 && matches(content[cursor - 1])) --cursor;
      return from - cursor;
    };
    if (skip(IsSpace) == 0 || skip(IsNumberByte) == 0 || skip(IsSpace) == 0) continue;
    const size_t nameEnd = cursor;
    if (skip([](char byte) { return !IsDelimiterOrSpace(byte); }) == 0 || cursor == 0 || content[cursor - 1] != '/') {
      continue;
    }
    names.emplace(content.substr(cursor - 1, nameEnd - cursor + 1));
  }
}

// The font names each content stream sets, decoded once however many pages
// draw it, within the run's budget.
class CContentFontNames {
 public:
  explicit CContentFontNames(CDecodeBudget& budget) : m_budget(budget) {}
  void Collect(const CPdfDictionary& page, std::unordered_set<std::string>& names) {
    CPdfObject* contents = DirectEntry(page, "/Contents");
    if (contents != nullptr && contents->Kind() == kindStream) Add(static_cast<const CPdfStream&>(*contents), names);
    if (contents == nullptr || contents->Kind() != kindArray) return;
    const auto* array = static_cast<const CPdfArray*>(contents);
    for (size_t i = 0; i < array->GetCount(); ++i) {
      CPdfObject* element = Direct(array->GetAt(i));
      if (element != nullptr && element->Kind() == kindStream) Add(static_cast<const CPdfStream&>(*element), names);
    }
  }

 private:
  void Add(const CPdfStream& stream, std::unordered_set<std::string>& names) {
    auto [found, isNew] = m_byStream.try_emplace(&stream);
    if (isNew && stream.Dictionary() != nullptr && stream.Data() != nullptr) {
      CByteArray decoded;
      bool limitReached = false;
      if (DecodeStream(stream, kContentLimit, m_budget, decoded, limitReached) != DecodeOutcome::unsupported) {
        CollectFontNames(decoded, found->second);
      }
    }
    names.insert(found->second.begin(), found->second.end());
  }

  std::unordered_map<const CPdfStream*, std::unordered_set<std::string>> m_byStream;
  CDecodeBudget& m_budget;
};

// A font dictionary as readers take one: typed /Font, or with the entries
// every font has.
bool IsFont(CPdfObject* value) {
  const CPdfDictionary* font = AsDictionary(Direct(value));
  if (font == nullptr) return false;
  bool found = false;
  font->Lookup("/Subtype", kindName, found);
  if (found) return true;
  font->Lookup("/BaseFont", kindName, found);
  return found || font->TypeName() == "/Font";
}

std::unique_ptr<CPdfDictionary> StandardFont(CPdfObject* encoding) {
  auto font = std::make_unique<CPdfDictionary>();
  const auto name = [](std::string_view text) { return std::make_unique<CPdfText>(kindName, text.data(), text.size()); };
  font->SetAt("/Type", name("/Font"));
  font->SetAt("/Subtype", name("/Type1"));
  font->SetAt("/BaseFont", name("/Helvetica"));
  if (encoding != nullptr && encoding->Kind() == kindName) {
    const std::string& text = static_cast<const CPdfText*>(encoding)->m_bytes;
    font->SetAt("/Encoding", name(text));
  } else if (encoding != nullptr) {
    font->SetAt("/Encoding", std::make_unique<CPdfReference>(kUnresolvableKey, encoding, nullptr));
  }
  return font;
}

// The standard font that stands in for every lost one: an object of its own,
// made when first needed. A font written directly in the resources has no
// object number, and some readers (poppler) then ask for one that the
// cross-reference table does not hold and rebuild the table from scratch.
class CStandardFontSupply {
 public:
  CStandardFontSupply(CPdfObjectList& added, CPdfObject* encoding) : m_added(added), m_encoding(encoding) {}

  std::unique_ptr<CPdfReference> NewReference() {
    if (m_font == nullptr) {
      std::unique_ptr<CPdfDictionary> created = StandardFont(m_encoding);
      m_added.Add(created.get());
      m_font = created.release();
    }
    return std::make_unique<CPdfReference>(kUnresolvableKey, m_font, nullptr);
  }

 private:
  CPdfObjectList& m_added;
  CPdfObject* m_encoding;
  CPdfDictionary* m_font = nullptr;
};

std::string NameBytes(const CPdfObject* value) {
  return value != nullptr && value->Kind() == kindName ? static_cast<const CPdfText*>(value)->m_bytes : std::string();
}

// An encoding as comparable text: a name's bytes, or a dictionary's base
// encoding (a name, never followed further) and differences; empty for the
// font's own encoding.
std::string EncodingKey(CPdfObject* encoding) {
  if (encoding != nullptr && encoding->Kind() == kindName) return NameBytes(encoding);
  const CPdfDictionary* dictionary = AsDictionary(encoding);
  if (dictionary == nullptr) return {};
  std::string key = NameBytes(DirectEntry(*dictionary, "/BaseEncoding")) + "+";
  const CPdfObject* differences = DirectEntry(*dictionary, "/Differences");
  if (differences == nullptr || differences->Kind() != kindArray) return key;
  const auto* array = static_cast<const CPdfArray*>(differences);
  for (size_t i = 0; i < array->GetCount(); ++i) {
    const CPdfObject* element = array->GetAt(i);
    if (element == nullptr) continue;
    if (element->Kind() == kindInteger) key += " " + std::to_string(static_cast<const CPdfInteger*>(element)->m_value);
    if (element->Kind() == kindName) key += static_cast<const CPdfText*>(element)->m_bytes;
  }
  return key;
}

// What another font can take over of a font's /Encoding: a name, or a
// dictionary that is an object of its own; a direct dictionary lends only its
// base encoding. Null for anything else: the font's own encoding.
CPdfObject* LendableEncoding(CPdfObject* written) {
  CPdfObject* encoding = Direct(written);
  if (encoding == nullptr || encoding->Kind() == kindName) return encoding;
  if (encoding->Kind() != kindDictionary) return nullptr;
  if (written->Kind() == kindReference) return encoding;
  CPdfObject* base = DirectEntry(*static_cast<CPdfDictionary*>(encoding), "/BaseEncoding");
  return base != nullptr && base->Kind() == kindName ? base : nullptr;
}

// The codes of a lost font are read as most surviving fonts read theirs:
// writers tend to give all their simple fonts one encoding. Answers one
// font's /Encoding value of the most common kind, or null for the fonts' own.
CPdfObject* MostCommonEncoding(const CPdfObjectTable& table) {
  std::unordered_map<std::string, std::pair<int, CPdfObject*>> counts;
  table.ForEach([&](const PdfObjectKey&, const CPdfObjectList& list) {
    const CPdfDictionary* font = AsDictionary(list.GetLatest());
    if (font == nullptr || font->TypeName() != "/Font") return;
    bool found = false;
    CPdfObject* written = font->Lookup("/Encoding", kindReference, found);
    auto& [count, sample] = counts[EncodingKey(Direct(written))];
    ++count;
    if (sample == nullptr) sample = LendableEncoding(written);
  });
  int best = 0;
  const std::string* bestKey = nullptr;
  CPdfObject* chosen = nullptr;
  for (const auto& [key, entry] : counts) {
    // Ties go to the shorter key, then the smaller, so the choice does not
    // hang on hash order.
    const bool better = entry.first > best ||
                        (entry.first == best && (key.size() < bestKey->size() ||
                                                 (key.size() == bestKey->size() && key < *bestKey)));
    if (!better) continue;
    best = entry.first;
    bestKey = &key;
    chosen = entry.second;
  }
  return chosen;
}

// Some writers name each font after its object number ("/R17" for object
// 17): when that object survived as a font, it is the one that was lost.
CPdfObject* FontNamedByNumber(const CPdfObjectTable& table, std::string_view name) {
  if (name.size() < 3 || name.size() > 11 || name.substr(0, 2) != "/R") return nullptr;
  uint64_t number = 0;
  for (const char digit : name.substr(2)) {
    if (digit < '0' || digit > '9') return nullptr;
    number = number * 10 + static_cast<uint64_t>(digit - '0');
  }
  if (number == 0 || number > UINT32_MAX) return nullptr;
  const CPdfObjectList* list = table.Lookup({static_cast<uint32_t>(number), 0});
  CPdfObject* font = list != nullptr ? list->GetLatest() : nullptr;
  return IsFont(font) ? font : nullptr;
}

// The fonts dictionary a page draws with: in its own resources, else in
// the inherited ones; null for none.
CPdfDictionary* FontsOf(const CPdfDictionary& page, CPdfDictionary* inherited) {
  CPdfDictionary* resources = AsDictionary(DirectEntry(page, "/Resources"));
  if (resources == nullptr) resources = inherited;
  return resources != nullptr ? AsDictionary(DirectEntry(*resources, "/Font")) : nullptr;
}

// What a page lacks: the names its content streams select that its fonts
// dictionary does not hold as a font, and whether one of them is lost for
// good (no surviving font's number names it).
struct MissingFonts {
  std::vector<std::string> names;
  bool lostForGood = false;
};

// The missing fonts of each pair of fonts dictionary and contents, worked
// out once: thousands of pages that share their contents and resources
// share the answer, and cost no more than one page.
class CMissingFontFinder {
 public:
  CMissingFontFinder(const CPdfObjectTable& table, CDecodeBudget& budget) : m_table(table), m_contentNames(budget) {}

  // Null for a pair already answered when `onlyNew` is set.
  const MissingFonts* Find(const CPdfDictionary& page, CPdfDictionary* fonts, bool onlyNew = false) {
    const CPdfObject* contents = DirectEntry(page, "/Contents");
    if (contents == nullptr) return &m_none;
    auto [found, isNew] = m_byPair.try_emplace(Pair{fonts, contents});
    if (!isNew) return onlyNew ? nullptr : &found->second;
    std::unordered_set<std::string> names;
    m_contentNames.Collect(page, names);
    for (const std::string& name : names) {
      bool present = false;
      if (fonts != nullptr && IsFont(fonts->Lookup(name, kindDictionary, present))) continue;
      found->second.names.push_back(name);
      if (FontNamedByNumber(m_table, name) == nullptr) found->second.lostForGood = true;
    }
    // Names in a fixed order: the output does not hang on hash order.
    std::sort(found->second.names.begin(), found->second.names.end());
    return &found->second;
  }

 private:
  struct Pair {
    const CPdfObject* fonts;
    const CPdfObject* contents;
    bool operator==(const Pair& other) const { return fonts == other.fonts && contents == other.contents; }
  };
  struct PairHash {
    size_t operator()(const Pair& pair) const {
      return std::hash<const void*>()(pair.fonts) * 31 + std::hash<const void*>()(pair.contents);
    }
  };
  const CPdfObjectTable& m_table;
  CContentFontNames m_contentNames;
  std::unordered_map<Pair, MissingFonts, PairHash> m_byPair;
  MissingFonts m_none;
};

// Stands in for the lost fonts of every page. A fonts dictionary that
// lacks fonts gets them once, however many pages draw with it; pages
// without one share one replacement dictionary (and, without resources,
// one resources dictionary) per contents. Every entry made spends the
// run's budget: pages whose fonts dictionaries are all their own cannot
// make the output grow past it.
class CFontRestorer {
 public:
  CFontRestorer(CPdfDocument& document, CStandardFontSupply& standardFont)
      : m_document(document), m_finder(document.Table(), document.DecodeBudget()), m_standardFont(standardFont) {}

  void Restore(CPdfDictionary& page, CPdfDictionary* inherited) {
    CPdfDictionary* resources = AsDictionary(DirectEntry(page, "/Resources"));
    if (resources == nullptr) resources = inherited;
    CPdfDictionary* fonts = resources != nullptr ? AsDictionary(DirectEntry(*resources, "/Font")) : nullptr;
    if (fonts != nullptr) {
      if (const MissingFonts* missing = m_finder.Find(page, fonts, true)) Fill(*fonts, missing->names);
      return;
    }
    const MissingFonts* missing = m_finder.Find(page, nullptr);
    if (missing->names.empty()) return;
    Shared& shared = m_shared[DirectEntry(page, "/Contents")];
    if (shared.fonts == nullptr) {
      shared.fonts = AddObject(std::make_unique<CPdfDictionary>());
      Fill(*shared.fonts, missing->names);
    }
    if (resources != nullptr) {
      resources->SetAt("/Font", Link(shared.fonts));
      return;
    }
    if (shared.resources == nullptr) {
      auto created = std::make_unique<CPdfDictionary>();
      created->SetAt("/Font", Link(shared.fonts));
      shared.resources = AddObject(std::move(created));
    }
    page.SetAt("/Resources", Link(shared.resources));
  }

  size_t Replaced() const { return m_replaced; }

 private:
  struct Shared {
    CPdfDictionary* fonts = nullptr;
    CPdfDictionary* resources = nullptr;
  };
  // An entry takes a name and a reference: no more than this.
  static constexpr uint64_t kEntryBytes = 256;

  void Fill(CPdfDictionary& fonts, const std::vector<std::string>& names) {
    CDecodeBudget& budget = m_document.DecodeBudget();
    for (const std::string& name : names) {
      if (!budget.Holds(kEntryBytes)) {
        budget.NoteShortfall();
        return;
      }
      budget.Spend(kEntryBytes);
      if (CPdfObject* numbered = FontNamedByNumber(m_document.Table(), name)) {
        fonts.SetAt(name, Link(numbered));
      } else {
        fonts.SetAt(name, m_standardFont.NewReference());
        ++m_replaced;
      }
    }
  }
  CPdfDictionary* AddObject(std::unique_ptr<CPdfDictionary> created) {
    m_document.AddedObjects().Add(created.get());
    return created.release();
  }
  static std::unique_ptr<CPdfReference> Link(CPdfObject* target) {
    return std::make_unique<CPdfReference>(kUnresolvableKey, target, nullptr);
  }

  CPdfDocument& m_document;
  CMissingFontFinder m_finder;
  CStandardFontSupply& m_standardFont;
  std::unordered_map<const CPdfObject*, Shared> m_shared;
  size_t m_replaced = 0;
};

// Visits every page below the root once, with the resources it would
// inherit; the walk is safe against loops.
template <typename Visit>
void ForEachPage(CPdfPagesNode& root, Visit visit) {
  struct Pending {
    CPdfDictionary* node;
    CPdfDictionary* inherited;  // the resources a page below would inherit
  };
  std::unordered_set<const CPdfObject*> seen;
  std::vector<Pending> pending = {{&root, nullptr}};
  while (!pending.empty()) {
    const Pending next = pending.back();
    pending.pop_back();
    if (!seen.insert(next.node).second) continue;
    if (IsPage(next.node)) {
      visit(*next.node, next.inherited);
      continue;
    }
    CPdfDictionary* own = AsDictionary(DirectEntry(*next.node, "/Resources"));
    bool isArray = false;
    const CPdfObject* kids = next.node->Lookup("/Kids", kindArray, isArray);
    if (!isArray) continue;
    const auto* array = static_cast<const CPdfArray*>(kids);
    for (size_t i = 0; i < array->GetCount(); ++i) {
      CPdfDictionary* kid = AsDictionary(Direct(array->GetAt(i)));
      if (IsPage(kid) || IsPages(kid)) pending.push_back({kid, own != nullptr ? own : next.inherited});
    }
  }
}

}  // namespace

size_t RestoreLostFonts(CPdfPagesNode& root, CPdfDocument& document) {
  CStandardFontSupply standardFont(document.AddedObjects(), MostCommonEncoding(document.Table()));
  CFontRestorer restorer(document, standardFont);
  ForEachPage(root, [&](CPdfDictionary& page, CPdfDictionary* inherited) { restorer.Restore(page, inherited); });
  return restorer.Replaced();
}

size_t CountPagesWithLostFonts(CPdfPagesNode& root, CPdfDocument& document) {
  CMissingFontFinder finder(document.Table(), document.DecodeBudget());
  size_t pages = 0;
  ForEachPage(root, [&](CPdfDictionary& page, CPdfDictionary* inherited) {
    pages += finder.Find(page, FontsOf(page, inherited))->lostForGood;
  });
  return pages;
}
