#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/PdfObject.h"

// Gives every stream among the objects (and nested in their arrays and
// dictionaries) a /Length that matches the data it is written with. A value
// that already matches, direct or through a reference, is left as it is.
// Counts the lengths it sets into `mended` where one is given.
void SettleStreamLengths(const std::vector<CPdfObject*>& objects, uint64_t* mended = nullptr);
