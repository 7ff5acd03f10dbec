// Encrypted sources in thorough recovery: a small document encrypted by qpdf
// with an empty user password (RC4 40 and 128, AES 128 and 256, with and
// without object streams, metadata in clear), damaged here, repaired, and
// judged by qpdf and poppler: the same encryption and key, every page and
// its text, strings and metadata readable.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "tesscore/tesscore.h"

namespace fs = std::filesystem;

namespace {

using e2e::Quoted;
using e2e::ReadAll;


// Three pages of text, an annotation with a string on the second, a
// metadata stream and a title.
std::string CleanSource() {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R /Metadata 9 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >>",
  };
  for (int page = 0; page < 3; ++page) {
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 6 0 R >> >>" +
                      std::string(page == 1 ? " /Annots [8 0 R]" : "") + " /Contents " + std::to_string(10 + page) +
                      " 0 R >>");
  }
  objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  objects.push_back("<< /Title (Encrypted sample) >>");
  objects.push_back("<< /Type /Annot /Subtype /Text /Rect [72 600 92 620] /Contents (Note on page two) >>");
  const std::string xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'>Encrypted sample metadata</x:xmpmeta>";
  objects.push_back("<< /Type /Metadata /Subtype /XML /Length " + std::to_string(xmp.size()) + " >>\nstream\n" + xmp +
                    "\nendstream");
  for (int page = 1; page <= 3; ++page) {
    const std::string content = "BT /F1 18 Tf 72 700 Td (Page " + std::to_string(page) + " of the sealed sample) Tj ET";
    objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
  }
  std::string pdf = "%PDF-1.6\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R /Info 7 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

enum class Damage {
  xrefTableDeletedAndShifted,  // the classic table gone, every offset off by some bytes
  xrefStreamZeroed,            // the cross-reference stream's data zeroed, startxref wrong
  tailDeleted,                 // the cross-reference section and the trailer gone, /ID with them
};

std::string Damaged(std::string pdf, Damage damage) {
  switch (damage) {
    case Damage::xrefTableDeletedAndShifted: {
      const size_t xref = pdf.rfind("\nxref");
      pdf.erase(xref + 1, pdf.find("trailer", xref) - xref - 1);
      pdf.insert(pdf.find('\n') + 1, "% some bytes that move every object\n");
      break;
    }
    case Damage::xrefStreamZeroed: {
      const size_t type = pdf.rfind("/Type /XRef");
      for (size_t at = pdf.find("stream", type) + 7; at < pdf.find("endstream", type) - 1; ++at) pdf[at] = '\0';
      pdf.replace(pdf.rfind("startxref") + 10, 2, "99");
      break;
    }
    case Damage::tailDeleted: {
      // From the line of "xref", or of the cross-reference stream's header.
      const size_t type = pdf.rfind("/Type /XRef");
      const size_t tail = type != std::string::npos ? pdf.rfind('\n', pdf.rfind(" 0 obj", type)) : pdf.rfind("\nxref");
      pdf.resize(tail + 1);
      break;
    }
  }
  return pdf;
}

struct Case {
  const char* encryption;  // qpdf's --encrypt key length and options
  bool objectStreams;
  Damage damage;
};

struct RepairRun {
  int result = 0;
  std::vector<std::string> logLines;
};

int32_t Collect(int32_t code, void* data, void* userData) {
  if (code == msgLogLine) static_cast<RepairRun*>(userData)->logLines.emplace_back(static_cast<const char*>(data));
  return 0;
}

RepairRun Repair(const fs::path& source, const fs::path& destination, bool thorough) {
  RepairRun run;
  const std::string from = source.string();
  const std::string to = destination.string();
  fs::remove(destination);
  EngineCallRecord record{from.c_str(), 0, (4u << 16) | (thorough ? TESSCORE_OPTION_THOROUGH : 0u), to.c_str(),
                          &Collect, &run};
  run.result = RepairPdfFile(&record);
  return run;
}

constexpr char kNotOpened[] = "来源文件已加密，无法用空密码打开，修复后的内容可能仍无法读取。";

class EncryptedSource : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() / ("tessaly-encrypted-" + std::to_string(::getpid()));
    fs::create_directories(m_dir);
    std::ofstream(m_dir / "clean.pdf", std::ios::binary) << CleanSource();
  }
  void TearDown() override { fs::remove_all(m_dir); }

  fs::path Encrypted(const std::string& password, const std::string& options, bool objectStreams) {
    const fs::path encrypted = m_dir / "encrypted.pdf";
    judges::Qpdf("--allow-weak-crypto --object-streams=" + std::string(objectStreams ? "generate" : "disable") +
                 " --encrypt '" + password + "' owner " + options + " -- " + Quoted(m_dir / "clean.pdf") + " " +
                 Quoted(encrypted));
    return encrypted;
  }

  fs::path m_dir;
};

TEST_P(EncryptedSource, OpensWithTheSamePasswordAndKeyWithEveryPage) {
  const Case& parameters = GetParam();
  const fs::path encrypted = Encrypted("", parameters.encryption, parameters.objectStreams);
  const std::string bytes = ReadAll(encrypted);
  ASSERT_NE(bytes.find("/Encrypt"), std::string::npos);
  ASSERT_EQ(bytes.find("/ObjStm") != std::string::npos, parameters.objectStreams);
  const fs::path damaged = m_dir / "damaged.pdf";
  std::ofstream(damaged, std::ios::binary) << Damaged(bytes, parameters.damage);
  const fs::path repaired = m_dir / "repaired.pdf";

  const RepairRun run = Repair(damaged, repaired, true);
  EXPECT_EQ(run.result, 1);
  for (const std::string& line : run.logLines) EXPECT_NE(line, kNotOpened);
  const judges::Answer check = judges::QpdfCheck(repaired);
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;
  const std::string encryption = "--show-encryption --show-encryption-key ";
  EXPECT_EQ(judges::Qpdf(encryption + Quoted(repaired)).output, judges::Qpdf(encryption + Quoted(encrypted)).output);
  EXPECT_EQ(judges::Pages(repaired), 3);
  EXPECT_EQ(judges::Text(repaired), judges::Text(m_dir / "clean.pdf"));
  // Strings from object streams, the new information dictionary and the
  // metadata stream all read back in clear.
  EXPECT_NE(judges::Info(repaired).find("Tessaly: https://tessaly.example/"), std::string::npos);
  const std::string plain = judges::Qpdf("--decrypt --qdf --object-streams=disable " + Quoted(repaired) + " -").output;
  EXPECT_NE(plain.find("(Note on page two)"), std::string::npos);
  EXPECT_NE(plain.find("Encrypted sample metadata"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Qpdf, EncryptedSource,
    ::testing::Values(Case{"40", false, Damage::xrefTableDeletedAndShifted},
                      Case{"128", true, Damage::xrefStreamZeroed},
                      Case{"128 --use-aes=y --cleartext-metadata", false, Damage::xrefTableDeletedAndShifted},
                      Case{"128 --use-aes=y", true, Damage::xrefStreamZeroed},
                      Case{"256", true, Damage::tailDeleted},
                      Case{"256 --force-R5 --cleartext-metadata", false, Damage::tailDeleted}),
    [](const ::testing::TestParamInfo<Case>& info) {
      std::string name = std::string(info.param.encryption) + (info.param.objectStreams ? "_objstm" : "");
      for (char& c : name) {
        if ((c < '0' || c > '9') && (c < 'a' || c > 'z') && (c < 'A' || c > 'Z')) c = '_';
      }
      return name;
    });

TEST_F(EncryptedSource, AUserPasswordIsSaidInTheLogAndOnlyInThoroughMode) {
  const fs::path encrypted = Encrypted("secret", "256", false);
  const RepairRun thorough = Repair(encrypted, m_dir / "thorough.pdf", true);
  EXPECT_EQ(thorough.result, 1);
  EXPECT_EQ(std::count(thorough.logLines.begin(), thorough.logLines.end(), kNotOpened), 1);
  const RepairRun standard = Repair(encrypted, m_dir / "default.pdf", false);
  EXPECT_EQ(standard.result, 1);
  EXPECT_EQ(std::count(standard.logLines.begin(), standard.logLines.end(), kNotOpened), 0);
  // The same objects, copied as they were.
  EXPECT_EQ(judges::Pages(m_dir / "thorough.pdf"), 3);
}

}  // namespace
