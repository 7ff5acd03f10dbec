#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/PdfObject.h"

// Where a stream's data lies inside the bytes kept between "stream" and
// "endstream": after the end-of-line that follows the keyword, and before the
// end-of-line (if any) that precedes "endstream".
struct StreamDataBounds {
  size_t begin;
  size_t end;  // without the end-of-line before "endstream"
};
StreamDataBounds FindStreamDataBounds(const CStreamData& data);

// Whether a declared length is right for the kept bytes: that many data
// bytes, then at most an end-of-line and white space before "endstream".
// Readers take such a length as it stands, whichever end-of-line it counts.
bool DeclaredLengthFits(const CStreamData& data, size_t begin, int64_t declared);

class CPdfDictionary;

// Whether the first filter of the stream's chain is Flate, whose data can
// tell where it ends.
bool FirstFilterIsFlate(const CPdfDictionary& dictionary);

// How much of the data of a stream that no "endstream" bounds is its own
// (`data` starts after the end-of-line that follows "stream"): the zlib
// data, when it ends within the data (`zlibEnd`, npos when not known);
// else the stated length, when the data holds that much; else everything
// before the "endobj" that closed its object, or before the next object's
// header, where the cut data ends.
size_t CutStreamDataLength(std::string_view data, size_t zlibEnd, int64_t stated);
// The same for the data after `begin`, read no further back than its tail.
size_t CutStreamDataLength(const CStreamData& data, size_t begin, size_t zlibEnd, int64_t stated);
