#pragma once

#include <cstddef>
#include <cstdint>

#include "model/PdfObject.h"

// Integer text of the scanner: optional sign, then digits. Answers false
// when the value does not fit in 32 signed bits.
bool ParseSignedInteger(const char* text, size_t length, int32_t& value);

// The two numbers of "N G obj" or "N G R": fields split at whitespace, each
// unsigned 32-bit. Answers false when either does not fit.
bool ParseNumberPair(const char* text, size_t length, PdfObjectKey& key);
