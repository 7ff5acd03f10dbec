#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "security/StandardSecurity.h"

namespace {

// Input is run through the cipher this much at a time.
constexpr size_t kPiece = 256 * 1024;
constexpr size_t kBlock = 16;
// Bytes kept before where a read ended.
constexpr size_t kKept = 4096;

// Where the run over one stream's bytes stands: the piece it made last and
// where that began.
struct CRun {
  uint64_t owner = 0;
  uint64_t used = 0;
  CCipherRun cipher;
  std::string piece;
  size_t pieceStart = 0;
  size_t inputAt = 0;
  bool padded = false;
};

// The runs of the few streams read last, so that the memory of the runs
// stays the same however many streams a document has; a stream read again
// after several others starts its run anew.
class CRunCache {
 public:
  // The owner's run, and whether it is one in progress.
  CRun& Find(uint64_t owner, bool& found) {
    CRun* oldest = &m_runs[0];
    for (CRun& run : m_runs) {
      if (run.owner == owner) {
        run.used = ++m_clock;
        found = true;
        return run;
      }
      if (run.used < oldest->used) oldest = &run;
    }
    found = false;
    oldest->owner = owner;
    oldest->used = ++m_clock;
    return *oldest;
  }
  void Forget(uint64_t owner) {
    for (CRun& run : m_runs) {
      if (run.owner != owner) continue;
      run.owner = 0;
      run.used = 0;
      run.piece = std::string();
      run.cipher.Stop();
    }
  }

 private:
  // A transform reads another through at most one more: an encrypted
  // stream made from a decrypted one.
  CRun m_runs[4];
  uint64_t m_clock = 0;
};

// Runs of the engine never overlap; each transform has a number of its own,
// so that a run is never taken for another's.
CRunCache& Runs() {
  static CRunCache runs;
  return runs;
}
uint64_t g_lastTransform = 0;

// A stream's bytes run through a cipher as they are read. RC4 and AES
// encryption are read in order: reading back further than the bytes kept
// starts the run again, which windows read in order never pay. AES
// decryption starts at any block, its iv being the block before.
class CCryptedBytes final : public CDataTransform {
 public:
  struct Shape {
    bool encrypt = false;
    bool aes = false;
    std::string key;
    std::string iv;  // AES encryption: the output's first block
    size_t size = 0;
  };

  CCryptedBytes(const CCiphers& ciphers, Shape shape, std::unique_ptr<CStreamData> data, size_t begin, size_t length)
      : m_ciphers(ciphers),
        m_shape(std::move(shape)),
        m_data(std::move(data)),
        m_begin(begin),
        m_length(length),
        m_number(++g_lastTransform) {}
  ~CCryptedBytes() override { Runs().Forget(m_number); }
  CCryptedBytes(const CCryptedBytes&) = delete;
  CCryptedBytes& operator=(const CCryptedBytes&) = delete;

  size_t Size() const override { return m_shape.size; }
  bool Failed() const override { return m_failed; }

  void Read(size_t offset, size_t count, std::string& out) const override {
    bool started = false;
    CRun& run = Runs().Find(m_number, started);
    while (count > 0 && !m_failed) {
      const size_t pieceEnd = run.pieceStart + run.piece.size();
      const bool far = AesDecrypting() && offset > pieceEnd + kPiece;
      if (!started || offset < run.pieceStart || far) {
        m_failed = !Restart(run, offset);
        started = true;
      } else if (offset >= pieceEnd) {
        m_failed = !Produce(run, offset + count - pieceEnd);
      } else {
        const size_t take = std::min(count, pieceEnd - offset);
        out.append(run.piece, offset - run.pieceStart, take);
        offset += take;
        count -= take;
      }
    }
    if (count > 0) out.append(count, '\0');
    // What the next read in order needs stays, with a little before it for
    // readers whose windows overlap.
    const size_t keepFrom = offset > kKept ? offset - kKept : 0;
    if (keepFrom > run.pieceStart && keepFrom <= run.pieceStart + run.piece.size()) {
      run.piece.erase(0, keepFrom - run.pieceStart);
      run.pieceStart = keepFrom;
    }
    if (run.piece.capacity() > 2 * kKept) run.piece.shrink_to_fit();
  }

 private:
  bool AesDecrypting() const { return m_shape.aes && !m_shape.encrypt; }

  // The input's bytes [at, at + count), cut to the range.
  std::string_view Input(size_t at, size_t count, std::string& scratch) const {
    if (at >= m_length) return {};
    return m_data->View(m_begin + at, std::min(count, m_length - at), scratch);
  }

  // Positions the run at a point at or before offset.
  bool Restart(CRun& run, size_t offset) const {
    run.piece.clear();
    run.padded = false;
    if (AesDecrypting()) {
      // Output block k is input block k + 1, its iv the input block before.
      const size_t block = offset / kBlock;
      std::string scratch;
      const std::string iv(Input(block * kBlock, kBlock, scratch));
      run.pieceStart = block * kBlock;
      run.inputAt = (block + 1) * kBlock;
      return iv.size() == kBlock && run.cipher.Start(m_ciphers, false, m_shape.key, iv);
    }
    run.pieceStart = 0;
    run.inputAt = 0;
    if (m_shape.aes) run.piece = m_shape.iv;
    return run.cipher.Start(m_ciphers, m_shape.encrypt, m_shape.key, m_shape.aes ? std::string_view(m_shape.iv) : "");
  }

  // Runs as much of the next input as makes `wanted` more bytes, a piece
  // at most; false when nothing is left to run.
  bool Produce(CRun& run, size_t wanted) const {
    run.pieceStart += run.piece.size();
    run.piece.clear();
    std::string scratch;
    // AES decryption takes whole blocks: a cut last block is no data.
    const size_t end = !AesDecrypting() ? m_length : m_length < kBlock ? 0 : kBlock + (m_length - kBlock) / kBlock * kBlock;
    size_t take = std::min(kPiece, wanted);
    if (m_shape.aes) take = (take + kBlock - 1) / kBlock * kBlock;
    std::string_view input = run.inputAt < end ? Input(run.inputAt, std::min(take, end - run.inputAt), scratch) : "";
    run.inputAt += input.size();
    if (m_shape.aes && m_shape.encrypt && run.inputAt >= m_length && !run.padded) {
      // The padding: 1 to 16 bytes, each of their count.
      run.padded = true;
      const size_t pad = kBlock - m_length % kBlock;
      if (input.data() != scratch.data()) scratch.assign(input);
      scratch.append(pad, static_cast<char>(pad));
      input = scratch;
    }
    return !input.empty() && run.cipher.Update(input, run.piece);
  }

  const CCiphers& m_ciphers;
  const Shape m_shape;
  const std::unique_ptr<CStreamData> m_data;
  const size_t m_begin;
  const size_t m_length;
  const uint64_t m_number;
  mutable bool m_failed = false;
};

}  // namespace

std::unique_ptr<CDataTransform> CStandardSecurity::DecryptAsRead(CryptMethod method, PdfObjectKey key,
                                                                 std::unique_ptr<CStreamData>& data, size_t begin,
                                                                 size_t length) const {
  CCryptedBytes::Shape shape;
  if (method == CryptMethod::identity || !ObjectKey(method, key, shape.key)) return nullptr;
  shape.aes = method != CryptMethod::rc4;
  shape.size = length;
  if (shape.aes) {
    // As Decrypt: whole blocks after the iv, less the padding when it is
    // well formed, which the last block alone tells.
    const size_t blocks = length < kBlock ? 0 : (length - kBlock) / kBlock * kBlock;
    shape.size = blocks;
    if (blocks > 0) {
      std::string scratch;
      const std::string last(data->View(begin + blocks - kBlock, 2 * kBlock, scratch));
      CCipherRun run;
      std::string plain;
      if (!run.Start(m_ciphers, false, shape.key, std::string_view(last).substr(0, kBlock)) ||
          !run.Update(std::string_view(last).substr(kBlock), plain) || plain.size() != kBlock) {
        return nullptr;
      }
      const size_t pad = static_cast<uint8_t>(plain.back());
      if (pad >= 1 && pad <= kBlock && plain.find_first_not_of(plain.back(), kBlock - pad) == std::string::npos) {
        shape.size -= pad;
      }
    }
  }
  return std::make_unique<CCryptedBytes>(m_ciphers, std::move(shape), std::move(data), begin, length);
}

std::unique_ptr<CDataTransform> CStandardSecurity::EncryptAsRead(CryptMethod method, PdfObjectKey key,
                                                                 std::unique_ptr<CStreamData>& data, size_t begin,
                                                                 size_t length) const {
  CCryptedBytes::Shape shape;
  if (method == CryptMethod::identity || !ObjectKey(method, key, shape.key)) return nullptr;
  shape.encrypt = true;
  shape.aes = method != CryptMethod::rc4;
  shape.size = length;
  if (shape.aes) {
    if (!m_ciphers.Random(kBlock, shape.iv)) return nullptr;
    shape.size = kBlock + (length / kBlock + 1) * kBlock;
  }
  return std::make_unique<CCryptedBytes>(m_ciphers, std::move(shape), std::move(data), begin, length);
}
