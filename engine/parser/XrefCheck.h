#pragma once

class CFile64Ex;
class CPdfDocument;

// Whether the source's cross-reference sections are there and true: the
// last "startxref" names a table or stream, and so do the /Prev and
// /XRefStm of each; every object they list in use begins at its offset with
// its own header, was parsed, and has its "endobj" before whatever begins
// next; every object they place in an object stream names a container that
// was found. Incremental updates, cross-reference streams and object
// streams of an intact file pass. Reads the file and parses the trailers
// again; changes nothing of the document. Call after the parse and before
// the object streams are unpacked: their cross-reference streams leave the
// table then.
bool CrossReferenceIsSound(CPdfDocument& document, CFile64Ex& file);

// Whether the source ends as a whole file does: with "%%EOF" and no object
// begun after it. One cut off (a broken download, a crashed writer) lost
// whatever came after the cut, which nothing left in it can count.
bool SourceEndsWhole(CFile64Ex& file);
