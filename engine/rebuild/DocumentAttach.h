#pragma once

class CPdfDictionary;
class CPdfDocument;
class CPdfPagesNode;

// Thorough recovery, for the catalog (the source's, or one made anew because
// it was lost): what it lacks of the outline (its root, or a new root over
// the items whose root is gone), page labels, named destinations, the form
// (its dictionary, or a new one over the fields without a parent), the
// metadata, the structure tree and optional content, each the newest that
// survives and that no other object holds. Destinations to pages no longer
// in the tree are dropped from an outline attached here. A key the catalog
// has is left as it is, except that a form without /Fields gets them; a key
// whose reference leads nowhere counts as missing.
void AttachDocumentFeatures(CPdfDocument& document, CPdfDictionary& catalog, CPdfPagesNode& root);
