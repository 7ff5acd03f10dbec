#pragma once

#include <vector>

#include "model/PdfDictionary.h"
#include "model/PdfObject.h"

// Visits the value and every value inside it (a stream's dictionary too),
// depth first with a work list of its own: nesting depth is the source's to
// choose. A visit that answers false keeps what lies inside that value from
// being visited. The integers of an array that keeps them packed are not
// visited: they hold nothing, and making them would undo the packing.
enum class Scalars { visited, passed };

template <typename Visit>
void VisitValueTree(CPdfObject* top, Visit&& visit, std::vector<CPdfObject*>& pending,
                    Scalars scalars = Scalars::visited) {
  pending.assign(1, top);
  while (!pending.empty()) {
    CPdfObject* value = pending.back();
    pending.pop_back();
    if (value == nullptr || !visit(*value)) continue;
    switch (value->Kind()) {
      case kindStream:
        pending.push_back(static_cast<CPdfStream&>(*value).Dictionary());
        break;
      case kindArray: {
        const auto& array = static_cast<const CPdfArray&>(*value);
        if (array.PackedIntegers() != nullptr) break;
        for (size_t i = 0; i < array.GetCount(); ++i) pending.push_back(array.GetAt(i));
        break;
      }
      case kindDictionary: {
        const auto& dictionary = static_cast<const CPdfDictionary&>(*value);
        const auto push = [&](CPdfObject* entry) { pending.push_back(entry); };
        if (scalars == Scalars::passed) {
          dictionary.ForEachHoldingValue(push);
        } else {
          dictionary.ForEachValue(push);
        }
        break;
      }
      default:
        break;
    }
  }
}

template <typename Visit>
void VisitValueTree(CPdfObject* top, Visit visit) {
  std::vector<CPdfObject*> pending;
  VisitValueTree(top, visit, pending);
}

// The trees of every object in turn, with one work list for them all: the
// writer walks hundreds of thousands of small ones, for streams and
// references only. The scalars that dictionaries hold are passed over
// unread (those in arrays are still visited).
template <typename Visit>
void VisitValueTrees(const std::vector<CPdfObject*>& tops, Visit visit) {
  std::vector<CPdfObject*> pending;
  for (CPdfObject* top : tops) VisitValueTree(top, visit, pending, Scalars::passed);
}
