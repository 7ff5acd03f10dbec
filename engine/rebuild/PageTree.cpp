// The catalog and a fresh page tree over every page-tree node found.
#include "rebuild/PageTree.h"

#include "rebuild/ContentRepair.h"
#include "rebuild/ContentSyntax.h"
#include "rebuild/DocumentAttach.h"
#include "rebuild/DocumentFeatures.h"
#include "rebuild/KidsIndex.h"
#include "rebuild/LostFonts.h"
#include "rebuild/PageTreeAudit.h"
#include "rebuild/PageTreeLoops.h"
#include "rebuild/ResourceRepair.h"
#include "rebuild/ThoroughRebuild.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/EngineStrings.h"
#include "base/MessageSink.h"
#include "model/Document.h"
#include "model/PdfDictionary.h"

namespace {

bool IsOrphan(const CPdfObject* node) {
  bool isReference = false;
  const CPdfObject* parent =
      static_cast<const CPdfDictionary*>(node)->Lookup(PdfKeys::parent, kindReference, isReference);
  return !isReference || static_cast<const CPdfReference*>(parent)->Resolve() == nullptr;
}

void CollectLatest(const CPdfTypeIndex& index, const char* typeName, std::vector<CPdfObject*>& nodes) {
  if (const CPdfTypeIndex::CObArray* lists = index.Lookup(typeName)) {
    for (const CPdfObjectList* list : *lists) {
      if (CPdfObject* latest = list->GetLatest()) nodes.push_back(latest);
    }
  }
}

std::unique_ptr<CPdfReference> NewReference(CPdfObject* target) {
  return std::make_unique<CPdfReference>(kUnresolvableKey, target, nullptr);
}

}  // namespace

CPdfDictionary* RebuildCatalog(CPdfDocument& document) {
  if (const CMessageSink* engine = document.Engine()) {
    engine->SendStringMessage(msgLogLine, idsRepairingSource);
  }
  document.AddedObjects().RemoveAll();
  // The source's own tree is judged before anything of it changes.
  if (CRepairReport* report = document.Report()) AuditSourcePageTree(document.Table(), *report);
  if (document.Thorough()) PrepareThoroughRebuild(document);
  CPdfTypeIndex& index = document.TypeIndex();
  index.RemoveAll();
  document.Table().ForEach([&](const PdfObjectKey&, const CPdfObjectList& list) { index.FileByType(&list); });

  CPdfDictionary* catalog = nullptr;
  const CPdfTypeIndex::CObArray* catalogs = index.Lookup("/Catalog");
  if (catalogs != nullptr && !catalogs->empty()) {
    CPdfObject* latest = catalogs->front()->GetLatest();
    if (latest != nullptr && latest->Kind() == kindDictionary) catalog = static_cast<CPdfDictionary*>(latest);
  }
  if (catalog == nullptr) {
    auto created = std::make_unique<CPdfDictionary>();
    document.AddedObjects().Add(created.get());
    catalog = created.release();
    catalog->SetAt("/Type", std::make_unique<CPdfText>(kindName, "/Catalog", 8));
  }
  CPdfPagesNode* root = RebuildPageTree(document);
  catalog->SetAt("/Pages", NewReference(root));
  if (document.Thorough()) AttachDocumentFeatures(document, *catalog, *root);
  if (CRepairReport* report = document.Report()) CountDocumentFeatures(*catalog, *report);
  return catalog;
}

CPdfPagesNode* RebuildPageTree(CPdfDocument& document) {
  CKidsIndexes kidsIndexes;
  auto created = std::make_unique<CPdfPagesNode>();
  document.AddedObjects().Add(created.get());
  CPdfPagesNode* root = created.release();

  std::vector<CPdfObject*> nodes;
  CollectLatest(document.TypeIndex(), "/Pages", nodes);
  CollectLatest(document.TypeIndex(), "/Page", nodes);
  const std::unordered_set<const CPdfObject*> sourceTops =
      document.Thorough() ? std::unordered_set<const CPdfObject*>{} : SourceTreeTops(nodes);
  for (CPdfObject* node : nodes) LinkPageTreeNode(node);
  for (CPdfObject* node : nodes) {
    if ((IsPage(node) || IsPages(node)) && IsOrphan(node)) AttachKid(root, node);
  }
  if (document.Thorough()) {
    AttachUnreachable(*root, nodes);
    ListEachNodeOnce(*root, document.RepeatedListings());
  } else {
    CutKidsLoops(*root, nodes, sourceTops);
  }
  CRepairReport* report = document.Report();
  // Counted before thorough recovery drops the lost streams and stands in
  // for the lost fonts.
  if (report != nullptr) {
    report->pagesContentLost = CountPagesWithLostContents(*root);
    report->pagesFontsLost = CountPagesWithLostFonts(*root, document);
    report->pagesContentBroken = CountPagesWithBrokenContent(*root, document.DecodeBudget());
  }
  if (document.Thorough()) {
    DropLostContents(nodes);
    const ContentRewrites rewrites = RewriteBrokenContent(*root, document.DecodeBudget());
    if (report != nullptr) {
      report->contentRewritten = rewrites.rewritten;
      // The output's audit sees them whole.
      report->streamsCut += rewrites.cut;
    }
    const size_t standardised = RepairPageResources(*root, document.DecodeBudget());
    const size_t replaced = RestoreLostFonts(*root, document);
    if (report != nullptr) report->fontsReplaced = replaced + standardised;
  }
  const uint64_t pages = CountPages(root);
  if (report != nullptr) report->pages = pages;
  return root;
}

// Depth-first with an explicit stack: a chain of pages nodes may be as long
// as the file allows. A subtree whose count does not depend on the nodes
// above it (no cycle reaches above it) is counted once and remembered, so
// that a pages node listed many times does not make the count explode.
uint64_t CountPages(CPdfObject* node) {
  if (IsPage(node)) return 1;
  if (!IsPages(node)) return 0;

  struct Frame {
    CPdfDictionary* node;
    const CPdfArray* kids;
    size_t next;
    uint64_t sum;
    size_t low;  // the shallowest node on the path that a cycle below reached
  };
  std::vector<Frame> stack;
  std::unordered_map<const CPdfObject*, size_t> onPath;
  std::unordered_map<const CPdfObject*, uint64_t> counted;
  const auto push = [&](CPdfObject* pagesNode) {
    auto* dictionary = static_cast<CPdfDictionary*>(pagesNode);
    bool isArray = false;
    CPdfObject* kids = dictionary->Lookup(PdfKeys::kids, kindArray, isArray);
    onPath.emplace(pagesNode, stack.size());
    stack.push_back({dictionary, isArray ? static_cast<CPdfArray*>(kids) : nullptr, 0, 0,
                     std::numeric_limits<size_t>::max()});
  };

  push(node);
  for (;;) {
    Frame& frame = stack.back();
    if (frame.kids != nullptr && frame.next < frame.kids->GetCount()) {
      const CPdfObject* element = frame.kids->GetAt(frame.next++);
      if (element == nullptr || element->Kind() != kindReference) continue;
      CPdfObject* kid = static_cast<const CPdfReference*>(element)->Resolve();
      if (IsPage(kid)) {
        frame.sum += 1;
      } else if (!IsPages(kid)) {
        continue;
      } else if (const auto path = onPath.find(kid); path != onPath.end()) {
        frame.low = std::min(frame.low, path->second);
      } else if (const auto known = counted.find(kid); known != counted.end()) {
        frame.sum += known->second;
      } else {
        push(kid);
      }
      continue;
    }
    const Frame done = frame;
    const size_t depth = stack.size() - 1;
    done.node->SetAt("/Count", std::make_unique<CPdfInteger>(static_cast<int32_t>(done.sum)));
    onPath.erase(done.node);
    if (done.low >= depth) counted.emplace(done.node, done.sum);
    stack.pop_back();
    if (stack.empty()) return done.sum;
    stack.back().sum += done.sum;
    stack.back().low = std::min(stack.back().low, done.low);
  }
}
