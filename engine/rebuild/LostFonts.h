#pragma once

#include <cstddef>

class CPdfDocument;
class CPdfPagesNode;

// Thorough recovery, after the page tree is rebuilt: every font that a
// page's content streams select with "Tf" and that its resources no longer
// hold as a font is replaced: by the surviving font its name gives the
// number of, else by a standard one in the encoding most surviving fonts
// use, so that the text shows. The standard font is one object, added to
// the document, that every page without its font refers to; a fonts
// dictionary gets its replacements once, and pages without one share one
// per contents, so that the work is linear in the pages. Content is decoded
// and entries are made within the run's budget. Answers how many
// replacements the standard font stands in for.
size_t RestoreLostFonts(CPdfPagesNode& root, CPdfDocument& document);

// The pages below the root that select a font their resources do not hold
// and that no surviving font's number names: what RestoreLostFonts gives
// the standard font to. Changes nothing.
size_t CountPagesWithLostFonts(CPdfPagesNode& root, CPdfDocument& document);
