#include <cstdio>
#include <random>
#include <string>

#include "BenchFiles.h"

void MakeImageFile(const std::string& path, int pages) {
  constexpr int kSide = 1800;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return;
  const auto put = [file](const std::string& text) { std::fwrite(text.data(), 1, text.size(), file); };
  put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n");
  std::string kids;
  for (int i = 0; i < pages; ++i) kids += std::to_string(3 + 3 * i) + " 0 R ";
  put("2 0 obj << /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >> endobj\n");
  std::mt19937_64 random(1800);
  std::string pixels(static_cast<size_t>(kSide) * kSide * 3, '\0');
  const std::string draw = "q 432 0 0 432 90 180 cm /Im0 Do Q\n";
  for (int i = 0; i < pages; ++i) {
    const int page = 3 + 3 * i;
    put(std::to_string(page) + " 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " +
        std::to_string(page + 1) + " 0 R /Resources << /XObject << /Im0 " + std::to_string(page + 2) +
        " 0 R >> >> >> endobj\n");
    put(std::to_string(page + 1) + " 0 obj << /Length " + std::to_string(draw.size()) + " >>\nstream\n" + draw +
        "endstream\nendobj\n");
    // Random bytes do not compress: the image is as large as its pixels.
    for (size_t j = 0; j + 8 <= pixels.size(); j += 8) {
      const uint64_t word = random();
      for (size_t k = 0; k < 8; ++k) pixels[j + k] = static_cast<char>(word >> (8 * k));
    }
    put(std::to_string(page + 2) + " 0 obj << /Type /XObject /Subtype /Image /Width " + std::to_string(kSide) +
        " /Height " + std::to_string(kSide) + " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Length " +
        std::to_string(pixels.size()) + " >>\nstream\n");
    put(pixels);
    put("\nendstream\nendobj\n");
  }
  put("trailer << /Root 1 0 R >>\nstartxref\n0\n%%EOF\n");
  std::fclose(file);
}
