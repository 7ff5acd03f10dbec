#pragma once

#include <cstdint>
#include <memory>
#include <string>

class CFile64Ex;
class CPdfDocument;
class CPdfDictionary;

// The default parse reads objects only; an encrypted source also needs its
// trailers' /Encrypt and /ID. Finds the keyword "trailer" in the whole file
// and hands the document the dictionary after each of the last ones found,
// in file order. A dictionary that does not end within reach is skipped.
void ReadTrailers(CPdfDocument& document, CFile64Ex& file);

// The dictionary that begins at the position (white space before it
// allowed), read with the file's own grammar; null when none ends within
// reach. The two buffers are the caller's, kept between calls.
std::unique_ptr<CPdfDictionary> ReadDictionaryAt(CPdfDocument& document, CFile64Ex& file, uint64_t position,
                                                 std::string& window, std::string& framed);
