// Objects packed into object streams join the table by the precedence of
// incremental updates; hostile containers cost only themselves.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <utility>
#include <vector>

#include "EngineTestSupport.h"
#include "decode/StreamDecode.h"
#include "model/DecodeBudget.h"
#include "model/Document.h"
#include "model/ObjectPool.h"
#include "model/ObjectTable.h"
#include "model/RepairReport.h"
#include "parser/ObjectStreams.h"
#include "writer/OutputAudit.h"

namespace {

using Entries = std::vector<std::pair<uint32_t, std::string>>;

std::string Deflate(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
            static_cast<uLong>(data.size()), 1);
  out.resize(size);
  return out;
}

// The decoded content of an object stream: header pairs, then the objects.
std::string Pack(const Entries& entries, size_t& first) {
  std::string header;
  std::string body;
  for (const auto& [number, text] : entries) {
    header += std::to_string(number) + " " + std::to_string(body.size()) + " ";
    body += text + "\n";
  }
  first = header.size();
  return header + body;
}

// "N 0 obj" of an object stream with the given dictionary extras.
std::string Container(uint32_t number, const std::string& data, size_t first, const std::string& extras,
                      const std::string& count = "") {
  return std::to_string(number) + " 0 obj\n<< /Type /ObjStm /N " + (count.empty() ? "2" : count) + " /First " +
         std::to_string(first) + " /Length " + std::to_string(data.size()) + " " + extras + " >>\nstream\n" + data +
         "\nendstream\nendobj\n";
}

class ObjectStreamTest : public ::testing::Test {
 protected:
  // Parses the bytes and unpacks them; answers the latest text under key.
  void Unpack(const std::string& bytes) {
    m_parsed = std::make_unique<ParsedBytes>(bytes);
    UnpackObjectStreams(m_parsed->Document(), m_parsed->File());
  }
  const CPdfObjectList* List(uint32_t number) { return m_parsed->Document().Table().Lookup({number, 0}); }
  std::string Latest(uint32_t number) {
    const CPdfObjectList* list = List(number);
    if (list == nullptr || list->GetCount() == 0) return "(none)";
    return Written(*list->GetLatest());
  }

  std::unique_ptr<ParsedBytes> m_parsed;
};

TEST_F(ObjectStreamTest, PackedObjectsFollowTheOrderOfUpdates) {
  size_t first = 0;
  const std::string packed = Pack({{5, "(packed five)"}, {6, "<< /Type /Page >>"}}, first);
  Unpack("5 0 obj (before) endobj\n6 0 obj (six before) endobj\n" + Container(10, Deflate(packed), first, "/Filter /FlateDecode") +
         "6 0 obj (six after) endobj\n11 0 obj << /Type /XRef >> stream\nxx\nendstream endobj\n");
  // Defined before the container: the packed one wins; after it: the later.
  EXPECT_EQ(Latest(5), "(packed five)\r\n");
  EXPECT_EQ(Latest(6), "(six after)\r\n");
  ASSERT_EQ(List(6)->GetCount(), 3u);
  EXPECT_EQ(Written(*List(6)->GetAt(1)), "<<\r\n/Type\t/Page\r\n>>\r\n");
  // The container and the cross-reference stream are stale now.
  EXPECT_EQ(List(10)->GetCount(), 0u);
  EXPECT_EQ(List(11)->GetCount(), 0u);
}

TEST_F(ObjectStreamTest, BadCountAndOffsetsCostOnlyTheirEntries) {
  const std::string data = "7 0 8 99999 9 8 0 0 (seven) (nine)";
  Unpack(Container(10, data, 20, "", "1000"));
  EXPECT_EQ(Latest(7), "(seven)\r\n");
  EXPECT_EQ(Latest(8), "(none)");
  EXPECT_EQ(Latest(9), "(nine)\r\n");
  // A /First beyond the data leaves the container as it was.
  Unpack(Container(10, data, 500, ""));
  EXPECT_EQ(Latest(7), "(none)");
  EXPECT_EQ(List(10)->GetCount(), 1u);
  // Entries pointing at one offset: the first the header gives takes the
  // bytes, which are parsed once.
  Unpack(Container(10, "7 0 8 0 9 8 (seven) (nine)", 12, "", "3"));
  EXPECT_EQ(Latest(7), "(seven)\r\n");
  EXPECT_EQ(Latest(8), "(none)");
  EXPECT_EQ(Latest(9), "(nine)\r\n");
}

TEST_F(ObjectStreamTest, ABrokenEntryKeepsItsNeighbours) {
  size_t first = 0;
  const std::string packed = Pack({{7, "(seven)"}, {8, "(unclosed"}, {9, "<< /A 1 >>"}}, first);
  Unpack(Container(10, packed, first, "", "3"));
  EXPECT_EQ(Latest(7), "(seven)\r\n");
  EXPECT_EQ(Latest(8), "(none)");
  EXPECT_EQ(Latest(9), "<<\r\n/A\t1\r\n>>\r\n");
}

TEST_F(ObjectStreamTest, CutOrCorruptDeflateKeepsWhatCameBeforeIt) {
  std::string noise;
  for (uint32_t i = 0, x = 1; i < 6000; ++i) noise += "0123456789abcdef"[(x = x * 1103515245 + 12345) >> 28];
  size_t first = 0;
  const std::string packed = Pack({{7, "(seven)"}, {8, "<" + noise + ">"}}, first);
  const std::string deflated = Deflate(packed);
  Unpack(Container(10, deflated.substr(0, deflated.size() / 2), first, "/Filter /FlateDecode"));
  EXPECT_EQ(Latest(7), "(seven)\r\n");
  EXPECT_EQ(Latest(8), "(none)");
  std::string corrupt = deflated;
  for (size_t i = corrupt.size() / 2; i < corrupt.size(); ++i) corrupt[i] = '\xFF';
  Unpack(Container(10, corrupt, first, "/Filter /FlateDecode"));
  EXPECT_EQ(Latest(7), "(seven)\r\n");
  EXPECT_EQ(Latest(8), "(none)");
}

TEST_F(ObjectStreamTest, ADeflateBombIsCutAtTheLimit) {
  size_t first = 0;
  const std::string packed = Pack({{7, "(seven)"}, {8, "(" + std::string(64 << 20, ' ') + ")"}}, first);
  Unpack(Container(10, Deflate(packed), first, "/Filter /FlateDecode"));
  EXPECT_EQ(Latest(7), "(seven)\r\n");
  EXPECT_EQ(Latest(8), "(none)");
}

TEST_F(ObjectStreamTest, PngPredictedDataIsUndone) {
  size_t first = 0;
  const std::string packed = Pack({{7, "(seven)"}, {8, "[1 2 3]"}}, first);
  // Rows of 4 bytes, each filtered "Up": the difference to the row above.
  std::string predicted;
  std::string above(4, '\0');
  for (size_t at = 0; at < packed.size(); at += 4) {
    std::string row = packed.substr(at, 4);
    row.resize(4, ' ');
    predicted += '\x02';
    for (size_t i = 0; i < 4; ++i) predicted += static_cast<char>(row[i] - above[i]);
    above = row;
  }
  Unpack(Container(10, Deflate(predicted), first,
                   "/Filter [/FlateDecode] /DecodeParms [<< /Predictor 12 /Columns 4 >>]"));
  EXPECT_EQ(Latest(7), "(seven)\r\n");
  EXPECT_EQ(Latest(8), "[\r\n1\r\n2\r\n3\r\n]\r\n");
}

// A row may be no wider than the data that could fill it: parameters that
// claim a row of 1 GiB for a few bytes are refused, the container stays.
TEST_F(ObjectStreamTest, APredictorRowWiderThanItsDataIsRefused) {
  size_t first = 0;
  const std::string packed = Pack({{7, "(seven)"}}, first);
  Unpack(Container(10, Deflate(std::string(1, '\0') + packed), first,
                   "/Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 16777216 /Colors 32 "
                   "/BitsPerComponent 16 >>",
                   "1"));
  EXPECT_EQ(Latest(7), "(none)");
  EXPECT_EQ(List(10)->GetCount(), 1u);
  // Undone directly: no row, no change.
  CByteArray data(100, 'x');
  EXPECT_FALSE(UndoPredictor({12, 32, 16, 1 << 24}, data));
  EXPECT_EQ(data, std::string(100, 'x'));
  // Empty data has no row to undo, however wide the parameters claim it.
  CByteArray empty;
  EXPECT_TRUE(UndoPredictor({12, 32, 16, 1 << 24}, empty));
  EXPECT_TRUE(empty.empty());
}

// Entries that all name one object: the last the header gives is the
// container's version, and the others cost neither a parse nor an object.
TEST_F(ObjectStreamTest, OneNumberRepeatedThroughAContainerKeepsItsLastEntry) {
  constexpr size_t kEntries = 20000;
  Entries entries;
  for (size_t i = 0; i < kEntries; ++i) entries.push_back({7, std::to_string(i)});
  size_t first = 0;
  const std::string packed = Pack(entries, first);
  const uint64_t stepsBefore = UnpackingSteps();
  Unpack("7 0 obj (before) endobj\n" +
         Container(10, Deflate(packed), first, "/Filter /FlateDecode", std::to_string(kEntries)) +
         "7 0 obj (after) endobj\n");
  EXPECT_LE(UnpackingSteps() - stepsBefore, 4u);
  ASSERT_EQ(List(7)->GetCount(), 3u);
  EXPECT_EQ(Written(*List(7)->GetAt(0)), "(before)\r\n");
  EXPECT_EQ(Written(*List(7)->GetAt(1)), std::to_string(kEntries - 1) + "\r\n");
  EXPECT_EQ(Latest(7), "(after)\r\n");
}

// Arrays of integers take twenty times their decoded bytes in the model:
// their memory spends the run's budget, and what does not fit is counted
// as dropped, not made.
TEST_F(ObjectStreamTest, ValuesMadeFromDecodedDataSpendTheBudget) {
  const std::string array = "[" + [] {
    std::string zeros;
    for (int i = 0; i < 100000; ++i) zeros += "0 ";
    return zeros;
  }() + "]";
  std::string bytes;
  for (uint32_t container = 0; container < 4; ++container) {
    Entries entries;
    for (uint32_t i = 0; i < 20; ++i) entries.push_back({100 + container * 20 + i, array});
    size_t first = 0;
    const std::string packed = Pack(entries, first);
    bytes += Container(10 + container, Deflate(packed), first, "/Filter /FlateDecode", "20");
  }
  const size_t memoryBefore = ModelBytesInUse();
  Unpack(bytes);
  const CDecodeBudget& budget = m_parsed->Document().DecodeBudget();
  EXPECT_EQ(budget.Total(), bytes.size() * CDecodeBudget::kSourceFactor + CDecodeBudget::kAllowance);
  EXPECT_LE(budget.Used(), budget.Total());
  EXPECT_GT(budget.Shortfalls(), 0u);
  // The model holds no more than the budget allows.
  EXPECT_LE(ModelBytesInUse() - memoryBefore, budget.Total());
  EXPECT_GT(m_parsed->Document().ObjectsDropped(), 0u);
  EXPECT_EQ(Latest(100).substr(0, 6), "[\r\n0\r\n");
  EXPECT_EQ(Latest(179), "(none)");
}

// Containers that inflate a thousandfold stop decoding once the budget is
// spent: what they hold is counted as dropped, and they stay as they were.
TEST_F(ObjectStreamTest, DecodingStopsWhenTheBudgetIsSpent) {
  const std::string head = "1000 0\n";
  const std::string twice = Deflate(Deflate(head + "(x)" + std::string(8 << 20, ' ')));
  std::string bytes;
  for (uint32_t i = 0; i < 8; ++i) {
    bytes += std::to_string(10 + i) + " 0 obj\n<< /Type /ObjStm /N 1 /First " + std::to_string(head.size()) +
             " /Filter [/FlateDecode /FlateDecode] /Length " + std::to_string(twice.size()) + " >>\nstream\n" + twice +
             "\nendstream\nendobj\n";
  }
  Unpack(bytes);
  const CDecodeBudget& budget = m_parsed->Document().DecodeBudget();
  EXPECT_LE(budget.Used(), budget.Total());
  EXPECT_GT(budget.Shortfalls(), 0u);
  EXPECT_GT(m_parsed->Document().ObjectsDropped(), 0u);
  ASSERT_NE(List(1000), nullptr);
  EXPECT_EQ(Written(*List(1000)->GetAt(0)), "(x)\r\n");
  EXPECT_EQ(List(17)->GetCount(), 1u);
}

// The containers the budget left packed are checked before they are
// written, their /Length being wrong: the check spends the same budget, and
// decodes nothing once it is spent.
TEST_F(ObjectStreamTest, TheOutputsCheckSpendsTheSameBudget) {
  const std::string head = "1000 0\n";
  const std::string twice = Deflate(Deflate(head + "(x)" + std::string(8 << 20, ' ')));
  std::string bytes;
  for (uint32_t i = 0; i < 8; ++i) {
    bytes += std::to_string(10 + i) + " 0 obj\n<< /Type /ObjStm /N 1 /First " + std::to_string(head.size()) +
             " /Filter [/FlateDecode /FlateDecode] /Length 1 >>\nstream\n" + twice + "\nendstream\nendobj\n";
  }
  Unpack(bytes);
  CDecodeBudget& budget = m_parsed->Document().DecodeBudget();
  std::vector<CPdfObject*> packed;
  for (uint32_t i = 0; i < 8; ++i) {
    if (List(10 + i)->GetCount() == 1) packed.push_back(List(10 + i)->GetAt(0));
  }
  ASSERT_FALSE(packed.empty());
  const uint64_t shortfalls = budget.Shortfalls();
  CRepairReport report;
  AuditOutputObjects(packed, budget, report);
  EXPECT_EQ(budget.Used(), budget.Total());
  EXPECT_EQ(budget.Shortfalls(), shortfalls + packed.size());
  EXPECT_EQ(report.streamsCut, 0u);
}

}  // namespace
