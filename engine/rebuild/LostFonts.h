#pragma once

#include <cstddef>

class CPdfDocument;
class CPdfObjectTable;
class CPdfPagesNode;

// Thorough recovery, after the page tree is rebuilt: every font that a
// page's content streams select with "Tf" and that its resources no longer
// hold as a font is replaced: by the surviving font its name gives the
// number of, else by a standard one in the encoding most surviving fonts
// use, so that the text shows. The standard font is one object, added to
// the document, that every page without its font refers to. Answers how
// many fonts the standard one stands in for.
size_t RestoreLostFonts(CPdfPagesNode& root, CPdfDocument& document);

// The pages below the root that select a font their resources do not hold
// and that no surviving font's number names: what RestoreLostFonts gives
// the standard font to. Changes nothing.
size_t CountPagesWithLostFonts(CPdfPagesNode& root, const CPdfObjectTable& table);
