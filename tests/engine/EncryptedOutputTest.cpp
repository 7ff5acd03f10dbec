// An encrypted source repaired: the output is encrypted as the source was
// and opens with its passwords, or the repair fails and writes nothing.
// Sources made by qpdf (RC4 of revision 3, AES of revisions 4 and 6), then
// damaged here: lengths that are wrong, an "endstream" that is gone, an
// /Encrypt whose /O is an indirect object, a linearized file whose main
// trailer names the root but not the handler, leading junk.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <regex>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "Judges.h"
#include "PdfWithXref.h"

namespace {

const std::string kContent = "BT /F1 18 Tf 20 100 Td (Every word of the sealed page, to its last one) Tj ET";

struct Encryption {
  const char* name;
  const char* options;  // qpdf's --encrypt key length and options
};
const Encryption kEncryptions[] = {{"RC4 R3", "128"}, {"AES R4", "128 --use-aes=y"}, {"AES R6", "256"}};
constexpr uint32_t kModes[] = {0, TESSCORE_OPTION_THOROUGH};

class EncryptedOutput : public ::testing::Test {
 protected:
  // The one-page source, its content deflated and encrypted by qpdf with
  // the empty user password and the owner password "owner".
  std::string Encrypted(const Encryption& encryption, const std::string& qpdfOptions = "") {
    return EncryptedFrom(
        PdfWithXref({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 200] /Contents 4 0 R"
                                " /Resources << /Font << /F1 5 0 R >> >> >>",
                                "<< /Length " + std::to_string(kContent.size()) + " >>\nstream\n" + kContent +
                                    "\nendstream",
                                "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"}),
        encryption, qpdfOptions);
  }

  std::string EncryptedFrom(const std::string& clean, const Encryption& encryption, const std::string& qpdfOptions) {
    WriteWholeFile(m_dir.Path("clean.pdf"), clean);
    const judges::Answer made =
        judges::Qpdf("--allow-weak-crypto " + qpdfOptions + " --encrypt '' owner " + encryption.options + " -- " +
                     judges::Quoted(m_dir.Path("clean.pdf")) + " " + judges::Quoted(m_dir.Path("source.pdf")));
    EXPECT_EQ(made.status, 0) << made.output;
    return ReadWholeFile(m_dir.Path("source.pdf"));
  }

  int Repair(const std::string& source, uint32_t mode) {
    WriteWholeFile(m_dir.Path("in.pdf"), source);
    MessageLog log;
    EngineCallRecord record = log.Record(m_dir.Path("in.pdf"), m_dir.Path("out.pdf"), (4u << 16) | mode);
    return RepairPdfFile(&record);
  }

  std::string ShownEncryption(const std::string& file, const std::string& password) {
    return judges::Qpdf("--password=" + password + " --show-encryption " + judges::Quoted(m_dir.Path(file))).output;
  }

  // The output opens with both passwords, is sound, and is encrypted as
  // the source (kept in source.pdf) was.
  void ExpectEncryptedAsTheSource(const std::string& what) {
    for (const std::string password : {"''", "owner"}) {
      const judges::Answer check =
          judges::Qpdf("--password=" + password + " --check " + judges::Quoted(m_dir.Path("out.pdf")));
      EXPECT_EQ(check.status, 0) << what << ": " << check.output;
      EXPECT_EQ(ShownEncryption("out.pdf", password), ShownEncryption("source.pdf", password)) << what;
    }
  }

  // The content stream of the output, decrypted by qpdf: its Flate data
  // must end exactly where the stream does and give the whole content.
  void ExpectWholeContent(const std::string& what) {
    const judges::Answer decrypted =
        judges::Qpdf("--decrypt --object-streams=disable " + judges::Quoted(m_dir.Path("out.pdf")) + " " +
                     judges::Quoted(m_dir.Path("plain.pdf")));
    ASSERT_EQ(decrypted.status, 0) << what << ": " << decrypted.output;
    const std::string plain = ReadWholeFile(m_dir.Path("plain.pdf"));
    static const std::regex kStream("<<([^<>]*)>>\\s*stream\\r?\\n");
    static const std::regex kLength("/Length\\s+(\\d+)");
    std::smatch match;
    std::smatch length;
    for (auto at = plain.cbegin(); std::regex_search(at, plain.cend(), match, kStream); at = match.suffix().first) {
      const std::string dictionary = match[1].str();
      if (dictionary.find("/FlateDecode") == std::string::npos) continue;
      ASSERT_TRUE(std::regex_search(dictionary, length, kLength)) << what;
      const size_t begin = static_cast<size_t>(match.suffix().first - plain.cbegin());
      EXPECT_EQ(InflatedWhole(plain.substr(begin, std::stoul(length[1].str()))), kContent) << what;
      return;
    }
    ADD_FAILURE() << what << ": no Flate stream";
  }

  // The inflated bytes, when the zlib data ends with the last byte; else
  // what it gave with a mark of the fault.
  static std::string InflatedWhole(const std::string& data) {
    z_stream z{};
    std::string output(4096, '\0');
    inflateInit(&z);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(output.data());
    z.avail_out = static_cast<uInt>(output.size());
    const int status = inflate(&z, Z_FINISH);
    output.resize(z.total_out);
    const uInt left = z.avail_in;
    inflateEnd(&z);
    if (status != Z_STREAM_END) return output + " [zlib data does not end]";
    if (left != 0) return output + " [" + std::to_string(left) + " bytes after the zlib data]";
    return output;
  }

  ScratchDir m_dir;
};

// The content stream's /Length, made shorter than its data by `by`.
std::string ShortenContentLength(std::string pdf, size_t by) {
  std::smatch match;
  static const std::regex kLength("/Length (\\d+) /Filter /FlateDecode");
  EXPECT_TRUE(std::regex_search(pdf, match, kLength));
  const std::string shorter = std::to_string(std::stoul(match[1].str()) - by);
  pdf.replace(static_cast<size_t>(match.position(1)), match.length(1),
              shorter + std::string(match.length(1) - shorter.size(), ' '));
  return pdf;
}

TEST_F(EncryptedOutput, AStreamWithAWrongLengthIsDecryptedOverItsWholeData) {
  for (const Encryption& encryption : kEncryptions) {
    const std::string wrong = ShortenContentLength(Encrypted(encryption), 20);
    // The "endstream" lost to a run of blanks: only the next object ends
    // the data, and what lies between is no part of it.
    std::string cut = wrong;
    const size_t end = cut.find("endstream", cut.find("/FlateDecode"));
    cut.replace(end, 9, std::string(24, ' '));
    for (const uint32_t mode : kModes) {
      const std::string what = std::string(encryption.name) + " mode " + std::to_string(mode);
      ASSERT_EQ(Repair(wrong, mode), 1) << what;
      ExpectEncryptedAsTheSource(what);
      ExpectWholeContent(what);
      // The default mode reads a stream up to an "endstream": with none
      // left, the rest of the file is its data, and the handler is lost.
      if (mode == 0) {
        EXPECT_EQ(Repair(cut, mode), 0) << what;
        EXPECT_FALSE(FileExists(m_dir.Path("out.pdf")) && !ReadWholeFile(m_dir.Path("out.pdf")).empty()) << what;
        continue;
      }
      ASSERT_EQ(Repair(cut, mode), 1) << what << ", cut";
      ExpectEncryptedAsTheSource(what + ", cut");
      ExpectWholeContent(what + ", cut");
    }
  }
}

TEST_F(EncryptedOutput, AnEncryptDictionaryWithAnIndirectOwnerStringIsWrittenWhole) {
  for (const Encryption& encryption : {kEncryptions[0], kEncryptions[2]}) {
    std::string source = Encrypted(encryption);
    std::smatch match;
    static const std::regex kOwner("/O (<[0-9a-fA-F]+>)");
    ASSERT_TRUE(std::regex_search(source, match, kOwner));
    const std::string owner = match[1].str();
    source.replace(static_cast<size_t>(match.position(0)), match.length(0), "/O 99 0 R");
    source.insert(source.rfind("\nxref") + 1, "99 0 obj " + owner + " endobj\n");
    for (const uint32_t mode : kModes) {
      const std::string what = std::string(encryption.name) + " mode " + std::to_string(mode);
      ASSERT_EQ(Repair(source, mode), 1) << what;
      ExpectEncryptedAsTheSource(what);
      EXPECT_EQ(ReadWholeFile(m_dir.Path("out.pdf")).find(" 0 R\r\n/P"), std::string::npos) << what;
    }
  }
}

TEST_F(EncryptedOutput, ALinearizedFileIsSeenAsEncryptedThroughItsFirstPageTrailer) {
  for (const Encryption& encryption : {kEncryptions[0], kEncryptions[2]}) {
    for (const std::string streams : {"disable", "generate"}) {
      std::string linearized = Encrypted(encryption, "--linearize --object-streams=" + streams);
      // A main trailer (or cross-reference stream) that names the root but
      // not the handler, as some writers make it.
      const size_t size = linearized.rfind("/Size ");
      ASSERT_NE(size, std::string::npos);
      const size_t root = linearized.find("/Root ");
      ASSERT_LT(root, size);
      linearized.insert(size, linearized.substr(root, linearized.find(" R", root) + 3 - root));
      for (const std::string junk : {"", "junk before the header\n"}) {
        for (const uint32_t mode : kModes) {
          const std::string what = std::string(encryption.name) + ", object streams " + streams + ", junk \"" +
                                   junk + "\", mode " + std::to_string(mode);
          ASSERT_EQ(Repair(junk + linearized, mode), 1) << what;
          ExpectEncryptedAsTheSource(what);
          ExpectWholeContent(what);
        }
      }
    }
  }
}

// Streams too large to hold are decrypted and encrypted again as they are
// copied, a piece at a time: an image of random bytes, a page's deflated
// content, and object streams the unpacking reads through, their lengths
// no multiple of the cipher's block.
TEST_F(EncryptedOutput, LargeStreamsComeOutWhole) {
  std::mt19937 random(7);
  std::string image(300001, '\0');
  for (char& byte : image) byte = static_cast<char>(random());
  std::string content;
  while (content.size() < 200000) content += "BT /F1 9 Tf 10 10 Td (" + std::to_string(random()) + ") Tj ET\n";
  content += "BT /F1 9 Tf 10 10 Td (the last words) Tj ET\n";
  uLongf deflatedSize = compressBound(static_cast<uLong>(content.size()));
  std::string deflated(deflatedSize, '\0');
  ASSERT_EQ(compress(reinterpret_cast<Bytef*>(deflated.data()), &deflatedSize,
                     reinterpret_cast<const Bytef*>(content.data()), static_cast<uLong>(content.size())),
            Z_OK);
  deflated.resize(deflatedSize);
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R /Notes 7 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 200] /Contents 4 0 R"
      " /Resources << /Font << /F1 5 0 R >> /XObject << /Im1 6 0 R >> >> >>",
      "<< /Length " + std::to_string(deflated.size()) + " /Filter /FlateDecode >>\nstream\n" + deflated +
          "\nendstream",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
      "<< /Type /XObject /Subtype /Image /Width 100 /Height 1000 /ColorSpace /DeviceRGB /BitsPerComponent 8"
      " /Length " + std::to_string(image.size()) + " >>\nstream\n" + image + "\nendstream"};
  std::string notes = "[";
  for (int i = 0; i < 300; ++i) {
    notes += " " + std::to_string(8 + i) + " 0 R";
    objects.push_back("<< /Note (note " + std::to_string(i) + " " + std::string(900, 'n') + ") >>");
  }
  objects.insert(objects.begin() + 6, notes + " ]");
  const std::string clean = PdfWithXref(objects);
  for (const Encryption& encryption : kEncryptions) {
    const std::string source = EncryptedFrom(clean, encryption, "--object-streams=generate");
    for (const uint32_t mode : kModes) {
      const std::string what = std::string(encryption.name) + " mode " + std::to_string(mode);
      ASSERT_EQ(Repair(source, mode), 1) << what;
      ExpectEncryptedAsTheSource(what);
      const judges::Answer plain =
          judges::Qpdf("--decrypt --qdf --normalize-content=n --object-streams=disable " + judges::Quoted(m_dir.Path("out.pdf")) + " " +
                       judges::Quoted(m_dir.Path("plain.pdf")));
      ASSERT_NE(plain.status, 2) << what << ": " << plain.output;
      const std::string bytes = ReadWholeFile(m_dir.Path("plain.pdf"));
      EXPECT_NE(bytes.find(image), std::string::npos) << what;
      EXPECT_NE(bytes.find(content), std::string::npos) << what;
      EXPECT_NE(bytes.find("(note 299 " + std::string(900, 'n') + ")"), std::string::npos) << what;
    }
  }
}

}  // namespace
