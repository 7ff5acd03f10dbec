#pragma once

#include <cstddef>

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
