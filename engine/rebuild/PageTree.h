#pragma once

#include <cstdint>

class CPdfDocument;
class CPdfDictionary;
class CPdfObject;
class CPdfPagesNode;

// Finds or creates the catalog and hangs a rebuilt page tree under it.
CPdfDictionary* RebuildCatalog(CPdfDocument& document);

// A new root over every page-tree node found; answers the root.
CPdfPagesNode* RebuildPageTree(CPdfDocument& document);
void LinkPageTreeNode(CPdfObject* node);
void AttachKid(CPdfObject* parent, CPdfObject* child);
// The parent's /Kids no longer lists the child; its /Parent stays.
void DetachKid(CPdfObject* parent, const CPdfObject* child);
// Pages below the node; sets /Count of every pages node on the way. A node
// met again on the current path counts 0.
uint64_t CountPages(CPdfObject* node);

bool IsPage(const CPdfObject* object);
bool IsPages(const CPdfObject* object);
