// Encrypted sources in both modes: a small document encrypted by qpdf (RC4
// 40 and 128, AES 128 and 256, with and without object streams, metadata in
// clear), damaged here, repaired, and judged by qpdf and poppler: the same
// encryption and key, every page and its text, strings and metadata
// readable. A user password is asked through the callback; a source that
// does not open fails with one error.
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
#include "PdfWithXref.h"
#include "Judges.h"
#include "tesscore/tesscore.h"

namespace fs = std::filesystem;

namespace {

using e2e::Quoted;
using e2e::ReadAll;

// A judge's whole answer: it must have said something.
std::string Judge(const std::string& command) {
  const judges::Answer answer = judges::Run(command);
  EXPECT_FALSE(answer.output.empty()) << command;
  return answer.output;
}

const std::string kQpdf = std::string(TESSALY_QPDF) + " ";
const std::string kPdfinfo = TESSALY_PDFINFO;
const std::string kPdftotext = TESSALY_PDFTOTEXT;


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
  return PdfWithXref(objects, "1.6", " /Info 7 0 R");
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
  std::vector<std::string> errors;
  std::vector<int32_t> attempts;     // of the password queries
  std::vector<std::string> answers;  // to them, in turn; past them, no password
  bool nullAnswer = false;           // nonzero with a null password
};

int32_t Collect(int32_t code, void* data, void* userData) {
  auto& run = *static_cast<RepairRun*>(userData);
  if (code == msgLogLine) run.logLines.emplace_back(static_cast<const char*>(data));
  if (code == msgError) run.errors.emplace_back(static_cast<const char*>(data));
  if (code != msgQueryPassword) return 0;
  auto& query = *static_cast<PasswordQuery*>(data);
  run.attempts.push_back(query.attempt);
  if (run.nullAnswer) return 1;
  if (run.attempts.size() > run.answers.size()) return 0;
  query.password = run.answers[run.attempts.size() - 1].data();
  query.length = static_cast<uint32_t>(run.answers[run.attempts.size() - 1].size());
  return 1;
}

RepairRun Repair(const fs::path& source, const fs::path& destination, uint32_t options, RepairRun run = {}) {
  const std::string from = source.string();
  const std::string to = destination.string();
  fs::remove(destination);
  EngineCallRecord record{from.c_str(), 0, (4u << 16) | options, to.c_str(), &Collect, &run};
  run.result = RepairPdfFile(&record);
  return run;
}

constexpr uint32_t kModes[] = {0, TESSCORE_OPTION_THOROUGH};
constexpr char kNoPassword[] = "错误 5: 不能解密来源文件。没有给出正确的密码。";

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
    judges::Run(kQpdf + "--allow-weak-crypto --object-streams=" + std::string(objectStreams ? "generate" : "disable") +
          " --encrypt '" + password + "' owner " + options + " -- " + Quoted(m_dir / "clean.pdf") + " " +
          Quoted(encrypted));
    return encrypted;
  }

  // The repaired file against its encrypted source: sound, the same
  // encryption and key, three pages and the clean text.
  void ExpectReadable(const fs::path& repaired, const fs::path& encrypted, const std::string& password) const {
    const std::string open = kQpdf + "--password='" + password + "' ";
    EXPECT_EQ(Judge(open + "--check " + Quoted(repaired) + " 2>&1 | grep -c WARNING; " + open + "--check " +
                    Quoted(repaired) + " >/dev/null 2>&1; echo $?"),
              "0\n0\n");
    const std::string encryption = open + "--show-encryption --show-encryption-key ";
    EXPECT_EQ(Judge(encryption + Quoted(repaired)), Judge(encryption + Quoted(encrypted)));
    const std::string poppler = " -upw '" + password + "' ";
    EXPECT_EQ(Judge(kPdfinfo + poppler + Quoted(repaired) + " 2>/dev/null | grep '^Pages:'"), "Pages:           3\n");
    const std::string text = " - 2>/dev/null | tr -s ' \\n' ' '";
    EXPECT_EQ(Judge(kPdftotext + poppler + Quoted(repaired) + text),
              Judge(kPdftotext + " " + Quoted(m_dir / "clean.pdf") + text));
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

  for (const uint32_t mode : kModes) {
    const RepairRun run = Repair(damaged, repaired, mode);
    EXPECT_EQ(run.result, 1) << mode;
    EXPECT_TRUE(run.errors.empty()) << mode;
    ExpectReadable(repaired, encrypted, "");
    // Strings from object streams, the new information dictionary and the
    // metadata stream all read back in clear.
    EXPECT_NE(Judge(kPdfinfo + " " + Quoted(repaired)).find("Tessaly: https://tessaly.example/"), std::string::npos);
    const std::string plain = Judge(kQpdf + "--decrypt --qdf --object-streams=disable " + Quoted(repaired) + " -");
    EXPECT_NE(plain.find("(Note on page two)"), std::string::npos) << mode;
    EXPECT_NE(plain.find("Encrypted sample metadata"), std::string::npos) << mode;
  }
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

// The user and the owner password both open every kind of handler, in
// both modes; the output keeps both, and neither appears in a message.
TEST_F(EncryptedSource, TheUserOrTheOwnerPasswordOpensEveryKind) {
  const fs::path repaired = m_dir / "repaired.pdf";
  for (const char* kind : {"40", "128 --use-aes=n", "128 --use-aes=y", "256 --force-R5", "256"}) {
    const fs::path encrypted = Encrypted("user pw", kind, false);
    for (const std::string answer : {"user pw", "owner"}) {
      for (const uint32_t mode : kModes) {
        RepairRun asked;
        asked.answers = {answer};
        const RepairRun run = Repair(encrypted, repaired, mode | TESSCORE_OPTION_PASSWORD_QUERY, asked);
        EXPECT_EQ(run.result, 1) << kind << " " << answer << " " << mode;
        EXPECT_EQ(run.attempts, std::vector<int32_t>{1});
        ExpectReadable(repaired, encrypted, "user pw");
        for (const std::string& line : run.logLines) EXPECT_EQ(line.find(answer), std::string::npos) << line;
      }
    }
  }
}

TEST_F(EncryptedSource, WrongAnswersAreAskedAgainThreeTimesAtMost) {
  const fs::path encrypted = Encrypted("secret", "128 --use-aes=y", false);
  const fs::path repaired = m_dir / "repaired.pdf";
  struct Answers {
    std::vector<std::string> answers;
    bool nullAnswer;
    std::vector<int32_t> attempts;
    int result;
  };
  const Answers cases[] = {
      {{"wrong", "secret"}, false, {1, 2}, 1},
      {{"wrong", "Secret", "secret "}, false, {1, 2, 3}, 0},
      {{"wrong", ""}, false, {1, 2}, 0},                 // an empty answer ends it
      {{std::string(128, 's')}, false, {1}, 0},          // over-long: no password
      {{}, true, {1}, 0},                                 // a null password
      {{}, false, {1}, 0},                                // no answer
  };
  for (const uint32_t mode : kModes) {
    for (const Answers& answers : cases) {
      RepairRun asked;
      asked.answers = answers.answers;
      asked.nullAnswer = answers.nullAnswer;
      const RepairRun run = Repair(encrypted, repaired, mode | TESSCORE_OPTION_PASSWORD_QUERY, asked);
      EXPECT_EQ(run.result, answers.result) << answers.attempts.size() << " " << mode;
      EXPECT_EQ(run.attempts, answers.attempts);
      EXPECT_EQ(run.errors, answers.result == 1 ? std::vector<std::string>{} : std::vector<std::string>{kNoPassword});
      for (const std::string& line : run.logLines) EXPECT_EQ(line.find("ecret"), std::string::npos) << line;
    }
    // Without the query bit nobody is asked, and the repair fails alike.
    RepairRun asked;
    asked.answers = {"secret"};
    const RepairRun run = Repair(encrypted, repaired, mode, asked);
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.attempts.empty());
    EXPECT_EQ(run.errors, std::vector<std::string>{kNoPassword});
  }
}

// Revision 6 takes the password after SASLprep: a no-break space is a
// space. A file keyed with the bytes as typed opens with them too.
TEST_F(EncryptedSource, ARevision6PasswordIsTakenAfterSaslprep) {
  const fs::path repaired = m_dir / "repaired.pdf";
  const std::pair<std::string, std::string> cases[] = {
      {"пароль", "пароль"}, {"a b", "a\xC2\xA0" "b"}, {"a\xC2\xA0" "b", "a\xC2\xA0" "b"}};
  for (const auto& [password, answer] : cases) {
    const fs::path encrypted = Encrypted(password, "256", true);
    for (const uint32_t mode : kModes) {
      RepairRun asked;
      asked.answers = {answer};
      EXPECT_EQ(Repair(encrypted, repaired, mode | TESSCORE_OPTION_PASSWORD_QUERY, asked).result, 1) << password;
      ExpectReadable(repaired, encrypted, password);
    }
  }
}

// Cut anywhere, or with /U changed, an encrypted file neither crashes nor
// comes out as a success that no reader opens.
TEST_F(EncryptedSource, ACutOrAlteredEncryptedFileNeverCrashes) {
  const fs::path damaged = m_dir / "damaged.pdf";
  const fs::path repaired = m_dir / "repaired.pdf";
  for (const char* kind : {"40", "256"}) {
    const std::string bytes = ReadAll(Encrypted("", kind, true));
    std::vector<std::string> variants;
    for (size_t percent = 5; percent < 100; percent += 15) variants.push_back(bytes.substr(0, bytes.size() * percent / 100));
    std::string altered = bytes;
    const size_t user = altered.find("/U <");
    if (user != std::string::npos) altered[user + 4] = altered[user + 4] == '0' ? '1' : '0';
    variants.push_back(altered);
    for (const std::string& variant : variants) {
      std::ofstream(damaged, std::ios::binary | std::ios::trunc) << variant;
      for (const uint32_t mode : kModes) {
        RepairRun asked;
        asked.answers = {"guess"};
        const RepairRun run = Repair(damaged, repaired, mode | TESSCORE_OPTION_PASSWORD_QUERY, asked);
        if (run.result == 0) continue;
        EXPECT_TRUE(run.errors.empty());
        EXPECT_NE(Judge(kQpdf + "--check " + Quoted(repaired) + " >/dev/null 2>&1; echo $?"), "2\n") << variant.size();
      }
    }
  }
}

}  // namespace
