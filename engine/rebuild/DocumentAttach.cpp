// What a catalog pointed to besides its pages, where the catalog or its
// entries were lost: found among the objects that survived and attached to
// the catalog, the source's or the one made in its place.
#include "rebuild/DocumentAttach.h"

#include <memory>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "model/Document.h"
#include "model/PdfDictionary.h"
#include "model/ValueTree.h"
#include "rebuild/PageTree.h"

namespace {

// No real document comes near this many items in one chain or tree.
constexpr size_t kMostNodes = size_t{1} << 21;

CPdfDictionary* AsDictionary(CPdfObject* value) {
  value = Direct(value);
  return value != nullptr && value->Kind() == kindDictionary ? static_cast<CPdfDictionary*>(value) : nullptr;
}

CPdfArray* ArrayEntry(const CPdfDictionary& dictionary, std::string_view key) {
  CPdfObject* value = DirectEntry(dictionary, key);
  return value != nullptr && value->Kind() == kindArray ? static_cast<CPdfArray*>(value) : nullptr;
}

bool Present(const CPdfDictionary& dictionary, std::string_view key) {
  bool isNull = false;
  return dictionary.Lookup(key, kindNull, isNull) != nullptr;
}

// A reference under the key that leads to no object.
bool Lost(const CPdfDictionary& dictionary, std::string_view key) {
  bool isReference = false;
  const CPdfObject* value = dictionary.Lookup(key, kindReference, isReference);
  return isReference && static_cast<const CPdfReference*>(value)->Resolve() == nullptr;
}

// An entry that leads somewhere: a reference to an object that is gone
// counts as no entry.
bool Has(const CPdfDictionary& dictionary, std::string_view key) {
  return Present(dictionary, key) && !Lost(dictionary, key);
}

PdfObjectKind KindOf(CPdfObject* value) {
  value = Direct(value);
  return value != nullptr ? value->Kind() : kindNull;
}


bool TypeIs(const CPdfDictionary& dictionary, std::string_view type) {
  const CPdfObject* value = DirectEntry(dictionary, "/Type");
  return value != nullptr && value->Kind() == kindName && static_cast<const CPdfText*>(value)->Bytes() == type;
}

std::unique_ptr<CPdfReference> NewReference(CPdfObject* target) {
  return std::make_unique<CPdfReference>(kUnresolvableKey, target, nullptr);
}

std::unique_ptr<CPdfObject> Name(std::string_view name) {
  return std::make_unique<CPdfText>(kindName, name.data(), name.size());
}

// The newest definition of every object, each with what it is.
struct CSurvivor {
  uint32_t number;
  CPdfObject* object;
  CPdfDictionary* dictionary;  // the object's, or its stream's
};

class CFeatureSearch {
 public:
  CFeatureSearch(CPdfDocument& document, CPdfPagesNode& root) : m_document(document) {
    document.Table().ForEach([&](const PdfObjectKey& key, const CPdfObjectList& list) {
      CPdfObject* latest = list.GetLatest();
      CPdfDictionary* dictionary = AsDictionary(latest);
      if (latest != nullptr && latest->Kind() == kindStream) dictionary = static_cast<CPdfStream*>(latest)->Dictionary();
      if (dictionary != nullptr && key.number < kTrailerKey.number) m_survivors.push_back({key.number, latest, dictionary});
    });
    // Links back up (an item's parent, its previous item, a widget's page)
    // do not make an object part of another. One work list serves every
    // entry of every object, and only references matter.
    std::vector<CPdfObject*> pending;
    for (const CSurvivor& survivor : m_survivors) {
      survivor.dictionary->ForEach([&](std::string_view key, CPdfObject* entry) {
        if (key == "/Parent" || key == "/Prev" || key == "/P") return;
        const auto noteTarget = [&](CPdfObject& value) {
          if (value.Kind() != kindReference) return true;
          const CPdfObject* target = static_cast<const CPdfReference&>(value).Resolve();
          if (target != nullptr && target != survivor.object) m_referenced.insert(target);
          return true;
        };
        VisitValueTree(entry, noteTarget, pending, Scalars::passed);
      });
    }
    CollectPages(root);
  }

  void AttachTo(CPdfDictionary& catalog) {
    AttachOutline(catalog);
    Attach(catalog, "/PageLabels", [](const CPdfDictionary& d) { return IsNumberTree(d); });
    AttachNamedDestinations(catalog);
    AttachForm(catalog);
    Attach(catalog, "/Metadata", [](const CPdfDictionary& d) {
      const CPdfObject* subtype = DirectEntry(d, "/Subtype");
      return TypeIs(d, "/Metadata") && subtype != nullptr && subtype->Kind() == kindName &&
             static_cast<const CPdfText*>(subtype)->Bytes() == "/XML";
    });
    if (Attach(catalog, "/StructTreeRoot", [](const CPdfDictionary& d) { return TypeIs(d, "/StructTreeRoot"); }) &&
        !Has(catalog, "/MarkInfo")) {
      auto markInfo = std::make_unique<CPdfDictionary>();
      markInfo->SetAt("/Marked", std::make_unique<CPdfText>(kindBoolean, "true", 4));
      catalog.SetAt("/MarkInfo", std::move(markInfo));
    }
    AttachOptionalContent(catalog);
  }

 private:
  // The newest object that the test picks (and that no other object refers
  // to, unless `anyObject`).
  template <typename Test>
  CPdfObject* NewestUnreferenced(Test test, bool anyObject = false) const {
    const CSurvivor* newest = nullptr;
    for (const CSurvivor& survivor : m_survivors) {
      if ((!anyObject && m_referenced.count(survivor.object) != 0) || !test(*survivor.dictionary)) continue;
      if (newest == nullptr || survivor.number > newest->number) newest = &survivor;
    }
    return newest != nullptr ? newest->object : nullptr;
  }

  template <typename Test>
  bool Attach(CPdfDictionary& catalog, std::string_view key, Test test) {
    if (Has(catalog, key)) return false;
    CPdfObject* found = NewestUnreferenced(test);
    if (found != nullptr) catalog.SetAt(key, NewReference(found));
    return found != nullptr;
  }

  // A number tree's root: /Nums pairs of an integer and a value, or /Kids.
  static bool IsNumberTree(const CPdfDictionary& dictionary) {
    if (Present(dictionary, "/Limits") || Present(dictionary, "/Type")) return false;
    const CPdfArray* nums = ArrayEntry(dictionary, "/Nums");
    return nums != nullptr && nums->GetCount() >= 2 && KindOf(nums->GetAt(0)) == kindInteger &&
           AsDictionary(nums->GetAt(1)) != nullptr;
  }

  // A destination: an array whose first element is a page of the tree.
  bool IsDestination(CPdfObject* value) const {
    value = Direct(value);
    if (const CPdfDictionary* action = AsDictionary(value)) value = Direct(DirectEntry(*action, "/D"));
    if (value == nullptr || value->Kind() != kindArray) return false;
    const auto* array = static_cast<const CPdfArray*>(value);
    return array->GetCount() >= 1 && m_pages.count(Direct(array->GetAt(0))) != 0;
  }

  void CollectPages(CPdfPagesNode& root) {
    std::vector<CPdfObject*> pending = {&root};
    std::unordered_set<const CPdfObject*> seen = {&root};
    while (!pending.empty() && seen.size() < kMostNodes) {
      const CPdfArray* kids = ArrayEntry(*static_cast<CPdfDictionary*>(pending.back()), "/Kids");
      pending.pop_back();
      for (size_t i = 0; kids != nullptr && i < kids->GetCount(); ++i) {
        CPdfObject* kid = Direct(kids->GetAt(i));
        if (!seen.insert(kid).second) continue;
        if (IsPage(kid)) m_pages.insert(kid);
        if (IsPages(kid)) pending.push_back(kid);
      }
    }
  }

  // An outline item: a title and a parent.
  static bool IsOutlineItem(const CPdfDictionary* item) {
    return item != nullptr && Present(*item, "/Title") && Present(*item, "/Parent");
  }

  // A destination to a page that is no longer in the tree leads nowhere.
  void DropLostDestinations(CPdfDictionary& item) const {
    CPdfObject* dest = DirectEntry(item, "/Dest");
    if (dest != nullptr && dest->Kind() == kindArray && !IsDestination(dest)) {
      item.SetAt("/Dest", std::make_unique<CPdfText>(kindNull, "null", 4));
    }
  }

  // An item not met before on the walk, while the walk is within bounds.
  static bool Fresh(const CPdfDictionary* item, std::unordered_set<const CPdfDictionary*>& seen) {
    return IsOutlineItem(item) && seen.size() < kMostNodes && seen.insert(item).second;
  }

  // A link to an item already met (a cycle) or beyond the bounds is cut:
  // readers that follow it would go round without end.
  static void Cut(CPdfDictionary& item, std::string_view key) {
    item.SetAt(key, std::make_unique<CPdfText>(kindNull, "null", 4));
  }

  // The items of every chain below the root get their lost destinations
  // dropped and their links that close a cycle cut; answers the last item
  // of the top chain.
  CPdfDictionary* Tidy(CPdfDictionary* first) const {
    CPdfDictionary* last = nullptr;
    std::unordered_set<const CPdfDictionary*> seen;
    std::vector<CPdfDictionary*> chains;
    if (Fresh(first, seen)) chains.push_back(first);
    bool top = true;
    while (!chains.empty()) {
      CPdfDictionary* item = chains.back();
      chains.pop_back();
      while (item != nullptr) {
        DropLostDestinations(*item);
        if (top) last = item;
        CPdfDictionary* child = AsDictionary(DirectEntry(*item, "/First"));
        if (Fresh(child, seen)) {
          chains.push_back(child);
        } else if (IsOutlineItem(child)) {
          Cut(*item, "/First");
        }
        CPdfDictionary* next = AsDictionary(DirectEntry(*item, "/Next"));
        if (!Fresh(next, seen)) {
          if (IsOutlineItem(next)) Cut(*item, "/Next");
          next = nullptr;
        }
        item = next;
      }
      top = false;
    }
    return last;
  }

  // The outline's root; where it is lost, a new one over the chain of
  // items whose parent is gone.
  void AttachOutline(CPdfDictionary& catalog) {
    if (Has(catalog, "/Outlines")) return;
    CPdfObject* root = NewestUnreferenced([](const CPdfDictionary& d) {
      return TypeIs(d, "/Outlines") ||
             (!Present(d, "/Type") && !Present(d, "/Title") && !Present(d, "/Parent") && IsOutlineItem(AsDictionary(DirectEntry(d, "/First"))));
    });
    if (root != nullptr) {
      Tidy(AsDictionary(DirectEntry(*AsDictionary(root), "/First")));
      catalog.SetAt("/Outlines", NewReference(root));
      return;
    }
    // The head of a top chain: its parent and any previous item are gone.
    CPdfObject* head = NewestUnreferenced(
        [](const CPdfDictionary& d) {
          return IsOutlineItem(&d) && Lost(d, "/Parent") && (!Present(d, "/Prev") || Lost(d, "/Prev"));
        },
        true);
    if (head == nullptr) return;
    CPdfDictionary* first = AsDictionary(head);
    CPdfDictionary* last = Tidy(first);
    auto created = std::make_unique<CPdfDictionary>();
    CPdfDictionary* outlines = created.get();
    m_document.AddedObjects().Add(created.release());
    outlines->SetAt("/Type", Name("/Outlines"));
    outlines->SetAt("/First", NewReference(first));
    outlines->SetAt("/Last", NewReference(last != nullptr ? last : first));
    std::unordered_set<const CPdfDictionary*> seen;
    for (CPdfDictionary* item = first; IsOutlineItem(item) && seen.insert(item).second;
         item = AsDictionary(DirectEntry(*item, "/Next"))) {
      item->SetAt("/Parent", NewReference(outlines));
    }
    catalog.SetAt("/Outlines", NewReference(outlines));
  }

  // A /Dests dictionary (every value a destination) and a name tree of
  // destinations under /Names.
  void AttachNamedDestinations(CPdfDictionary& catalog) {
    Attach(catalog, "/Dests", [this](const CPdfDictionary& d) {
      size_t entries = 0;
      bool all = true;
      d.ForEachValue([&](CPdfObject* value) {
        ++entries;
        all = all && IsDestination(value);
      });
      return entries > 0 && all;
    });
    if (Has(catalog, "/Names")) return;
    CPdfObject* tree = NewestUnreferenced([this](const CPdfDictionary& d) {
      if (Present(d, "/Limits") || Present(d, "/Type")) return false;
      const CPdfArray* names = ArrayEntry(d, "/Names");
      if (names == nullptr) {
        const CPdfArray* kids = ArrayEntry(d, "/Kids");
        const CPdfDictionary* kid = kids != nullptr && kids->GetCount() > 0 ? AsDictionary(kids->GetAt(0)) : nullptr;
        names = kid != nullptr ? ArrayEntry(*kid, "/Names") : nullptr;
      }
      return names != nullptr && names->GetCount() >= 2 && KindOf(names->GetAt(0)) == kindString &&
             IsDestination(names->GetAt(1));
    });
    if (tree == nullptr) return;
    auto names = std::make_unique<CPdfDictionary>();
    names->SetAt("/Dests", NewReference(tree));
    catalog.SetAt("/Names", std::move(names));
  }

  // The form's dictionary; where it is lost, a new one over the fields
  // that have no parent. A form without /Fields gets them the same way, or
  // an empty array: readers stop on a form that has none.
  void AttachForm(CPdfDictionary& catalog) {
    if (Has(catalog, "/AcroForm")) {
      CPdfDictionary* form = AsDictionary(DirectEntry(catalog, "/AcroForm"));
      if (form != nullptr && ArrayEntry(*form, "/Fields") == nullptr) form->SetAt("/Fields", TopLevelFields());
      return;
    }
    if (Attach(catalog, "/AcroForm", [](const CPdfDictionary& d) {
          return ArrayEntry(d, "/Fields") != nullptr && !Present(d, "/Type") && !Present(d, "/FT");
        })) {
      return;
    }
    std::unique_ptr<CPdfArray> fields = TopLevelFields();
    if (fields->GetCount() == 0) return;
    auto form = std::make_unique<CPdfDictionary>();
    form->SetAt("/Fields", std::move(fields));
    catalog.SetAt("/AcroForm", std::move(form));
  }

  // The fields that have no parent, in the table's order.
  std::unique_ptr<CPdfArray> TopLevelFields() const {
    auto fields = std::make_unique<CPdfArray>();
    for (const CSurvivor& survivor : m_survivors) {
      if (Present(*survivor.dictionary, "/FT") && !Has(*survivor.dictionary, "/Parent")) {
        fields->Add(NewReference(survivor.object).release());
      }
    }
    return fields;
  }

  // The optional content's properties; where they are lost, new ones that
  // list every group, all shown.
  void AttachOptionalContent(CPdfDictionary& catalog) {
    if (Has(catalog, "/OCProperties")) return;
    if (Attach(catalog, "/OCProperties", [](const CPdfDictionary& d) {
          return ArrayEntry(d, "/OCGs") != nullptr && AsDictionary(DirectEntry(d, "/D")) != nullptr;
        })) {
      return;
    }
    auto groups = std::make_unique<CPdfArray>();
    auto order = std::make_unique<CPdfArray>();
    for (const CSurvivor& survivor : m_survivors) {
      if (survivor.object->Kind() != kindDictionary || !TypeIs(*survivor.dictionary, "/OCG")) continue;
      groups->Add(NewReference(survivor.object).release());
      order->Add(NewReference(survivor.object).release());
    }
    if (groups->GetCount() == 0) return;
    auto defaults = std::make_unique<CPdfDictionary>();
    defaults->SetAt("/Order", std::move(order));
    auto properties = std::make_unique<CPdfDictionary>();
    properties->SetAt("/OCGs", std::move(groups));
    properties->SetAt("/D", std::move(defaults));
    catalog.SetAt("/OCProperties", std::move(properties));
  }

  CPdfDocument& m_document;
  std::vector<CSurvivor> m_survivors;
  std::unordered_set<const CPdfObject*> m_referenced;
  std::unordered_set<const CPdfObject*> m_pages;
};

}  // namespace

void AttachDocumentFeatures(CPdfDocument& document, CPdfDictionary& catalog, CPdfPagesNode& root) {
  CFeatureSearch(document, root).AttachTo(catalog);
}
