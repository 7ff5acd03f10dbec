// Encrypted sources at the engine's edges: string bytes read back from
// their source text, /Encrypt dictionaries that do not open, and a password
// of any bytes. A source that cannot be decrypted fails the repair in both
// modes, with one error that names the cause, and neither crashes nor hangs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "EngineTestSupport.h"
#include "Judges.h"
#include "base/EngineStrings.h"
#include "decode/StringBytes.h"
#include "security/Ciphers.h"
#include "security/StandardSecurity.h"

namespace {

TEST(StringBytes, LiteralEscapesLineEndsAndHexDigits) {
  EXPECT_EQ(StringBytes("(a\\)b\\(\\\\\\061\\1234\\q)"), std::string("a)b(\\1S4q"));
  EXPECT_EQ(StringBytes("(one\\\r\ntwo\r\nthree\rfour\\n)"), "onetwo\nthree\nfour\n");
  EXPECT_EQ(StringBytes("(\\0)"), std::string(1, '\0'));
  EXPECT_EQ(StringBytes("<41 42\n4>"), "AB@");
  EXPECT_EQ(StringBytes("<>"), "");
  EXPECT_EQ(StringBytes("(cut"), "cut");
  EXPECT_EQ(HexStringText(std::string("\0\xFF(", 3)), "<00FF28>");
}

const std::string kOwner = "<" + std::string(64, 'A') + ">";
const std::string kUser = "<" + std::string(64, 'B') + ">";
const std::string kId = "/ID [<00112233445566778899AABBCCDDEEFF> <00112233445566778899AABBCCDDEEFF>]";

// One page, a string, an /Encrypt dictionary and the trailer that names it.
std::string Source(const std::string& encrypt, const std::string& id = kId) {
  return "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
         "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
         "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] /Contents 4 0 R >> endobj\n"
         "4 0 obj << /Length 5 >>\nstream\n(x)Tj\nendstream endobj\n5 0 obj (kept as it was) endobj\n"
         "9 0 obj " + encrypt + " endobj\ntrailer << /Root 1 0 R /Encrypt 9 0 R " + id + " >>\n%%EOF\n";
}

struct Outcome {
  int result;
  std::vector<std::string> errors;
  std::vector<std::string> queries;  // the attempts asked
  std::string output;
};

Outcome Repair(const std::string& source, uint32_t options, const std::vector<std::string>& passwords = {}) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("in.pdf"), source);
  MessageLog log;
  log.passwords = passwords;
  EngineCallRecord record = log.Record(dir.Path("in.pdf"), dir.Path("out.pdf"), (4u << 16) | options);
  const int result = RepairPdfFile(&record);
  return {result, log.TextsOf(msgError), log.TextsOf(msgQueryPassword), ReadWholeFile(dir.Path("out.pdf"))};
}

std::string CannotDecrypt(int cause) {
  return ReplacePercentOne(LoadEngineString(idsCannotDecrypt), LoadEngineString(cause));
}

constexpr uint32_t kModes[] = {0, TESSCORE_OPTION_THOROUGH};

TEST(EncryptedSource, ADictionaryThatDoesNotOpenFailsTheRepairWithItsCause) {
  const std::string valid = "/Filter /Standard /V 2 /R 3 /Length 128 /P -4 /O " + kOwner + " /U " + kUser;
  const std::string r6 = "/Filter /Standard /V 5 /R 6 /Length 256 /P -4 /StmF /StdCF /StrF /StdCF"
                         " /CF << /StdCF << /CFM /AESV3 >> >> /O <" + std::string(96, 'A') + "> /U <" +
                         std::string(96, 'B') + ">";
  const std::pair<std::string, int> cases[] = {
      // well formed, but the empty password does not open them
      {Source("<< " + valid + " >>"), idsNoPassword},
      {Source("<< " + r6 + " /UE <" + std::string(64, 'C') + "> >>"), idsNoPassword},
      {Source("<< /Filter /Standard /V 2 /R 3 /Length 99999 /P -4 /O " + kOwner + " /U " + kUser + " >>"),
       idsUnknownHandler},
      {Source("<< /Filter /Standard /V 2 /R 99 /Length 128 /P -4 /O " + kOwner + " /U " + kUser + " >>"),
       idsUnknownHandler},
      {Source("<< /Filter /Standard /V 2 /R 3 /Length 128 /P -4 /O <4142> /U " + kUser + " >>"), idsUnknownHandler},
      {Source("<< /Filter /Standard /V 2 /R 3 /Length 128 /P -4 /O " + kOwner + " /U () >>"), idsUnknownHandler},
      {Source("<< /Filter /Standard /V 2 /R 3 /Length 128 /O " + kOwner + " /U " + kUser + " >>"), idsUnknownHandler},
      {Source("<< /Filter /Standard /V 4 /R 4 /P -4 /StmF /StdCF /StrF /StdCF /CF << /StdCF << /CFM /Bogus >> >> /O " +
              kOwner + " /U " + kUser + " >>"),
       idsUnknownHandler},
      {Source("<< /Filter /Standard /V 4 /R 4 /P -4 /StmF /Missing /O " + kOwner + " /U " + kUser + " >>"),
       idsUnknownHandler},
      {Source("<< " + r6 + " /UE <0102> >>"), idsUnknownHandler},
      {Source("<< /Filter /Adobe.PubSec /V 4 /R 4 /P -4 /O " + kOwner + " /U " + kUser + " >>"), idsUnknownHandler},
      {Source("<< /Filter /Standard /V 1 /R 2 /P 99999999999999999999 /O " + kOwner + " /U " + kUser + " >>"),
       idsUnknownHandler},
      {Source("<< /Filter /Standard /V [1] /R (2) /P -4 /O 7 /U /U >>"), idsUnknownHandler},
      // Without /ID the key of revisions 2 to 4 cannot be made.
      {Source("<< " + valid + " >>", ""), idsIdLost},
      {Source("(not a dictionary)"), idsEncryptLost},
      // A trailer with ">>" in a string and in a comment is read whole.
      {Source("<< " + valid + " >>", "/Note (>> \\) %) " + kId + " % a comment >>\n"), idsNoPassword},
  };
  for (const uint32_t mode : kModes) {
    for (const auto& [source, cause] : cases) {
      const Outcome outcome = Repair(source, mode | TESSCORE_OPTION_PASSWORD_QUERY);
      EXPECT_EQ(outcome.result, 0) << source;
      EXPECT_EQ(outcome.errors, std::vector<std::string>{CannotDecrypt(cause)}) << source;
      // Only a handler that reads asks for a password.
      EXPECT_EQ(outcome.queries.size(), cause == idsNoPassword ? 1u : 0u) << source;
    }
  }
  // A trailer that names an object the file lost.
  std::string lost = Source("<< " + valid + " >>");
  lost.replace(lost.find("/Encrypt 9 0 R"), 14, "/Encrypt 7 0 R");
  EXPECT_EQ(Repair(lost, 0).errors, std::vector<std::string>{CannotDecrypt(idsEncryptLost)});
}

TEST(EncryptedSource, AnUnencryptedSourceSaysNothing) {
  std::string source = Source("<< /Producer (no handler) >>");
  source.erase(source.find("/Encrypt 9 0 R "), 15);
  for (const uint32_t mode : kModes) {
    const Outcome outcome = Repair(source, mode | TESSCORE_OPTION_PASSWORD_QUERY);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_TRUE(outcome.queries.empty());
    EXPECT_NE(outcome.output.find("(kept as it was)"), std::string::npos);
  }
}

// Revision 3 with RC4 of 128 bits, made here as the handler's algorithms
// say: /O from the owner password, /U and the file key from the user one,
// whose bytes may be any (qpdf takes no NUL in a password).
class CRevision3 {
 public:
  CRevision3(const std::string& user, const std::string& owner) {
    std::string ownerKey = Md5(Padded(owner));
    for (int i = 0; i < 50; ++i) ownerKey = Md5(ownerKey);
    m_owner = Rc4Twenty(ownerKey, Padded(user));
    m_key = Md5(Padded(user) + m_owner + std::string("\xFC\xFF\xFF\xFF", 4) + kIdBytes);
    for (int i = 0; i < 50; ++i) m_key = Md5(m_key);
    m_user = Rc4Twenty(m_key, Md5(std::string(kPadding, 32) + kIdBytes)) + std::string(16, '\0');
  }

  std::string Source() const {
    const std::string content = Crypt(4, "BT /F1 24 Tf 20 100 Td (Hidden words) Tj ET");
    return "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
           "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
           "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /Contents 4 0 R"
           " /Resources << /Font << /F1 6 0 R >> >> >> endobj\n"
           "4 0 obj << /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
           "\nendstream endobj\n5 0 obj " + HexStringText(Crypt(5, "kept as it was")) + " endobj\n"
           "6 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> endobj\n"
           "9 0 obj << /Filter /Standard /V 2 /R 3 /Length 128 /P -4 /O " + HexStringText(m_owner) +
           " /U " + HexStringText(m_user) + " >> endobj\ntrailer << /Root 1 0 R /Encrypt 9 0 R /ID [" +
           HexStringText(kIdBytes) + HexStringText(kIdBytes) + "] >>\n%%EOF\n";
  }

 private:
  static constexpr char kPadding[] =
      "\x28\xBF\x4E\x5E\x4E\x75\x8A\x41\x64\x00\x4E\x56\xFF\xFA\x01\x08"
      "\x2E\x2E\x00\xB6\xD0\x68\x3E\x80\x2F\x0C\xA9\xFE\x64\x53\x69\x7A";
  inline static const std::string kIdBytes = std::string(16, '\x11');

  static std::string Padded(const std::string& password) {
    return password.substr(0, 32) + std::string(kPadding, 32 - std::min<size_t>(password.size(), 32));
  }
  std::string Md5(const std::string& data) const {
    std::string digest;
    EXPECT_TRUE(m_ciphers.Md5(data, digest));
    return digest;
  }
  std::string Rc4(const std::string& key, const std::string& data) const {
    std::string output;
    EXPECT_TRUE(m_ciphers.Rc4(key, data, output));
    return output;
  }
  std::string Rc4Twenty(const std::string& key, std::string data) const {
    for (int round = 0; round < 20; ++round) {
      std::string roundKey = key;
      for (char& byte : roundKey) byte = static_cast<char>(byte ^ round);
      data = Rc4(roundKey, data);
    }
    return data;
  }
  std::string Crypt(char number, const std::string& data) const {
    return Rc4(Md5(m_key + number + std::string(4, '\0')), data);
  }

  CCiphers m_ciphers;
  std::string m_owner;
  std::string m_user;
  std::string m_key;
};

TEST(EncryptedSource, APasswordOfAnyBytesOpensRevision3) {
  const std::string user("a\0b\xFF", 4);
  const std::string source = CRevision3(user, "owner").Source();
  for (const uint32_t mode : kModes) {
    ScratchDir dir;
    WriteWholeFile(dir.Path("in.pdf"), source);
    MessageLog log;
    // Up to the NUL, then the right bytes.
    log.passwords = {"a", user};
    EngineCallRecord record = log.Record(dir.Path("in.pdf"), dir.Path("out.pdf"),
                                         (4u << 16) | mode | TESSCORE_OPTION_PASSWORD_QUERY);
    ASSERT_EQ(RepairPdfFile(&record), 1);
    EXPECT_EQ(log.TextsOf(msgQueryPassword), (std::vector<std::string>{"1", "2"}));
    // Judged by qpdf through the owner password: the same /O and key.
    const std::string out = judges::Quoted(dir.Path("out.pdf"));
    EXPECT_EQ(judges::Qpdf("--password=owner --check " + out).status, 0);
    EXPECT_EQ(judges::Run(std::string(TESSALY_PDFTOTEXT) + " -opw owner " + out + " - 2>/dev/null | tr -s ' \\n\\f' ' '").output,
              "Hidden words ");
    EXPECT_NE(judges::Qpdf("--password=owner --decrypt --qdf --preserve-unreferenced " + out + " -").output.find("(kept as it was)"),
              std::string::npos);
  }
  // The owner password itself opens it too, and the SASLprep of revision 6
  // does not touch these bytes: refused, they are taken as they are.
  EXPECT_EQ(Repair(source, TESSCORE_OPTION_PASSWORD_QUERY, {"owner"}).result, 1);
  EXPECT_EQ(SaslPrepared(user), user);
  EXPECT_EQ(SaslPrepared("\xC3\x28"), "\xC3\x28");
  EXPECT_EQ(SaslPrepared("a\xC2\xA0" "b"), "a b");
  EXPECT_EQ(SaslPrepared(std::string(200, 'x')).size(), 127u);
}

}  // namespace
