#pragma once

#include <cstdint>

class CFile64Ex;
class CPdfDocument;

// Opens the object streams (/Type /ObjStm) among the collected objects: each
// object they hold joins the table with generation 0, in front of the
// definitions that come later in the source and behind those that come
// before the container. Unpacked containers, and the cross-reference streams
// of a file that has object streams, leave the table: what they say is now
// stale. Decoding, and the values made from it, spend the run's budget;
// objects it has no room for are counted as dropped. Failures are reported
// here, and answer false: the containers already collected, and what they
// held, are then lost. Sends no message otherwise.
bool UnpackObjectStreams(CPdfDocument& document, CFile64Ex& source);

// The list places unpacking has looked at to put its objects in order,
// since the program began: linear in the objects, however often one number
// repeats.
uint64_t UnpackingSteps();
