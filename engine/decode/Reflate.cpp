#include "decode/Reflate.h"

#include <zlib.h>

#include <memory>
#include <string_view>

#include "decode/EncodedPieces.h"
#include "model/DecodeBudget.h"

namespace {

constexpr size_t kChunk = 64 * 1024;

// zlib's streams end with their owner, also when an append throws.
struct CInflater {
  explicit CInflater(int windowBits) : ready(inflateInit2(&z, windowBits) == Z_OK) {}
  ~CInflater() {
    if (ready) inflateEnd(&z);
  }
  CInflater(const CInflater&) = delete;
  CInflater& operator=(const CInflater&) = delete;
  z_stream z{};
  bool ready;
};

struct CDeflater {
  CDeflater() : ready(deflateInit(&z, Z_DEFAULT_COMPRESSION) == Z_OK) {}
  ~CDeflater() {
    if (ready) deflateEnd(&z);
  }
  CDeflater(const CDeflater&) = delete;
  CDeflater& operator=(const CDeflater&) = delete;
  z_stream z{};
  bool ready;
};

void DeflateInto(CDeflater& deflater, unsigned char* bytes, size_t count, int flush, unsigned char* chunk,
                 CByteArray& out) {
  z_stream& z = deflater.z;
  z.next_in = bytes;
  z.avail_in = static_cast<uInt>(count);
  for (;;) {
    z.next_out = chunk;
    z.avail_out = static_cast<uInt>(kChunk);
    const int status = deflate(&z, flush);
    out.append(reinterpret_cast<const char*>(chunk), kChunk - z.avail_out);
    if (status == Z_STREAM_END || status == Z_STREAM_ERROR) return;
    if (z.avail_out != 0 && z.avail_in == 0 && flush != Z_FINISH) return;
  }
}

}  // namespace

ReflateOutcome ReflateCutData(CEncodedPieces& pieces, CDecodeBudget& budget, CByteArray& deflated) {
  std::unique_ptr<unsigned char[]> inflated(new unsigned char[kChunk]);
  std::unique_ptr<unsigned char[]> compressed(new unsigned char[kChunk]);
  // 15 + 32: a zlib or gzip header, told apart by the header itself; then
  // bare deflate data.
  for (const int windowBits : {15 + 32, -15}) {
    deflated.clear();
    pieces.Rewind();
    CInflater inflater(windowBits);
    CDeflater deflater;
    if (!inflater.ready || !deflater.ready) return ReflateOutcome::nothing;
    z_stream& z = inflater.z;
    bool inputEnded = false;
    int status = Z_OK;
    for (;;) {
      if (z.avail_in == 0 && !inputEnded) {
        const std::string_view piece = pieces.Next();
        inputEnded = piece.empty();
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
        z.avail_in = static_cast<uInt>(piece.size());
      }
      const size_t room = budget.Allowance(kChunk);
      if (room == 0) {
        // Keeping less than the source holds would cut the stream again.
        budget.NoteShortfall();
        return ReflateOutcome::nothing;
      }
      z.next_out = inflated.get();
      z.avail_out = static_cast<uInt>(room);
      status = inflate(&z, Z_NO_FLUSH);
      const size_t produced = room - z.avail_out;
      budget.Spend(produced);
      DeflateInto(deflater, inflated.get(), produced, Z_NO_FLUSH, compressed.get(), deflated);
      if (status == Z_STREAM_END) {
        deflated.clear();
        return ReflateOutcome::whole;
      }
      if (status != Z_OK && status != Z_BUF_ERROR) break;  // corrupt data, a dictionary asked for
      if (status == Z_BUF_ERROR && (inputEnded || z.avail_in != 0)) break;
    }
    if (z.total_out == 0) {
      // A header that is no zlib header may begin bare deflate data.
      if (windowBits > 0 && status == Z_DATA_ERROR && z.total_in <= 2) continue;
      return ReflateOutcome::nothing;
    }
    DeflateInto(deflater, nullptr, 0, Z_FINISH, compressed.get(), deflated);
    return ReflateOutcome::cut;
  }
  return ReflateOutcome::nothing;
}
