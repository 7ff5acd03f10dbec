#pragma once

#include <cstddef>
#include <string_view>

#include "model/PdfObject.h"

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

// The stream's data as the source gave it: after the end-of-line that follows
// "stream", as long as /Length says when that fits, else up to the
// end-of-line before "endstream".
std::string_view EncodedStreamData(const CPdfStream& stream);

// Inflates zlib (or bare deflate) data. Answers false when the data ended
// early, was corrupt or would exceed the limit; what came before is kept.
bool Inflate(std::string_view data, size_t limit, CByteArray& inflated);

// Undoes a predictor in place. Answers false for parameters it cannot undo.
struct PredictorParameters {
  int predictor = 1;
  int colors = 1;
  int bitsPerComponent = 8;
  int columns = 1;
};
bool UndoPredictor(const PredictorParameters& parameters, CByteArray& data);
