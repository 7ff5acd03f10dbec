#pragma once

#include <cstddef>

class CDecodeBudget;
class CPdfPagesNode;

// Thorough recovery, after the page tree is rebuilt: every content stream
// of the pages below the root that readers would stop on is written anew
// without its broken pieces (RewriteContent), Flate-compressed, with its
// /Length, /Filter and /DecodeParms to match. Streams are decoded within
// the run's budget, each once, also when several pages share it; those that
// read cleanly stay as they are. Of deflated data that breaks off, what
// inflates is the content; other data that does not decode to its end stays.
struct ContentRewrites {
  size_t rewritten = 0;
  size_t cut = 0;  // of those, streams whose data broke off
};
ContentRewrites RewriteBrokenContent(CPdfPagesNode& root, CDecodeBudget& budget);
