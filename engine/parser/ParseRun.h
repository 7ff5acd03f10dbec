#pragma once

#include <cstdint>
#include <string>

class CFile64Ex;
class CPdfDocument;
class CTrailerKeywords;

// The version that the file's first line announces, "1.0" to "1.6", or empty.
std::string ReadHeaderVersion(CFile64Ex& file);

// Fills the document's object table from the whole file and answers the
// number of objects found. Failures while parsing are reported here; what was
// complete before them stays.
// The default parse also hands what it reads to `keywords`, when given.
uint32_t ParseObjects(CPdfDocument& document, CFile64Ex& file, CTrailerKeywords* keywords = nullptr);
