#pragma once

#include <cstddef>
#include <vector>

class CDecodeBudget;
class CPdfObject;

// Thorough recovery: a stream whose first filter is Flate and whose zlib
// data does not end (cut off, or broken by a zeroed stretch) is written as
// the complete zlib data of what inflates, with its true /Length, so that
// readers show what survives without an error. Its other filters and
// /DecodeParms stay as they are; data that ends is never touched. Answers
// how many streams were rewritten.
size_t MendCutFlateStreams(const std::vector<CPdfObject*>& objects, CDecodeBudget& budget);
