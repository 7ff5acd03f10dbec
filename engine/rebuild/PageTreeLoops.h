#pragma once

#include <unordered_set>
#include <vector>

class CPdfObject;
class CPdfPagesNode;

// The pages nodes that headed a tree of their own in the source: no
// /Parent, or one that names nothing. Taken before the nodes are linked.
std::unordered_set<const CPdfObject*> SourceTreeTops(const std::vector<CPdfObject*>& nodes);

// After the orphans are attached, in the default mode: a /Kids entry that
// names an ancestor of its own node closes a loop of parents, and every
// node in or below the loop stays out of the root's reach. The loop is cut
// at the repeated node (the one that headed a tree in the source, else the
// first defined): its parent no longer lists it, and the root does. A loop
// that holds no page stays outside. Changes nothing where every node is
// reached.
void CutKidsLoops(CPdfPagesNode& root, const std::vector<CPdfObject*>& nodes,
                  const std::unordered_set<const CPdfObject*>& sourceTops);
