// Thorough recovery's additions to the page-tree reconstruction: only the
// newest generation of an object number is live, a page that lost its /Type
// is still a page, and each page-tree node is listed once.
#include "rebuild/ThoroughRebuild.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/Document.h"
#include "model/PdfDictionary.h"
#include "rebuild/PageTree.h"

namespace {

// Deletes every definition of a number under an older generation than its
// newest: an incremental update freed those, and what they said is gone.
void DropSupersededGenerations(CPdfObjectTable& table) {
  // Most files give every object generation 0: then nothing is superseded,
  // and only numbers that have another generation need a look.
  std::unordered_map<uint32_t, uint32_t> newest;
  table.ForEach([&](const PdfObjectKey& key, const CPdfObjectList& list) {
    if (key.generation != 0 && list.GetCount() != 0) newest.emplace(key.number, 0);
  });
  if (newest.empty()) return;
  table.ForEach([&](const PdfObjectKey& key, const CPdfObjectList& list) {
    const auto entry = newest.find(key.number);
    if (entry != newest.end() && list.GetCount() != 0 && key.generation > entry->second) {
      entry->second = key.generation;
    }
  });
  std::vector<std::pair<PdfObjectKey, const CPdfObject*>> superseded;
  table.ForEach([&](const PdfObjectKey& key, const CPdfObjectList& list) {
    const auto entry = newest.find(key.number);
    if (entry == newest.end() || key.generation >= entry->second) return;
    for (size_t i = 0; i < list.GetCount(); ++i) superseded.emplace_back(key, list.GetAt(i));
  });
  for (const auto& [key, object] : superseded) table.Remove(key, object);
}

bool Has(const CPdfDictionary& dictionary, const KeyTexts::CKnownKey& key, PdfObjectKind kind) {
  bool found = false;
  dictionary.Lookup(key, kind, found);
  return found;
}

// Keys asked of every object of the table.
constinit KeyTexts::CKnownKey kMediaBox{"/MediaBox"};
constinit KeyTexts::CKnownKey kContents{"/Contents"};
constinit KeyTexts::CKnownKey kSubtype{"/Subtype"};
constinit KeyTexts::CKnownKey kRect{"/Rect"};
constinit KeyTexts::CKnownKey kPages{"/Pages"};

// A dictionary that lost or garbled its /Type but is plainly a page: it has
// a parent and a media box or content streams, and nothing of an
// annotation or a form field.
bool LooksLikePage(const CPdfObject* object) {
  if (object == nullptr || object->Kind() != kindDictionary) return false;
  const auto& dictionary = static_cast<const CPdfDictionary&>(*object);
  // What a page has comes first: most objects have none of it.
  if (!Has(dictionary, kMediaBox, kindArray) && !Has(dictionary, kContents, kindReference) &&
      !Has(dictionary, kContents, kindArray)) {
    return false;
  }
  if (!Has(dictionary, PdfKeys::parent, kindReference) || Has(dictionary, PdfKeys::kids, kindArray) ||
      Has(dictionary, kSubtype, kindName) || Has(dictionary, kRect, kindArray)) {
    return false;
  }
  const std::string_view type = dictionary.TypeName();
  if (type == "/Page" || type == "/Pages") return false;
  // A known type other than a page's is not a damaged page's.
  static constexpr std::string_view kOtherTypes[] = {
      "/Annot",   "/Catalog",  "/Font",      "/FontDescriptor", "/XObject",    "/Outlines",       "/Action",
      "/Pattern", "/Encoding", "/ExtGState", "/Metadata",       "/ObjStm",     "/XRef",           "/Filespec",
      "/Sig",     "/Group",    "/OCG",       "/OCMD",           "/StructElem", "/StructTreeRoot", "/Mask"};
  return std::find(std::begin(kOtherTypes), std::end(kOtherTypes), type) == std::end(kOtherTypes);
}

CPdfArray* KidsOf(const CPdfObject* node) {
  if (!IsPages(node)) return nullptr;
  bool isArray = false;
  CPdfObject* kids = static_cast<const CPdfDictionary*>(node)->Lookup(PdfKeys::kids, kindArray, isArray);
  return isArray ? static_cast<CPdfArray*>(kids) : nullptr;
}

CPdfObject* Resolved(const CPdfObject* element) {
  return element != nullptr && element->Kind() == kindReference ? static_cast<const CPdfReference*>(element)->Resolve()
                                                                 : nullptr;
}

// A node listed by a pages node other than its own parent, while its parent
// lists it too, is removed from the other: its /Parent tells where it
// belongs. Runs before the links are made, which rewrite /Parent.
void RemoveListingsBeyondTheParent(const CPdfObjectTable& table, const std::unordered_set<const CPdfObject*>& kept) {
  // (kid, node listing it), grouped by kid: only a kid listed more than once
  // can be listed beyond its parent.
  std::vector<std::pair<const CPdfObject*, CPdfObject*>> listings;
  table.ForEach([&](const PdfObjectKey&, const CPdfObjectList& list) {
    const CPdfArray* kids = KidsOf(list.GetLatest());
    for (size_t i = 0; kids != nullptr && i < kids->GetCount(); ++i) {
      if (const CPdfObject* kid = Resolved(kids->GetAt(i))) listings.emplace_back(kid, list.GetLatest());
    }
  });
  std::sort(listings.begin(), listings.end());
  for (size_t first = 0, end = 0; first < listings.size(); first = end) {
    const CPdfObject* kid = listings[first].first;
    end = first;
    while (end < listings.size() && listings[end].first == kid) ++end;
    if (end - first < 2 || (!IsPage(kid) && !IsPages(kid))) continue;
    bool isReference = false;
    const CPdfObject* parent =
        Resolved(static_cast<const CPdfDictionary*>(kid)->Lookup(PdfKeys::parent, kindReference, isReference));
    const auto listedByParent = [&](size_t i) { return listings[i].second == parent; };
    bool parentLists = false;
    for (size_t i = first; i < end; ++i) parentLists = parentLists || listedByParent(i);
    if (parent == nullptr || !parentLists) continue;
    for (size_t i = first; i < end; ++i) {
      if (listedByParent(i) || (i > first && listings[i].second == listings[i - 1].second)) continue;
      KidsOf(listings[i].second)->RemoveIf(
          [&](const CPdfObject* element) { return Resolved(element) == kid && kept.count(element) == 0; });
    }
  }
}

bool HasCatalog(const CPdfObjectTable& table) {
  bool found = false;
  table.ForEach([&](const PdfObjectKey&, const CPdfObjectList& list) {
    const CPdfObject* latest = list.GetLatest();
    if (latest != nullptr && latest->Kind() == kindDictionary &&
        static_cast<const CPdfDictionary*>(latest)->TypeName() == "/Catalog") {
      found = true;
    }
  });
  return found;
}

// A catalog that lost its /Type is still named by a trailer's /Root, the
// newest trailer's first.
void RetypeCatalogOfTrailer(CPdfDocument& document) {
  CPdfObjectTable& table = document.Table();
  if (HasCatalog(table)) return;
  for (const CPdfDictionary* trailer : document.TrailerDictionaries()) {
    bool isReference = false;
    CPdfObject* root = Resolved(trailer->Lookup("/Root", kindReference, isReference));
    if (root == nullptr || root->Kind() != kindDictionary || IsPage(root) || IsPages(root)) continue;
    auto* catalog = static_cast<CPdfDictionary*>(root);
    bool typed = false;
    catalog->Lookup("/Type", kindName, typed);
    if (typed && !Has(*catalog, kPages, kindReference)) continue;
    catalog->SetAt("/Type", std::make_unique<CPdfText>(kindName, "/Catalog", 8));
    return;
  }
}

// The source's page-tree root as readers find it: the /Pages of the
// catalog that a trailer names, else of the first catalog in the table.
CPdfObject* SourceRoot(CPdfDocument& document) {
  const auto pagesOf = [](CPdfObject* catalog) -> CPdfObject* {
    if (catalog == nullptr || catalog->Kind() != kindDictionary) return nullptr;
    bool isReference = false;
    CPdfObject* root = Resolved(static_cast<CPdfDictionary*>(catalog)->Lookup(kPages, kindReference, isReference));
    return IsPages(root) ? root : nullptr;
  };
  for (const CPdfDictionary* trailer : document.TrailerDictionaries()) {
    bool isReference = false;
    if (CPdfObject* root = pagesOf(Resolved(trailer->Lookup("/Root", kindReference, isReference)))) return root;
  }
  CPdfObject* found = nullptr;
  document.Table().ForEach([&](const PdfObjectKey&, const CPdfObjectList& list) {
    CPdfObject* latest = list.GetLatest();
    if (found == nullptr && latest != nullptr && latest->Kind() == kindDictionary &&
        static_cast<const CPdfDictionary*>(latest)->TypeName() == "/Catalog") {
      found = pagesOf(latest);
    }
  });
  return found;
}

// Walks the source's tree as readers do, depth first in the order of the
// kids, each pages node once: a page met again is shown again. Those later
// listings are kept when the root's /Count accounts for every listing met,
// so that the pages readers show are all in the output.
void FindRepeatedListings(CPdfDocument& document) {
  std::unordered_set<const CPdfObject*>& repeated = document.RepeatedListings();
  repeated.clear();
  CPdfObject* root = SourceRoot(document);
  int64_t count = 0;
  if (root == nullptr || !IntegerEntry(*static_cast<const CPdfDictionary*>(root), "/Count", count)) return;
  struct Frame {
    const CPdfArray* kids;
    size_t next;
  };
  std::unordered_set<const CPdfObject*> nodes = {root};
  std::unordered_set<const CPdfObject*> pages;
  std::vector<const CPdfObject*> again;
  std::vector<Frame> stack = {{KidsOf(root), 0}};
  int64_t listed = 0;
  while (!stack.empty() && listed <= count) {
    Frame& frame = stack.back();
    if (frame.kids == nullptr || frame.next >= frame.kids->GetCount()) {
      stack.pop_back();
      continue;
    }
    const CPdfObject* element = frame.kids->GetAt(frame.next++);
    const CPdfObject* kid = Resolved(element);
    if (IsPages(kid)) {
      if (nodes.insert(kid).second) stack.push_back({KidsOf(kid), 0});
    } else if (IsPage(kid)) {
      ++listed;
      if (!pages.insert(kid).second) again.push_back(element);
    }
  }
  if (listed <= count) repeated.insert(again.begin(), again.end());
}

}  // namespace

void PrepareThoroughRebuild(CPdfDocument& document) {
  CPdfObjectTable& table = document.Table();
  DropSupersededGenerations(table);
  RetypeCatalogOfTrailer(document);
  std::vector<CPdfDictionary*> pages;
  table.ForEach([&](const PdfObjectKey&, const CPdfObjectList& list) {
    if (LooksLikePage(list.GetLatest())) pages.push_back(static_cast<CPdfDictionary*>(list.GetLatest()));
  });
  for (CPdfDictionary* page : pages) page->SetAt("/Type", std::make_unique<CPdfText>(kindName, "/Page", 5));
  FindRepeatedListings(document);
  RemoveListingsBeyondTheParent(table, document.RepeatedListings());
}

namespace {

// The page-tree nodes below the node, the node included.
void CollectReachable(CPdfObject* top, std::unordered_set<const CPdfObject*>& reached) {
  std::vector<const CPdfObject*> pending = {top};
  reached.insert(top);
  while (!pending.empty()) {
    const CPdfArray* kids = KidsOf(pending.back());
    pending.pop_back();
    for (size_t i = 0; kids != nullptr && i < kids->GetCount(); ++i) {
      const CPdfObject* kid = Resolved(kids->GetAt(i));
      if ((IsPage(kid) || IsPages(kid)) && reached.insert(kid).second) pending.push_back(kid);
    }
  }
}

}  // namespace

void AttachUnreachable(CPdfPagesNode& root, const std::vector<CPdfObject*>& nodes) {
  std::unordered_set<const CPdfObject*> reached;
  CollectReachable(&root, reached);
  for (CPdfObject* node : nodes) {
    if ((!IsPage(node) && !IsPages(node)) || reached.count(node) != 0) continue;
    // Up the parents to the first one met twice or already below the root:
    // the node before it heads a loop or a detached branch.
    std::unordered_set<const CPdfObject*> walked = {node};
    CPdfObject* top = node;
    for (;;) {
      bool isReference = false;
      CPdfObject* parent =
          Resolved(static_cast<const CPdfDictionary*>(top)->Lookup(PdfKeys::parent, kindReference, isReference));
      if (!IsPages(parent) || reached.count(parent) != 0 || !walked.insert(parent).second) break;
      top = parent;
    }
    AttachKid(&root, top);
    CollectReachable(top, reached);
  }
}

void ListEachNodeOnce(CPdfPagesNode& root, const std::unordered_set<const CPdfObject*>& repeated) {
  struct Frame {
    CPdfDictionary* node;
    CPdfArray* kids;
    size_t next;
    bool listsAgain;  // some kids are later listings, removed when the frame ends
  };
  std::unordered_set<const CPdfObject*> listed = {&root};
  std::unordered_set<const CPdfObject*> again;  // the elements that list a node again
  std::vector<Frame> stack = {{&root, KidsOf(&root), 0, false}};
  // Depth first, in the order of the kids: the first listing of a node in
  // page order keeps it, later ones are removed.
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.kids == nullptr || frame.next >= frame.kids->GetCount()) {
      if (frame.listsAgain) {
        frame.kids->RemoveIf([&](const CPdfObject* element) { return again.erase(element) != 0; });
      }
      stack.pop_back();
      continue;
    }
    CPdfObject* element = frame.kids->GetAt(frame.next++);
    CPdfObject* kid = Resolved(element);
    if (!IsPage(kid) && !IsPages(kid)) continue;
    if (!listed.insert(kid).second) {
      if (IsPage(kid) && repeated.count(element) != 0) continue;
      again.insert(element);
      frame.listsAgain = true;
      continue;
    }
    auto* node = static_cast<CPdfDictionary*>(kid);
    bool isReference = false;
    const CPdfObject* parent = node->Lookup(PdfKeys::parent, kindReference, isReference);
    if (!isReference || static_cast<const CPdfReference*>(parent)->Resolve() != frame.node) {
      node->SetAt("/Parent", std::make_unique<CPdfReference>(kUnresolvableKey, frame.node, nullptr));
    }
    if (IsPages(node)) stack.push_back({node, KidsOf(node), 0, false});
  }
}

void DropLostContents(const std::vector<CPdfObject*>& nodes) {
  for (CPdfObject* node : nodes) {
    if (!IsPage(node)) continue;
    bool isArray = false;
    CPdfObject* contents = static_cast<CPdfDictionary*>(node)->Lookup("/Contents", kindArray, isArray);
    if (!isArray) continue;
    static_cast<CPdfArray*>(contents)->RemoveIf([](const CPdfObject* element) {
      return element != nullptr && element->Kind() == kindReference && Resolved(element) == nullptr;
    });
  }
}
