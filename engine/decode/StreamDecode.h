#pragma once

#include <cstddef>
#include <string_view>

#include "model/PdfObject.h"

class CDecodeBudget;
class CPdfStream;

// What decoding a stream's data gave.
enum class DecodeOutcome {
  complete,     // every byte decoded
  cut,          // the data ended early, was corrupt, or the limit was reached:
                // the bytes decoded before that point are kept
  unsupported,  // a filter or parameter this engine does not decode
};

// Decodes a stream's data through its /Filter: none, or /FlateDecode (once or
// several times) with the PNG and TIFF predictors of /DecodeParms. At most
// `limit` bytes are produced.
DecodeOutcome DecodeStream(const CPdfStream& stream, size_t limit, CByteArray& decoded);

// DecodeStream within the run's budget: at most `limit` bytes and no more
// than the budget has left, which the decoded bytes spend. `limitReached`
// tells whether decoding stopped at the limit (the data may go on); a stop
// or a refusal for want of budget counts as its shortfall.
DecodeOutcome DecodeStream(const CPdfStream& stream, size_t limit, CDecodeBudget& budget, CByteArray& decoded,
                           bool& limitReached);

// The stream's data as the source gave it: after the end-of-line that follows
// "stream", up to StreamDataEnd. Data that stays in the source is read into
// scratch, one stream at a time.
std::string_view EncodedStreamData(const CPdfStream& stream, CByteArray& scratch);

// Where the stream's data ends inside the bytes kept between "stream" and
// "endstream": after as many bytes as /Length declares when that length
// fits them, else before the end-of-line that precedes "endstream". Where
// that end-of-line is CR LF and the data is Flate, the CR stays data when
// the zlib stream needs it to end.
size_t StreamDataEnd(const CPdfStream& stream);
// Whether the stream's /Length, direct or a reference, fits its data.
bool DeclaredLengthHolds(const CPdfStream& stream);

// How many bytes of the data a complete zlib (or bare deflate) stream
// takes; npos when it does not end within them.
size_t DeflatedSize(std::string_view data);
// The same over `size` bytes read in pieces.
class CEncodedPieces;
size_t DeflatedSize(CEncodedPieces& pieces, size_t size);

// Inflates zlib (or bare deflate) data. Answers false when the data ended
// early, was corrupt or would exceed the limit; what came before is kept.
bool Inflate(std::string_view data, size_t limit, CByteArray& inflated);

// Undoes a predictor in place. Answers false for parameters it cannot undo,
// and for a row wider than the data (the cost stays linear in the data).
struct PredictorParameters {
  int predictor = 1;
  int colors = 1;
  int bitsPerComponent = 8;
  int columns = 1;
};
bool UndoPredictor(const PredictorParameters& parameters, CByteArray& data);
