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
StreamDataBounds FindStreamDataBounds(const CByteArray& data);
