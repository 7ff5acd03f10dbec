#pragma once

#include <unordered_set>
#include <vector>

class CPdfDocument;
class CPdfObject;
class CPdfPagesNode;

// Before the reconstruction, in thorough recovery: drops the definitions of
// older generations of a number, gives /Type /Page back to dictionaries
// that are plainly pages, and notes the listings of a page that the source's
// tree shows again to readers (the document's RepeatedListings).
void PrepareThoroughRebuild(CPdfDocument& document);

// After the orphans are attached, in thorough recovery: a node that the root
// does not reach (its parents form a loop) is attached to the root by the
// head of its branch.
void AttachUnreachable(CPdfPagesNode& root, const std::vector<CPdfObject*>& nodes);

// After the tree is linked, in thorough recovery: every page-tree node below
// the root is listed once, by the first pages node that lists it in page
// order, and its /Parent names that node; only the `repeated` listings of a
// page (those the source's tree shows to readers) stay besides.
void ListEachNodeOnce(CPdfPagesNode& root, const std::unordered_set<const CPdfObject*>& repeated);

// In thorough recovery: a page's /Contents array loses the references to
// content streams that are gone. Written as null they would leave an array
// of streams holding something else, which readers reject or skip.
void DropLostContents(const std::vector<CPdfObject*>& nodes);
