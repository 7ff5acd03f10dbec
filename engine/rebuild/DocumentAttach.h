#pragma once

class CPdfDictionary;
class CPdfDocument;
class CPdfPagesNode;

// Thorough recovery, for a catalog made anew because the source's was lost:
// the outline (its root, or a new root over the items whose root is gone),
// page labels, named destinations, the form (its dictionary, or a new one
// over the fields without a parent), the metadata, the structure tree and
// optional content, each the newest that survives and that no other object
// holds. Destinations to pages no longer in the tree are dropped from the
// outline. A key the catalog has is left as it is.
void AttachDocumentFeatures(CPdfDocument& document, CPdfDictionary& catalog, CPdfPagesNode& root);
