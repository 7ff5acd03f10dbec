#pragma once

class CFile64Ex;
class CPdfDocument;

// The default parse reads objects only; an encrypted source also needs its
// trailers' /Encrypt and /ID. Finds the keyword "trailer" in the whole file
// and hands the document the dictionary after each of the last ones found,
// in file order. A dictionary that does not end within reach is skipped.
void ReadTrailers(CPdfDocument& document, CFile64Ex& file);
