#pragma once

#include <cstddef>

class CPdfObjectTable;
class CPdfPagesNode;
struct CRepairReport;

// Before the rebuild touches anything: the largest /Count of a page-tree
// root (a /Pages node without /Parent) among the newest definitions, and
// whether the one tree holds together: a single root, whose kids are all
// pages or pages nodes that name their lister as /Parent, each reached
// once, as many pages as its /Count says.
void AuditSourcePageTree(const CPdfObjectTable& table, CRepairReport& report);

// The pages below the rebuilt root whose /Contents names a stream that is
// not there.
size_t CountPagesWithLostContents(CPdfPagesNode& root);
