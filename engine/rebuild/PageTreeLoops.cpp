// Loops in the page tree of the default mode's reconstruction.
#include "rebuild/PageTreeLoops.h"

#include <algorithm>
#include <unordered_map>

#include "model/PdfDictionary.h"
#include "rebuild/PageTree.h"

namespace {

CPdfObject* ParentOf(const CPdfObject* node) {
  bool isReference = false;
  CPdfObject* parent = static_cast<const CPdfDictionary*>(node)->Lookup(PdfKeys::parent, kindReference, isReference);
  return isReference ? static_cast<CPdfReference*>(parent)->Resolve() : nullptr;
}

// The page-tree nodes below the node, the node included; explicit stack,
// for a chain as long as the file allows.
void CollectReached(CPdfObject* top, std::unordered_set<const CPdfObject*>& reached) {
  std::vector<const CPdfObject*> pending = {top};
  reached.insert(top);
  while (!pending.empty()) {
    const auto* node = static_cast<const CPdfDictionary*>(pending.back());
    pending.pop_back();
    bool isArray = false;
    const CPdfObject* kids = node->Lookup(PdfKeys::kids, kindArray, isArray);
    if (!isArray) continue;
    const auto& array = static_cast<const CPdfArray&>(*kids);
    for (size_t i = 0; i < array.GetCount(); ++i) {
      const CPdfObject* element = array.GetAt(i);
      if (element == nullptr || element->Kind() != kindReference) continue;
      const CPdfObject* kid = static_cast<const CPdfReference*>(element)->Resolve();
      if ((IsPage(kid) || IsPages(kid)) && reached.insert(kid).second) pending.push_back(kid);
    }
  }
}

// Up the parents from the node: the nodes of the loop they end in, in the
// order walked; none when the walk leaves the loop-free part of the tree.
std::vector<CPdfObject*> LoopAbove(CPdfObject* node, const std::unordered_set<const CPdfObject*>& reached) {
  std::vector<CPdfObject*> path;
  std::unordered_map<const CPdfObject*, size_t> walked;
  for (CPdfObject* at = node;;) {
    walked.emplace(at, path.size());
    path.push_back(at);
    CPdfObject* parent = ParentOf(at);
    if (!IsPages(parent) || reached.count(parent) != 0) return {};
    if (const auto met = walked.find(parent); met != walked.end()) {
      return {path.begin() + static_cast<std::ptrdiff_t>(met->second), path.end()};
    }
    at = parent;
  }
}

CPdfObject* LoopHead(const std::vector<CPdfObject*>& loop, const std::unordered_set<const CPdfObject*>& sourceTops) {
  CPdfObject* head = loop.front();
  for (CPdfObject* node : loop) {
    if (sourceTops.count(node) != 0) return node;
    if (node->SerialNumber() < head->SerialNumber()) head = node;
  }
  return head;
}

}  // namespace

std::unordered_set<const CPdfObject*> SourceTreeTops(const std::vector<CPdfObject*>& nodes) {
  std::unordered_set<const CPdfObject*> tops;
  for (const CPdfObject* node : nodes) {
    if (IsPages(node) && ParentOf(node) == nullptr) tops.insert(node);
  }
  return tops;
}

void CutKidsLoops(CPdfPagesNode& root, const std::vector<CPdfObject*>& nodes,
                  const std::unordered_set<const CPdfObject*>& sourceTops) {
  std::unordered_set<const CPdfObject*> reached;
  CollectReached(&root, reached);
  for (CPdfObject* node : nodes) {
    if ((!IsPage(node) && !IsPages(node)) || reached.count(node) != 0) continue;
    const std::vector<CPdfObject*> loop = LoopAbove(node, reached);
    if (loop.empty()) continue;
    CPdfObject* head = LoopHead(loop, sourceTops);
    // A loop of pages nodes that holds no page stays outside, as before.
    std::unordered_set<const CPdfObject*> below;
    CollectReached(head, below);
    if (std::none_of(below.begin(), below.end(), [](const CPdfObject* kid) { return IsPage(kid); })) continue;
    DetachKid(ParentOf(head), head);
    AttachKid(&root, head);
    reached.insert(below.begin(), below.end());
  }
}
