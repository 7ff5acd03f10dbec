#pragma once

#include <string>
#include <vector>

// A whole file of the objects, numbered from 1, with a true
// cross-reference table; `trailer` adds entries to /Size and /Root 1 0 R.
inline std::string PdfWithXref(const std::vector<std::string>& objects, const std::string& version = "1.4",
                               const std::string& trailer = "") {
  std::string pdf = "%PDF-" + version + "\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (const size_t offset : offsets) {
    const std::string digits = std::to_string(offset);
    pdf += std::string(10 - digits.size(), '0') + digits + " 00000 n \n";
  }
  return pdf + "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R" + trailer +
         " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
}
