#pragma once

#include "model/PdfObject.h"

class CDecodeBudget;
class CEncodedPieces;

// What inflating data and deflating it again gave.
enum class ReflateOutcome {
  whole,    // the data ends as it should: nothing to rewrite
  cut,      // the data broke off; what inflated is deflated anew, complete
  nothing,  // no byte inflated, or the budget ran out before the data did
};

// Inflates zlib (or bare deflate) data until it ends, breaks off or is
// corrupt, and deflates what came out again as complete zlib data, a chunk
// at a time: only the new compressed bytes are held. The inflated bytes
// spend the budget.
ReflateOutcome ReflateCutData(CEncodedPieces& pieces, CDecodeBudget& budget, CByteArray& deflated);
