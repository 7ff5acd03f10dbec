#include "rebuild/PageTreeAudit.h"

#include <unordered_set>
#include <vector>

#include "model/ObjectTable.h"
#include "model/PdfDictionary.h"
#include "model/RepairReport.h"
#include "rebuild/PageTree.h"

namespace {

const CPdfArray* KidsOf(const CPdfObject* node) {
  if (!IsPages(node)) return nullptr;
  const CPdfObject* kids = DirectEntry(*static_cast<const CPdfDictionary*>(node), "/Kids");
  return kids != nullptr && kids->Kind() == kindArray ? static_cast<const CPdfArray*>(kids) : nullptr;
}

bool HasParent(const CPdfObject* node) {
  bool found = false;
  return static_cast<const CPdfDictionary*>(node)->Lookup(PdfKeys::parent, kindNull, found) != nullptr;
}

const CPdfObject* ParentOf(const CPdfObject* node) { return DirectEntry(*static_cast<const CPdfDictionary*>(node), "/Parent"); }

// Walks the tree below the root: answers whether it holds together, and
// counts its pages.
bool TreeHoldsTogether(const CPdfObject* root, uint64_t& pages) {
  std::unordered_set<const CPdfObject*> reached = {root};
  std::vector<const CPdfObject*> pending = {root};
  while (!pending.empty()) {
    const CPdfObject* node = pending.back();
    pending.pop_back();
    const CPdfArray* kids = KidsOf(node);
    if (kids == nullptr) return false;
    for (size_t i = 0; i < kids->GetCount(); ++i) {
      const CPdfObject* kid = Direct(kids->GetAt(i));
      if ((!IsPage(kid) && !IsPages(kid)) || ParentOf(kid) != node || !reached.insert(kid).second) return false;
      if (IsPage(kid)) {
        ++pages;
      } else {
        pending.push_back(kid);
      }
    }
  }
  return true;
}

}  // namespace

void AuditSourcePageTree(const CPdfObjectTable& table, CRepairReport& report) {
  std::vector<const CPdfObject*> roots;
  bool anyPage = false;
  table.ForEach([&](const PdfObjectKey&, const CPdfObjectList& list) {
    const CPdfObject* latest = list.GetLatest();
    anyPage = anyPage || IsPage(latest);
    if (IsPages(latest) && !HasParent(latest)) roots.push_back(latest);
  });
  for (const CPdfObject* root : roots) {
    int64_t count = 0;
    if (IntegerEntry(*static_cast<const CPdfDictionary*>(root), "/Count", count) && count >= 0 &&
        count > report.pagesClaimed) {
      report.pagesClaimed = count;
    }
  }
  if (roots.size() != 1) {
    report.pageTreeSound = roots.empty() && !anyPage;
    return;
  }
  uint64_t pages = 0;
  report.pageTreeSound = TreeHoldsTogether(roots.front(), pages) &&
                         static_cast<int64_t>(pages) == report.pagesClaimed;
}

size_t CountPagesWithLostContents(CPdfPagesNode& root) {
  const auto lost = [](const CPdfObject* element) {
    if (element == nullptr || element->Kind() != kindReference) return false;
    const CPdfObject* target = Direct(element);
    return target == nullptr || target->Kind() != kindStream;
  };
  size_t pages = 0;
  std::unordered_set<const CPdfObject*> seen = {&root};
  std::vector<const CPdfObject*> pending = {&root};
  while (!pending.empty()) {
    const CPdfArray* kids = KidsOf(pending.back());
    pending.pop_back();
    for (size_t i = 0; kids != nullptr && i < kids->GetCount(); ++i) {
      const CPdfObject* kid = Direct(kids->GetAt(i));
      if ((!IsPage(kid) && !IsPages(kid)) || !seen.insert(kid).second) continue;
      if (IsPages(kid)) {
        pending.push_back(kid);
        continue;
      }
      bool found = false;
      const CPdfObject* written = static_cast<const CPdfDictionary*>(kid)->Lookup("/Contents", kindNull, found);
      const CPdfObject* contents = Direct(written);
      const bool isArray = contents != nullptr && contents->Kind() == kindArray;
      bool pageLost = !isArray && lost(written);
      if (isArray) {
        const auto* array = static_cast<const CPdfArray*>(contents);
        for (size_t j = 0; j < array->GetCount() && !pageLost; ++j) pageLost = lost(array->GetAt(j));
      }
      pages += pageLost;
    }
  }
  return pages;
}
