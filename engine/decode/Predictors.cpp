// The predictors of /FlateDecode: PNG (one filter byte per row) and TIFF 2
// (each sample the difference to the one before it in the row).
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "decode/StreamDecode.h"

namespace {

uint8_t Paeth(int left, int up, int upLeft) {
  const int estimate = left + up - upLeft;
  const int toLeft = std::abs(estimate - left);
  const int toUp = std::abs(estimate - up);
  const int toUpLeft = std::abs(estimate - upLeft);
  if (toLeft <= toUp && toLeft <= toUpLeft) return static_cast<uint8_t>(left);
  return static_cast<uint8_t>(toUp <= toUpLeft ? up : upLeft);
}

// Rows of 1 + rowBytes bytes become rows of rowBytes; a last row cut short
// is decoded as far as it goes. The caller sees to it that a row is no wider
// than the data.
void UndoPng(size_t rowBytes, size_t pixelBytes, CByteArray& data) {
  CByteArray previous(rowBytes, '\0');
  size_t out = 0;
  for (size_t in = 0; in < data.size(); in += rowBytes + 1) {
    const auto filter = static_cast<uint8_t>(data[in]);
    const size_t length = std::min(rowBytes, data.size() - in - 1);
    auto* row = reinterpret_cast<uint8_t*>(&data[out]);
    const auto* source = reinterpret_cast<const uint8_t*>(&data[in + 1]);
    const auto* up = reinterpret_cast<const uint8_t*>(previous.data());
    for (size_t i = 0; i < length; ++i) {
      const int left = i >= pixelBytes ? row[i - pixelBytes] : 0;
      const int upLeft = i >= pixelBytes ? up[i - pixelBytes] : 0;
      int predicted = 0;
      switch (filter) {
        case 1: predicted = left; break;
        case 2: predicted = up[i]; break;
        case 3: predicted = (left + up[i]) / 2; break;
        case 4: predicted = Paeth(left, up[i], upLeft); break;
        default: break;  // 0, and unknown types taken as no prediction
      }
      // The output row may overlap its own input only behind the reading
      // position: out is always at least one byte behind in.
      row[i] = static_cast<uint8_t>(source[i] + predicted);
    }
    previous.assign(reinterpret_cast<const char*>(row), length);
    previous.resize(rowBytes, '\0');
    out += length;
  }
  data.resize(out);
}

uint32_t Sample(const uint8_t* row, size_t index, int bits) {
  if (bits == 8) return row[index];
  if (bits == 16) return static_cast<uint32_t>(row[2 * index] << 8 | row[2 * index + 1]);
  const size_t bit = index * static_cast<size_t>(bits);
  const int shift = 8 - bits - static_cast<int>(bit % 8);
  return (row[bit / 8] >> shift) & ((1u << bits) - 1);
}

void SetSample(uint8_t* row, size_t index, int bits, uint32_t value) {
  if (bits == 8) {
    row[index] = static_cast<uint8_t>(value);
  } else if (bits == 16) {
    row[2 * index] = static_cast<uint8_t>(value >> 8);
    row[2 * index + 1] = static_cast<uint8_t>(value);
  } else {
    const size_t bit = index * static_cast<size_t>(bits);
    const int shift = 8 - bits - static_cast<int>(bit % 8);
    const auto mask = static_cast<uint8_t>(((1u << bits) - 1) << shift);
    row[bit / 8] = static_cast<uint8_t>((row[bit / 8] & ~mask) | ((value << shift) & mask));
  }
}

void UndoTiff(const PredictorParameters& p, size_t rowBytes, CByteArray& data) {
  const auto colors = static_cast<size_t>(p.colors);
  const size_t samples = colors * static_cast<size_t>(p.columns);
  const uint32_t mask = p.bitsPerComponent == 16 ? 0xFFFF : (1u << p.bitsPerComponent) - 1;
  for (size_t at = 0; at + rowBytes <= data.size(); at += rowBytes) {
    auto* row = reinterpret_cast<uint8_t*>(&data[at]);
    for (size_t i = colors; i < samples; ++i) {
      SetSample(row, i, p.bitsPerComponent,
                (Sample(row, i, p.bitsPerComponent) + Sample(row, i - colors, p.bitsPerComponent)) & mask);
    }
  }
}

}  // namespace

bool UndoPredictor(const PredictorParameters& p, CByteArray& data) {
  // No data, no rows: nothing is made for the row the parameters claim.
  if (p.predictor <= 1 || data.empty()) return true;
  // Colors, bits and columns are checked when read: this cannot overflow.
  const size_t bitsPerPixel = static_cast<size_t>(p.colors) * static_cast<size_t>(p.bitsPerComponent);
  const size_t rowBytes = (bitsPerPixel * static_cast<size_t>(p.columns) + 7) / 8;
  // A row wider than the data could never be filled: parameters that claim
  // one are refused, and undoing costs no more than the data is long.
  const size_t rowWithTag = rowBytes + (p.predictor >= 10 ? 1 : 0);
  if (rowWithTag > data.size()) return false;
  if (p.predictor >= 10) {
    UndoPng(rowBytes, (bitsPerPixel + 7) / 8, data);
    return true;
  }
  if (p.predictor == 2) {
    UndoTiff(p, rowBytes, data);
    return true;
  }
  return false;
}
