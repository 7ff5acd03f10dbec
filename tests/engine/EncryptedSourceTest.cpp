// Encrypted sources in thorough recovery, at the engine's edges: string
// bytes read back from their source text, and /Encrypt dictionaries that do
// not open. Those must neither crash nor hang: the objects are copied as
// they are, and the log says why the result may stay unreadable.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "EngineTestSupport.h"
#include "base/EngineStrings.h"
#include "decode/StringBytes.h"

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
  size_t notOpened;  // log lines that say the source did not open
  std::string output;
};

Outcome RepairThoroughly(const std::string& source) {
  ScratchDir dir;
  WriteWholeFile(dir.Path("in.pdf"), source);
  MessageLog log;
  EngineCallRecord record = log.Record(dir.Path("in.pdf"), dir.Path("out.pdf"), (4u << 16) | TESSCORE_OPTION_THOROUGH);
  const int result = RepairPdfFile(&record);
  const std::vector<std::string> lines = log.TextsOf(msgLogLine);
  return {result, static_cast<size_t>(std::count(lines.begin(), lines.end(), LoadEngineString(idsEncryptedSource))),
          ReadWholeFile(dir.Path("out.pdf"))};
}

TEST(EncryptedSource, ADictionaryThatDoesNotOpenIsCopiedAndSaidInTheLog) {
  const std::string valid = "/Filter /Standard /V 2 /R 3 /Length 128 /P -4 /O " + kOwner + " /U " + kUser;
  const std::string r6 = "/Filter /Standard /V 5 /R 6 /Length 256 /P -4 /StmF /StdCF /StrF /StdCF"
                         " /CF << /StdCF << /CFM /AESV3 >> >> /O <" + std::string(96, 'A') + "> /U <" +
                         std::string(96, 'B') + ">";
  const std::string cases[] = {
      "<< " + valid + " >>",  // well formed, but the empty password does not open it
      "<< /Filter /Standard /V 2 /R 3 /Length 99999 /P -4 /O " + kOwner + " /U " + kUser + " >>",
      "<< /Filter /Standard /V 2 /R 99 /Length 128 /P -4 /O " + kOwner + " /U " + kUser + " >>",
      "<< /Filter /Standard /V 2 /R 3 /Length 128 /P -4 /O <4142> /U " + kUser + " >>",
      "<< /Filter /Standard /V 2 /R 3 /Length 128 /P -4 /O " + kOwner + " /U () >>",
      "<< /Filter /Standard /V 2 /R 3 /Length 128 /O " + kOwner + " /U " + kUser + " >>",
      "<< /Filter /Standard /V 4 /R 4 /P -4 /StmF /StdCF /StrF /StdCF /CF << /StdCF << /CFM /Bogus >> >> /O " +
          kOwner + " /U " + kUser + " >>",
      "<< /Filter /Standard /V 4 /R 4 /P -4 /StmF /Missing /O " + kOwner + " /U " + kUser + " >>",
      "<< " + r6 + " /UE <0102> >>",
      "<< " + r6 + " /UE <" + std::string(64, 'C') + "> >>",
      "<< /Filter /Adobe.PubSec /V 4 /R 4 /P -4 /O " + kOwner + " /U " + kUser + " >>",
      "<< /Filter /Standard /V 1 /R 2 /P 99999999999999999999 /O " + kOwner + " /U " + kUser + " >>",
      "<< /Filter /Standard /V [1] /R (2) /P -4 /O 7 /U /U >>",
  };
  for (const std::string& encrypt : cases) {
    const Outcome outcome = RepairThoroughly(Source(encrypt));
    EXPECT_EQ(outcome.result, 1) << encrypt;
    EXPECT_EQ(outcome.notOpened, 1u) << encrypt;
    EXPECT_NE(outcome.output.find("(kept as it was)"), std::string::npos) << encrypt;
    EXPECT_EQ(outcome.output.find("/Encrypt"), std::string::npos) << encrypt;
  }
  // Without /ID the key of revisions 2 to 4 cannot be made.
  EXPECT_EQ(RepairThoroughly(Source("<< " + valid + " >>", "")).notOpened, 1u);
}

TEST(EncryptedSource, AnUnencryptedSourceSaysNothing) {
  std::string source = Source("<< /Producer (no handler) >>");
  source.erase(source.find("/Encrypt 9 0 R "), 15);
  const Outcome outcome = RepairThoroughly(source);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.notOpened, 0u);
  EXPECT_NE(outcome.output.find("(kept as it was)"), std::string::npos);
}

}  // namespace
