#include "BenchFiles.h"

#include <cstdio>
#include <random>
#include <string>

namespace {

struct Output {
  explicit Output(const std::string& path) : file(std::fopen(path.c_str(), "wb")) {}
  ~Output() {
    if (file != nullptr) std::fclose(file);
  }
  void Put(const std::string& text) { std::fwrite(text.data(), 1, text.size(), file); }
  std::FILE* file;
};

}  // namespace

void MakeStreamHeavyFile(const std::string& path, int megabytes) {
  Output out(path);
  out.Put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n");
  std::string kids;
  for (int i = 0; i < megabytes; ++i) kids += std::to_string(3 + 2 * i) + " 0 R ";
  out.Put("2 0 obj << /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(megabytes) + " >> endobj\n");
  std::mt19937_64 random(42);
  std::string data(1 << 20, '\0');
  for (int i = 0; i < megabytes; ++i) {
    const int page = 3 + 2 * i;
    out.Put(std::to_string(page) + " 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " +
            std::to_string(page + 1) + " 0 R >> endobj\n");
    for (size_t j = 0; j < data.size(); j += 8) {
      const uint64_t word = random();
      for (size_t k = 0; k < 8; ++k) data[j + k] = static_cast<char>(word >> (8 * k));
    }
    out.Put(std::to_string(page + 1) + " 0 obj << /Length " + std::to_string(data.size()) +
            " /Filter /FlateDecode >>\nstream\n");
    out.Put(data);
    out.Put("\nendstream\nendobj\n");
  }
  out.Put("9999 0 obj << /Type /Annot /Contents (cut off)\n");
  out.Put("trailer << /Root 1 0 R >>\nstartxref\n0\n%%EOF\n");
}

void MakeObjectHeavyFile(const std::string& path, int objects) {
  Output out(path);
  out.Put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n");
  const int pages = objects / 10;
  // Every page is listed, so that a reader that follows the tree meets every
  // object; the count is wrong, as damaged files' counts often are.
  std::string kids;
  for (int page = 0; page < pages; ++page) kids += std::to_string(3 + 10 * page) + " 0 R ";
  out.Put("2 0 obj << /Type /Pages /Count 0 /Kids [" + kids + "] >> endobj\n");
  int number = 3;
  for (int page = 0; page < pages; ++page) {
    const int pageNumber = number++;
    std::string annots;
    for (int a = 0; a < 9; ++a) annots += std::to_string(pageNumber + 1 + a) + " 0 R ";
    out.Put(std::to_string(pageNumber) + " 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Annots [" +
            annots + "] >> endobj\n");
    for (int a = 0; a < 9; ++a) {
      out.Put(std::to_string(number++) + " 0 obj << /Type /Annot /Subtype /Text /Rect [10 " + std::to_string(a * 20) +
              " 30 40] /Contents (note " + std::to_string(a) + ") /F 4 >> endobj\n");
    }
  }
  out.Put(std::to_string(number) + " 0 obj << /Type /Annot /Contents (cut off)\n");
  out.Put("trailer << /Root 1 0 R >>\nstartxref\n0\n%%EOF\n");
}

void MakeLongWordFile(const std::string& path, int megabytes) {
  Output out(path);
  out.Put("%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n");
  const std::string chunk(1 << 20, 'w');
  for (int i = 0; i < megabytes; ++i) out.Put(chunk);
  out.Put("\n2 0 obj << /Type /Page /MediaBox [0 0 612 792] >> endobj\n");
}

void MakeLargeSparseFile(const std::string& path) {
  constexpr long kHole = 900L << 20;
  Output out(path);
  out.Put("%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n2 0 obj << /Type /Page /Contents 3 0 R >> endobj\n");
  for (int i = 0; i < 5; ++i) {
    out.Put(std::to_string(3 + i) + " 0 obj << /Length " + std::to_string(kHole) + " >>\nstream\n");
    std::fflush(out.file);
    std::fseek(out.file, kHole, SEEK_CUR);  // a hole: reads as zero bytes
    out.Put("\nendstream\nendobj\n");
  }
  out.Put("8 0 obj << /Type /Annot /Contents (after four gigabytes) >> endobj\n");
}
