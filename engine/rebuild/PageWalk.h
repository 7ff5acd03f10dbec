#pragma once

#include <unordered_set>
#include <vector>

#include "model/PdfDictionary.h"
#include "rebuild/PageTree.h"

// Calls `visit` with every page below the root, each once, depth first with
// an explicit stack: a tree as deep or as looped as the file allows costs
// no more than its nodes.
template <typename Visit>
void VisitPagesOnce(const CPdfObject& root, Visit visit) {
  std::unordered_set<const CPdfObject*> seen = {&root};
  std::vector<const CPdfObject*> pending = {&root};
  while (!pending.empty()) {
    const CPdfObject* kids = DirectEntry(*static_cast<const CPdfDictionary*>(pending.back()), "/Kids");
    pending.pop_back();
    const auto* array = kids != nullptr && kids->Kind() == kindArray ? static_cast<const CPdfArray*>(kids) : nullptr;
    for (size_t i = 0; array != nullptr && i < array->GetCount(); ++i) {
      const CPdfObject* kid = Direct(array->GetAt(i));
      if ((!IsPage(kid) && !IsPages(kid)) || !seen.insert(kid).second) continue;
      if (IsPages(kid)) {
        pending.push_back(kid);
      } else {
        visit(*static_cast<const CPdfDictionary*>(kid));
      }
    }
  }
}
