#pragma once

class CPdfObjectTable;
class CPdfPagesNode;

// Thorough recovery, after the page tree is rebuilt: every font that a
// page's content streams select with "Tf" and that its resources no longer
// hold as a font is replaced by a standard one, so that the text shows. Its
// encoding follows the table's surviving fonts.
void RestoreLostFonts(CPdfPagesNode& root, const CPdfObjectTable& table);
