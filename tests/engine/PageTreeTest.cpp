// The rebuilt page tree over damaged skeletons.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "Judges.h"
#include "model/Document.h"
#include "model/PdfDictionary.h"
#include "rebuild/PageTree.h"

namespace {

// Repairs the bytes' skeleton and writes the catalog's page tree as text:
// each pages node as "(kid kid ...)" with its /Count, pages by source number.
class RebuiltTree {
 public:
  explicit RebuiltTree(const std::string& bytes) : m_parsed(bytes, -1, false) {
    m_catalog = RebuildCatalog(m_parsed.Document());
  }
  CPdfDictionary* Catalog() { return m_catalog; }
  CPdfDocument& Document() { return m_parsed.Document(); }
  CPdfDictionary* Root() {
    bool found = false;
    CPdfObject* pages = m_catalog->Lookup("/Pages", kindReference, found);
    return found ? static_cast<CPdfDictionary*>(static_cast<CPdfReference*>(pages)->Resolve()) : nullptr;
  }
  // Names a node by the source number it was defined under.
  std::string NameOf(const CPdfObject* node) {
    std::string name = "?";
    Document().Table().ForEach([&](const PdfObjectKey& key, const CPdfObjectList& list) {
      if (list.GetLatest() == node) name = std::to_string(key.number);
    });
    return node == Root() ? "root" : name;
  }
  std::string Shape(const CPdfDictionary* node, int depth = 0) {
    if (depth > 8) return "...";
    bool found = false;
    std::string text = NameOf(node);
    const CPdfObject* count = node->Lookup("/Count", kindInteger, found);
    if (IsPages(node)) text += "#" + (found ? std::to_string(static_cast<const CPdfInteger*>(count)->m_value) : "-");
    const CPdfObject* kids = node->Lookup("/Kids", kindArray, found);
    if (!found || !IsPages(node)) return text;
    text += "(";
    const auto* array = static_cast<const CPdfArray*>(kids);
    for (size_t i = 0; i < array->GetCount(); ++i) {
      const CPdfObject* element = array->GetAt(i);
      const CPdfObject* kid = element && element->Kind() == kindReference
                                  ? static_cast<const CPdfReference*>(element)->Resolve()
                                  : nullptr;
      text += (i ? " " : "") + (kid ? Shape(static_cast<const CPdfDictionary*>(kid), depth + 1) : "x");
    }
    return text + ")";
  }
  std::string RootShape() { return Shape(Root()); }

 private:
  ParsedBytes m_parsed;
  CPdfDictionary* m_catalog;
};

std::string Page(int number, const std::string& parent) {
  return std::to_string(number) + " 0 obj << /Type /Page /Parent " + parent + " >> endobj\n";
}

std::string Pages(int number, const std::string& kids, const std::string& extra = "") {
  return std::to_string(number) + " 0 obj << /Type /Pages /Kids [" + kids + "] " + extra + ">> endobj\n";
}

TEST(PageTree, IntactTreeGainsOneLevel) {
  RebuiltTree tree("1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n" + Pages(2, "3 0 R 4 0 R") +
                   Page(3, "2 0 R") + Page(4, "2 0 R"));
  EXPECT_EQ(tree.RootShape(), "root#2(2#2(3 4))");
  EXPECT_EQ(tree.NameOf(tree.Catalog()), "1");
}

TEST(PageTree, NewCatalogHoldsOnlyTypeAndPages) {
  RebuiltTree tree(Page(3, "9 0 R"));
  EXPECT_EQ(Written(*tree.Catalog()), "<<\r\n/Pages\t0 0 R\r\n/Type\t/Catalog\r\n>>\r\n");
  EXPECT_EQ(tree.RootShape(), "root#1(3)");
}

TEST(PageTree, FirstCatalogInTableOrderWins) {
  RebuiltTree tree("20 0 obj << /Type /Catalog /N 20 >> endobj 3 0 obj << /Type /Catalog /N 3 >> endobj");
  EXPECT_EQ(tree.NameOf(tree.Catalog()), "3");
}

TEST(PageTree, OrphansComeUnderTheRootInSourceOrder) {
  RebuiltTree tree(Page(20, "9 0 R") + Page(5, "9 0 R") + Page(7, "(not a reference)") + Page(6, "9 0 R"));
  EXPECT_EQ(tree.RootShape(), "root#4(20 5 7 6)");
}

TEST(PageTree, MissingAndNonPageKidsAreRemovedAndTheWalkGoesOn) {
  RebuiltTree tree(Pages(2, "8 0 R 3 0 R 9 0 R 4 0 R") + Page(3, "2 0 R") +
                   "9 0 obj << /Length 0 >> stream\nendstream endobj\n" + Page(4, "2 0 R"));
  EXPECT_EQ(tree.RootShape(), "root#2(2#2(3 4))");
}

TEST(PageTree, KidMissingFromItsParentIsInsertedBeforeTheFirstCreatedLater) {
  RebuiltTree tree(Page(3, "2 0 R") + Pages(2, "3 0 R 5 0 R") + Page(4, "2 0 R") + Page(5, "2 0 R"));
  EXPECT_EQ(tree.RootShape(), "root#3(2#3(3 4 5))");
}

TEST(PageTree, PageListedTwiceIsCountedTwice) {
  RebuiltTree tree(Pages(2, "4 0 R") + Pages(3, "4 0 R") + Page(4, "2 0 R"));
  EXPECT_EQ(tree.RootShape(), "root#2(2#1(4) 3#1(4))");
}

TEST(PageTree, ParentsPointingAtEachOtherStayOutOfTheTree) {
  RebuiltTree tree(Pages(2, "", "/Parent 3 0 R ") + Pages(3, "", "/Parent 2 0 R ") + Page(4, "9 0 R"));
  EXPECT_EQ(tree.RootShape(), "root#1(4)");
}

TEST(PageTree, KidsLoopIsCutAtTheRepeatedNodeAndKeepsItsPages) {
  // Each lists the other: linking makes them each other's parent, so
  // neither is an orphan. The entry of 3 that names its ancestor 2 (the
  // source's top) goes, and 2 hangs under the root with its pages.
  RebuiltTree tree(Pages(2, "3 0 R 5 0 R") + Pages(3, "2 0 R 4 0 R", "/Parent 2 0 R ") + Page(4, "3 0 R") +
                   Page(5, "2 0 R"));
  EXPECT_EQ(tree.RootShape(), "root#2(2#2(3#1(4) 5))");
  // A node that lists itself, and a loop without a top in the source: cut
  // at the node defined first.
  RebuiltTree self(Pages(2, "2 0 R 3 0 R") + Page(3, "2 0 R"));
  EXPECT_EQ(self.RootShape(), "root#1(2#1(3))");
  RebuiltTree topless(Pages(2, "3 0 R", "/Parent 3 0 R ") + Pages(3, "2 0 R 4 0 R", "/Parent 2 0 R ") +
                      Page(4, "3 0 R"));
  EXPECT_EQ(topless.RootShape(), "root#1(2#1(3#1(4)))");
}

TEST(PageTree, AKidsEntryNamingItsAncestorKeepsThePageForTheJudges) {
  // The source's one page, under a node whose /Kids names the root again.
  const std::string source = "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n" +
                             Pages(2, "4 0 R", "/Count 1 ") + Pages(4, "3 0 R 2 0 R", "/Parent 2 0 R /Count 1 ") +
                             "3 0 obj << /Type /Page /Parent 4 0 R /MediaBox [0 0 200 50] >> endobj\n"
                             "trailer << /Root 1 0 R >>\n%%EOF\n";
  for (const uint32_t mode : {0u, uint32_t{TESSCORE_OPTION_THOROUGH}}) {
    ScratchDir dir;
    WriteWholeFile(dir.Path("in.pdf"), source);
    MessageLog log;
    EngineCallRecord record = log.Record(dir.Path("in.pdf"), dir.Path("out.pdf"), (4u << 16) | mode);
    ASSERT_EQ(RepairPdfFile(&record), 1);
    EXPECT_EQ(judges::Pages(dir.Path("out.pdf")), 1) << mode;
    const judges::Answer check = judges::QpdfCheck(dir.Path("out.pdf"));
    EXPECT_EQ(check.status, 0) << check.output;
  }
}

std::unique_ptr<CPdfDictionary> PagesNodeWithKids(std::initializer_list<CPdfObject*> kids) {
  auto node = std::make_unique<CPdfDictionary>();
  node->SetAt("/Type", std::make_unique<CPdfText>(kindName, "/Pages", 6));
  auto array = std::make_unique<CPdfArray>();
  for (CPdfObject* kid : kids) array->Add(new CPdfReference(kUnresolvableKey, kid, nullptr));
  node->SetAt("/Kids", std::move(array));
  return node;
}

int CountOf(const CPdfDictionary& node) {
  bool found = false;
  const CPdfObject* count = node.Lookup("/Count", kindInteger, found);
  return found ? static_cast<const CPdfInteger*>(count)->m_value : -1;
}

TEST(PageTree, KidsCycleCountsANodeMetAgainOnThePathAsZero) {
  CPdfDictionary page;
  page.SetAt("/Type", std::make_unique<CPdfText>(kindName, "/Page", 5));
  auto lower = PagesNodeWithKids({&page});
  auto upper = PagesNodeWithKids({lower.get(), &page});
  // lower lists upper: a cycle upper -> lower -> upper.
  bool found = false;
  auto* kids = static_cast<CPdfArray*>(lower->Lookup("/Kids", kindArray, found));
  kids->Add(new CPdfReference(kUnresolvableKey, upper.get(), nullptr));
  EXPECT_EQ(CountPages(upper.get()), 2u);
  EXPECT_EQ(CountOf(*upper), 2);
  EXPECT_EQ(CountOf(*lower), 1);
}

TEST(PageTree, SharedSubtreesAreCountedEachTimeTheyAreListed) {
  CPdfDictionary page;
  page.SetAt("/Type", std::make_unique<CPdfText>(kindName, "/Page", 5));
  // Forty levels each listing the next twice: 2^40 pages by the count, and
  // counted without walking 2^40 paths.
  std::vector<std::unique_ptr<CPdfDictionary>> levels;
  levels.push_back(PagesNodeWithKids({&page}));
  for (int i = 0; i < 40; ++i) levels.push_back(PagesNodeWithKids({levels.back().get(), levels.back().get()}));
  EXPECT_EQ(CountPages(levels.back().get()), uint64_t{1} << 40);
}

TEST(PageTree, NoPagesGivesAnEmptyRoot) {
  RebuiltTree tree("1 0 obj << /Type /Catalog /Pages 7 0 R >> endobj");
  EXPECT_EQ(tree.RootShape(), "root#0()");
}

TEST(PageTree, MillionDeepChainOfPagesNodes) {
  std::string bytes;
  constexpr int kDepth = 1000000;
  bytes.reserve(kDepth * 60);
  for (int i = 1; i <= kDepth; ++i) {
    const std::string kid = i < kDepth ? std::to_string(i + 1) + " 0 R" : std::to_string(kDepth + 1) + " 0 R";
    bytes += Pages(i, kid, i > 1 ? "/Parent " + std::to_string(i - 1) + " 0 R " : "");
  }
  bytes += Page(kDepth + 1, std::to_string(kDepth) + " 0 R");
  RebuiltTree tree(bytes);
  bool found = false;
  const CPdfObject* count = tree.Root()->Lookup("/Count", kindInteger, found);
  ASSERT_TRUE(found);
  EXPECT_EQ(static_cast<const CPdfInteger*>(count)->m_value, 1);
}

}  // namespace
