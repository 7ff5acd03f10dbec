// Page-tree nodes and their links: which objects are nodes, and how a kid
// is attached to (or detached from) its parent.
#include <memory>

#include "model/PdfDictionary.h"
#include "rebuild/KidsIndex.h"
#include "rebuild/PageTree.h"

namespace {

bool HasTypeName(const CPdfObject* object, std::string_view typeName) {
  return object != nullptr && object->Kind() == kindDictionary &&
         static_cast<const CPdfDictionary*>(object)->TypeName() == typeName;
}

bool IsPageTreeNode(const CPdfObject* object) { return IsPage(object) || IsPages(object); }

CPdfObject* ResolvedElement(const CPdfArray& array, size_t index) {
  const CPdfObject* element = array.GetAt(index);
  if (element == nullptr || element->Kind() != kindReference) return nullptr;
  return static_cast<const CPdfReference*>(element)->Resolve();
}

bool IsReference(const CPdfObject* object) {
  return object != nullptr && object->Kind() == kindReference;
}

CPdfArray* KidsOf(CPdfDictionary& parent) {
  bool isArray = false;
  CPdfObject* kids = parent.Lookup(PdfKeys::kids, kindArray, isArray);
  if (isArray) return static_cast<CPdfArray*>(kids);
  auto fresh = std::make_unique<CPdfArray>();
  CPdfArray* result = fresh.get();
  parent.SetAt("/Kids", std::move(fresh));
  return result;
}

// A kid goes before the first existing kid created later than itself.
void InsertKid(CPdfArray& kids, CPdfObject* child) {
  CKidsIndexes* indexes = CKidsIndexes::Active();
  CKidsIndex* index = indexes != nullptr ? indexes->For(kids) : nullptr;
  size_t position = kids.GetCount();
  if (index != nullptr) {
    if (index->Lists(child)) return;
    position = index->InsertPosition(child->SerialNumber());
  } else {
    for (size_t i = 0; i < kids.GetCount(); ++i) {
      if (IsReference(kids.GetAt(i)) && ResolvedElement(kids, i) == child) return;
    }
    for (size_t i = 0; i < kids.GetCount(); ++i) {
      const CPdfObject* kid = ResolvedElement(kids, i);
      if (kid != nullptr && kid->SerialNumber() > child->SerialNumber()) {
        position = i;
        break;
      }
    }
  }
  auto reference = std::make_unique<CPdfReference>(kUnresolvableKey, child, nullptr);
  kids.InsertAt(position, reference.get());
  reference.release();
  // A small array that has just grown large gets its index on its next use.
  if (index != nullptr) index->Inserted(position, child);
}

void RemoveKid(CPdfArray& kids, const CPdfObject* child) {
  CKidsIndexes* indexes = CKidsIndexes::Active();
  if (CKidsIndex* index = indexes != nullptr ? indexes->For(kids) : nullptr) {
    index->RemoveReferencesTo(kids, child);
    return;
  }
  for (size_t i = kids.GetCount(); i-- > 0;) {
    if (IsReference(kids.GetAt(i)) && ResolvedElement(kids, i) == child) kids.RemoveAt(i);
  }
}

}  // namespace

bool IsPage(const CPdfObject* object) { return HasTypeName(object, "/Page"); }
bool IsPages(const CPdfObject* object) { return HasTypeName(object, "/Pages"); }

void AttachKid(CPdfObject* parent, CPdfObject* child) {
  if (IsPages(parent)) {
    CPdfArray* kids = KidsOf(*static_cast<CPdfDictionary*>(parent));
    if (IsPageTreeNode(child)) {
      InsertKid(*kids, child);
    } else {
      RemoveKid(*kids, child);
    }
  }
  if (IsPageTreeNode(child)) {
    CPdfObject* target = IsPages(parent) ? parent : nullptr;
    static_cast<CPdfDictionary*>(child)->SetAt(
        "/Parent", std::make_unique<CPdfReference>(kUnresolvableKey, target, nullptr));
  }
}

void DetachKid(CPdfObject* parent, const CPdfObject* child) {
  if (!IsPages(parent)) return;
  bool isArray = false;
  CPdfObject* kids = static_cast<CPdfDictionary*>(parent)->Lookup(PdfKeys::kids, kindArray, isArray);
  if (isArray) RemoveKid(*static_cast<CPdfArray*>(kids), child);
}

void LinkPageTreeNode(CPdfObject* node) {
  if (node == nullptr || node->Kind() != kindDictionary) return;
  auto* dictionary = static_cast<CPdfDictionary*>(node);
  bool isReference = false;
  if (IsPageTreeNode(node)) {
    CPdfObject* parent = dictionary->Lookup(PdfKeys::parent, kindReference, isReference);
    if (isReference) AttachKid(static_cast<CPdfReference*>(parent)->Resolve(), node);
  }
  bool isArray = false;
  CPdfObject* kidsObject = dictionary->Lookup(PdfKeys::kids, kindArray, isArray);
  if (!IsPages(node) || !isArray) return;
  auto* kids = static_cast<CPdfArray*>(kidsObject);
  // A kid that is no page-tree node is removed, and the walk stays where it
  // is: the next element has moved into its place.
  for (size_t i = 0; i < kids->GetCount();) {
    if (!IsReference(kids->GetAt(i))) {
      ++i;
      continue;
    }
    const size_t before = kids->GetCount();
    AttachKid(node, ResolvedElement(*kids, i));
    if (kids->GetCount() >= before) ++i;
  }
}
