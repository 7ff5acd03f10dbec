#pragma once

#include <cstddef>

class CDecodeBudget;
class CPdfPagesNode;

// Thorough recovery, after the page tree is rebuilt: every content stream
// of the pages below the root that readers would stop on is written anew
// without its broken pieces (RewriteContent), Flate-compressed, with its
// /Length, /Filter and /DecodeParms to match. Streams are decoded within
// the run's budget, each once, also when several pages share it; those that
// read cleanly, or do not decode to their end, stay as they are. Answers how
// many streams were rewritten.
size_t RewriteBrokenContent(CPdfPagesNode& root, CDecodeBudget& budget);
