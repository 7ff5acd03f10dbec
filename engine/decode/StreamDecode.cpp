#include "decode/StreamDecode.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "model/DecodeBudget.h"
#include "model/PdfDictionary.h"
#include "model/StreamBounds.h"
#include "decode/EncodedPieces.h"

namespace {

bool IsName(const CPdfObject* value, std::string_view name) {
  value = Direct(value);
  return value != nullptr && value->Kind() == kindName && static_cast<const CPdfText*>(value)->Bytes() == name;
}

// One step of the filter chain: the filter and its parameters (or none).
struct FilterStep {
  const CPdfObject* filter;
  const CPdfObject* parameters;
};

// The chain of /Filter with /DecodeParms, a single filter or arrays of them.
std::vector<FilterStep> FilterChain(const CPdfDictionary& dictionary) {
  const CPdfObject* filter = DirectEntry(dictionary, "/Filter");
  const CPdfObject* parameters = DirectEntry(dictionary, "/DecodeParms");
  std::vector<FilterStep> chain;
  if (filter == nullptr || filter->Kind() == kindNull) return chain;
  if (filter->Kind() != kindArray) {
    if (parameters != nullptr && parameters->Kind() == kindArray) {
      const auto& array = static_cast<const CPdfArray&>(*parameters);
      parameters = array.GetCount() > 0 ? Direct(array.GetAt(0)) : nullptr;
    }
    chain.push_back({filter, parameters});
    return chain;
  }
  const auto& filters = static_cast<const CPdfArray&>(*filter);
  const auto* parameterArray =
      parameters != nullptr && parameters->Kind() == kindArray ? static_cast<const CPdfArray*>(parameters) : nullptr;
  for (size_t i = 0; i < filters.GetCount(); ++i) {
    const CPdfObject* stepParameters = nullptr;
    if (parameterArray != nullptr && i < parameterArray->GetCount()) {
      stepParameters = Direct(parameterArray->GetAt(i));
    } else if (parameterArray == nullptr && filters.GetCount() == 1) {
      stepParameters = parameters;
    }
    chain.push_back({Direct(filters.GetAt(i)), stepParameters});
  }
  return chain;
}

// Whether the first filter of the chain is Flate, whose data can tell
// where it ends.
bool IsFlate(const CPdfDictionary& dictionary) {
  const std::vector<FilterStep> chain = FilterChain(dictionary);
  return !chain.empty() && (IsName(chain.front().filter, "/FlateDecode") || IsName(chain.front().filter, "/Fl"));
}

// Reads /Predictor and its companions; false for values out of range.
bool ReadPredictor(const CPdfObject* parameters, PredictorParameters& predictor) {
  if (parameters == nullptr || parameters->Kind() != kindDictionary) return true;
  const auto& dictionary = static_cast<const CPdfDictionary&>(*parameters);
  int64_t value = 0;
  if (IntegerEntry(dictionary, "/Predictor", value)) predictor.predictor = static_cast<int>(value);
  if (predictor.predictor <= 1) return true;
  if (IntegerEntry(dictionary, "/Colors", value)) {
    if (value < 1 || value > 32) return false;
    predictor.colors = static_cast<int>(value);
  }
  if (IntegerEntry(dictionary, "/BitsPerComponent", value)) {
    if (value != 1 && value != 2 && value != 4 && value != 8 && value != 16) return false;
    predictor.bitsPerComponent = static_cast<int>(value);
  }
  if (IntegerEntry(dictionary, "/Columns", value)) {
    if (value < 1 || value > (1 << 24)) return false;
    predictor.columns = static_cast<int>(value);
  }
  return true;
}

}  // namespace

size_t StreamDataEnd(const CPdfStream& stream) {
  const CStreamData* data = stream.Data();
  if (data == nullptr) return 0;
  const StreamDataBounds bounds = FindStreamDataBounds(*data);
  int64_t declared = 0;
  if (stream.Dictionary() != nullptr && IntegerEntry(*stream.Dictionary(), "/Length", declared) &&
      DeclaredLengthFits(*data, bounds.begin, declared)) {
    return bounds.begin + static_cast<size_t>(declared);
  }
  // A CR before the LF may be the data's own last byte: a deflated stream
  // tells, by where it ends.
  const bool crLf = bounds.end + 2 == data->size() && (*data)[bounds.end] == '\r';
  if (crLf && stream.Dictionary() != nullptr && IsFlate(*stream.Dictionary())) {
    CByteArray scratch;
    const std::string_view withCr = data->View(bounds.begin, bounds.end + 1 - bounds.begin, scratch);
    if (DeflatedSize(withCr) == withCr.size()) return bounds.end + 1;
  }
  return bounds.end;
}

bool DeclaredLengthHolds(const CPdfStream& stream) {
  const CStreamData* data = stream.Data();
  int64_t declared = 0;
  return data != nullptr && stream.Dictionary() != nullptr && IntegerEntry(*stream.Dictionary(), "/Length", declared) &&
         DeclaredLengthFits(*data, FindStreamDataBounds(*data).begin, declared);
}

std::string_view EncodedStreamData(const CPdfStream& stream, CByteArray& scratch) {
  const CStreamData* data = stream.Data();
  if (data == nullptr) return {};
  const size_t begin = FindStreamDataBounds(*data).begin;
  return data->View(begin, StreamDataEnd(stream) - begin, scratch);
}

size_t DeflatedSize(CEncodedPieces& pieces, size_t size) {
  constexpr size_t kChunk = 64 * 1024;
  std::unique_ptr<unsigned char[]> chunk(new unsigned char[kChunk]);
  // Deflate expands at most about 1032 times, and a bomb is not followed
  // further than 256 MiB: its end stays unknown.
  const uint64_t limit = std::min<uint64_t>(static_cast<uint64_t>(size) * 1032 + kChunk, uint64_t{256} << 20);
  for (int windowBits : {15 + 32, -15}) {
    pieces.Rewind();
    z_stream z{};
    if (inflateInit2(&z, windowBits) != Z_OK) return std::string_view::npos;
    bool inputEnded = false;
    int status = Z_OK;
    while (status == Z_OK && z.total_out < limit) {
      if (z.avail_in == 0 && !inputEnded) {
        const std::string_view piece = pieces.Next();
        inputEnded = piece.empty();
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
        z.avail_in = static_cast<uInt>(piece.size());
      }
      z.next_out = chunk.get();
      z.avail_out = static_cast<uInt>(kChunk);
      status = inflate(&z, Z_NO_FLUSH);
      if (status == Z_BUF_ERROR && z.avail_in == 0 && !inputEnded) status = Z_OK;
    }
    const size_t consumed = z.total_in;
    const bool headerRejected = status == Z_DATA_ERROR && z.total_out == 0 && z.total_in <= 2;
    inflateEnd(&z);
    if (status == Z_STREAM_END) return consumed;
    if (!headerRejected || windowBits < 0) break;
  }
  return std::string_view::npos;
}

size_t DeflatedSize(std::string_view data) {
  CEncodedPieces pieces(data);
  return DeflatedSize(pieces, data.size());
}

namespace {

bool InflatePieces(CEncodedPieces& pieces, size_t limit, CByteArray& inflated) {
  // Output goes through a chunk of its own and is appended as it comes:
  // room made in the string up front would be zero-filled, at a cost far
  // above the inflating for data that turns out not to be deflated at all.
  constexpr size_t kChunk = 64 * 1024;
  std::unique_ptr<unsigned char[]> chunk(new unsigned char[kChunk]);
  const size_t start = inflated.size();
  // 15 + 32: a zlib or gzip header, told apart by the header itself.
  for (int windowBits : {15 + 32, -15}) {
    inflated.resize(start);
    pieces.Rewind();
    z_stream z{};
    if (inflateInit2(&z, windowBits) != Z_OK) return false;
    bool inputEnded = false;
    int status = Z_OK;
    while (status == Z_OK || (status == Z_BUF_ERROR && !inputEnded)) {
      if (z.avail_in == 0 && !inputEnded) {
        std::string_view piece;
        try {
          piece = pieces.Next();
        } catch (...) {
          inflateEnd(&z);
          throw;
        }
        inputEnded = piece.empty();
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
        z.avail_in = static_cast<uInt>(piece.size());
      }
      const size_t produced = inflated.size() - start;
      if (produced >= limit) break;
      const size_t room = std::min(kChunk, limit - produced);
      z.next_out = chunk.get();
      z.avail_out = static_cast<uInt>(room);
      status = inflate(&z, Z_NO_FLUSH);
      try {
        inflated.append(reinterpret_cast<const char*>(chunk.get()), room - z.avail_out);
      } catch (...) {
        inflateEnd(&z);
        throw;
      }
      if (status == Z_BUF_ERROR && z.avail_in != 0) break;
    }
    const bool headerRejected = status == Z_DATA_ERROR && z.total_out == 0 && z.total_in <= 2;
    inflateEnd(&z);
    if (status == Z_STREAM_END) return true;
    // A bare deflate stream without the zlib header is tried once more.
    if (!headerRejected || windowBits < 0) return false;
  }
  return false;
}

}  // namespace

bool Inflate(std::string_view data, size_t limit, CByteArray& inflated) {
  CEncodedPieces pieces(data);
  return InflatePieces(pieces, limit, inflated);
}

DecodeOutcome DecodeStream(const CPdfStream& stream, size_t limit, CByteArray& decoded) {
  decoded.clear();
  if (stream.Dictionary() == nullptr) return DecodeOutcome::unsupported;
  const std::vector<FilterStep> chain = FilterChain(*stream.Dictionary());
  std::vector<PredictorParameters> predictors;
  for (const FilterStep& step : chain) {
    PredictorParameters predictor;
    if (!IsName(step.filter, "/FlateDecode") || !ReadPredictor(step.parameters, predictor)) {
      return DecodeOutcome::unsupported;
    }
    predictors.push_back(predictor);
  }
  static const CStreamData kNoData;
  const CStreamData& data = stream.Data() != nullptr ? *stream.Data() : kNoData;
  const size_t begin = FindStreamDataBounds(data).begin;
  const size_t length = StreamDataEnd(stream) - begin;
  if (chain.empty()) {
    // Read straight into the result: no more than the limit is ever held.
    const std::string_view bytes = data.View(begin, std::min(length, limit), decoded);
    if (bytes.data() != decoded.data()) decoded.assign(bytes);
    return length <= limit ? DecodeOutcome::complete : DecodeOutcome::cut;
  }
  // The first step reads the stream's own bytes, a window at a time; each
  // later one the step before's.
  bool complete = true;
  CEncodedPieces sourcePieces(data, begin, length);
  CByteArray previous;
  for (size_t step = 0; step < predictors.size(); ++step) {
    decoded.clear();
    if (step == 0) {
      complete = InflatePieces(sourcePieces, limit, decoded) && complete;
    } else {
      CEncodedPieces pieces(previous);
      complete = InflatePieces(pieces, limit, decoded) && complete;
    }
    if (!UndoPredictor(predictors[step], decoded)) return DecodeOutcome::unsupported;
    previous.swap(decoded);
  }
  decoded.swap(previous);
  return complete ? DecodeOutcome::complete : DecodeOutcome::cut;
}

DecodeOutcome DecodeStream(const CPdfStream& stream, size_t limit, CDecodeBudget& budget, CByteArray& decoded,
                           bool& limitReached) {
  const size_t allowance = budget.Allowance(limit);
  if (allowance == 0 && limit > 0) {
    decoded.clear();
    limitReached = true;
    budget.NoteShortfall();
    return DecodeOutcome::cut;
  }
  const DecodeOutcome outcome = DecodeStream(stream, allowance, decoded);
  budget.Spend(decoded.size());
  limitReached = outcome == DecodeOutcome::cut && decoded.size() >= allowance;
  if (limitReached && allowance < limit) budget.NoteShortfall();
  return outcome;
}
