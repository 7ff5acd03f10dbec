// A sound file whose objects live in object streams: pages and annotations
// packed a hundred to a FlateDecode /Type /ObjStm stream, one shared content
// stream outside them, and a cross-reference stream that says where each is.
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchFiles.h"

namespace {

constexpr int kObjectsPerStream = 100;

// One object to pack: its number and its text.
struct Packed {
  int number;
  std::string text;
};

std::string Deflate(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
            static_cast<uLong>(data.size()), 6);
  out.resize(size);
  return out;
}

// The pages tree and its annotations, in object order: catalog, root,
// then each page followed by its nine annotations.
std::vector<Packed> PageObjects(int count, int contents) {
  std::vector<Packed> objects;
  const int pages = count / 10;
  objects.push_back({1, "<< /Type /Catalog /Pages 2 0 R >>"});
  std::string kids;
  for (int page = 0; page < pages; ++page) kids += std::to_string(3 + 10 * page) + " 0 R ";
  objects.push_back({2, "<< /Type /Pages /Count " + std::to_string(pages) + " /Kids [" + kids + "] >>"});
  int number = 3;
  for (int page = 0; page < pages; ++page) {
    const int pageNumber = number++;
    std::string annots;
    for (int a = 0; a < 9; ++a) annots += std::to_string(pageNumber + 1 + a) + " 0 R ";
    objects.push_back({pageNumber, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " +
                                       std::to_string(contents) + " 0 R /Annots [" + annots + "] >>"});
    for (int a = 0; a < 9; ++a) {
      objects.push_back({number++, "<< /Type /Annot /Subtype /Text /Rect [10 " + std::to_string(a * 20) +
                                       " 30 40] /Contents (note " + std::to_string(a) + ") /F 4 >>"});
    }
  }
  return objects;
}

void PutXrefField(std::string& row, uint64_t value, int width) {
  for (int i = width - 1; i >= 0; --i) row.push_back(static_cast<char>(value >> (8 * i)));
}

}  // namespace

void MakeObjectStreamFile(const std::string& path, int streams) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return;
  const int packedCount = streams * kObjectsPerStream;
  const int contents = packedCount + 1;
  const std::vector<Packed> objects = PageObjects(packedCount - 2, contents);
  const int firstContainer = contents + 1;
  const int xrefNumber = firstContainer + streams;
  // Per object number: type (1 offset, 2 packed), field 2, field 3.
  std::vector<uint64_t> type(xrefNumber + 1, 0), field2(xrefNumber + 1, 0), field3(xrefNumber + 1, 0);
  std::string out = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
  const auto putObject = [&](int number, const std::string& dictionary, const std::string& data) {
    type[number] = 1;
    field2[number] = out.size();
    out += std::to_string(number) + " 0 obj\n" + dictionary + "\nstream\n" + data + "\nendstream\nendobj\n";
  };
  const std::string page = "BT /F1 12 Tf 72 712 Td (a page) Tj ET";
  putObject(contents, "<< /Length " + std::to_string(page.size()) + " >>", page);
  for (int s = 0; s < streams; ++s) {
    std::string header;
    std::string body;
    int held = 0;
    for (size_t i = static_cast<size_t>(s) * kObjectsPerStream;
         i < objects.size() && held < kObjectsPerStream; ++i, ++held) {
      header += std::to_string(objects[i].number) + " " + std::to_string(body.size()) + " ";
      body += objects[i].text + "\n";
      type[objects[i].number] = 2;
      field2[objects[i].number] = static_cast<uint64_t>(firstContainer + s);
      field3[objects[i].number] = static_cast<uint64_t>(held);
    }
    const std::string data = Deflate(header + body);
    putObject(firstContainer + s,
              "<< /Type /ObjStm /N " + std::to_string(held) + " /First " + std::to_string(header.size()) +
                  " /Filter /FlateDecode /Length " + std::to_string(data.size()) + " >>",
              data);
  }
  type[xrefNumber] = 1;
  field2[xrefNumber] = out.size();
  std::string rows;
  for (int n = 0; n <= xrefNumber; ++n) {
    PutXrefField(rows, type[n], 1);
    PutXrefField(rows, field2[n], 4);
    PutXrefField(rows, n == 0 ? 65535 : field3[n], 2);
  }
  const std::string xref = Deflate(rows);
  const uint64_t xrefOffset = out.size();
  out += std::to_string(xrefNumber) + " 0 obj\n<< /Type /XRef /Size " + std::to_string(xrefNumber + 1) +
         " /W [1 4 2] /Root 1 0 R /Filter /FlateDecode /Length " + std::to_string(xref.size()) + " >>\nstream\n" +
         xref + "\nendstream\nendobj\nstartxref\n" + std::to_string(xrefOffset) + "\n%%EOF\n";
  std::fwrite(out.data(), 1, out.size(), file);
  std::fclose(file);
}
