#pragma once

class CFile64Ex;
class CPdfDocument;

// Opens the object streams (/Type /ObjStm) among the collected objects: each
// object they hold joins the table with generation 0, in front of the
// definitions that come later in the source and behind those that come
// before the container. Unpacked containers, and the cross-reference streams
// of a file that has object streams, leave the table: what they say is now
// stale. Decoding is bounded relative to the source's length. Failures are
// reported here; what was unpacked before them stays. Sends no message
// otherwise.
void UnpackObjectStreams(CPdfDocument& document, CFile64Ex& source);
