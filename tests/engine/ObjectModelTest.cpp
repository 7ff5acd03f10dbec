// The orders that decide every output byte: dictionary buckets, table
// buckets, and each value's written form.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "model/Document.h"
#include "model/PdfDictionary.h"

namespace {

std::vector<std::string> KeysOf(const CPdfDictionary& dictionary) {
  std::vector<std::string> keys;
  dictionary.ForEach([&](std::string_view key, const CPdfObject*) { keys.emplace_back(key); });
  return keys;
}

TEST(Dictionary, BucketsOfTheWellKnownKeys) {
  EXPECT_EQ(HashKeyText("/Pages") % 17, 2u);
  EXPECT_EQ(HashKeyText("/Type") % 17, 5u);
  EXPECT_EQ(HashKeyText("/Kids") % 17, 7u);
  EXPECT_EQ(HashKeyText("/Info") % 17, 8u);
  EXPECT_EQ(HashKeyText("/Parent") % 17, 9u);
  EXPECT_EQ(HashKeyText("/Root") % 17, 13u);
  EXPECT_EQ(HashKeyText("/Size") % 17, 14u);
  EXPECT_EQ(HashKeyText("/Count") % 17, 15u);
  // Bytes above 127 count as negative.
  EXPECT_EQ(HashKeyText("\xC3"), static_cast<uint32_t>(-61));
}

TEST(Dictionary, WritesInBucketOrderWhateverTheSourceOrder) {
  CPdfDictionary dictionary;
  dictionary.SetAt("/Size", std::make_unique<CPdfInteger>(3));
  dictionary.SetAt("/Root", std::make_unique<CPdfInteger>(1));
  dictionary.SetAt("/Info", std::make_unique<CPdfInteger>(2));
  EXPECT_EQ(KeysOf(dictionary), (std::vector<std::string>{"/Info", "/Root", "/Size"}));
  EXPECT_EQ(Written(dictionary), "<<\r\n/Info\t2\r\n/Root\t1\r\n/Size\t3\r\n>>\r\n");
}

TEST(Dictionary, NewestFirstWithinABucketAndSetAtMovesAKeyToTheHead) {
  // "/A" and "/R" share bucket 12 of 17 (hash 47*33 + c).
  ASSERT_EQ(HashKeyText("/A") % 17, HashKeyText("/R") % 17);
  CPdfDictionary dictionary;
  dictionary.SetAt("/A", std::make_unique<CPdfInteger>(1));
  dictionary.SetAt("/R", std::make_unique<CPdfInteger>(2));
  EXPECT_EQ(KeysOf(dictionary), (std::vector<std::string>{"/R", "/A"}));
  dictionary.SetAt("/A", std::make_unique<CPdfInteger>(3));
  EXPECT_EQ(KeysOf(dictionary), (std::vector<std::string>{"/A", "/R"}));
  EXPECT_EQ(Written(dictionary), "<<\r\n/A\t3\r\n/R\t2\r\n>>\r\n");
}

TEST(Dictionary, ManyKeysKeepTheSameOrderAsFew) {
  // Past the size where an index takes over, order and replacement hold.
  CPdfDictionary dictionary;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 200; ++i) dictionary.SetAt("/K" + std::to_string(i), std::make_unique<CPdfInteger>(round));
  }
  const auto keys = KeysOf(dictionary);
  ASSERT_EQ(keys.size(), 200u);
  for (size_t i = 1; i < keys.size(); ++i) {
    const uint32_t before = HashKeyText(keys[i - 1]) % 17;
    const uint32_t after = HashKeyText(keys[i]) % 17;
    ASSERT_LE(before, after);
    if (before == after) {
      // Within a bucket, the key set last comes first: /K199 before /K198.
      ASSERT_GT(std::stoi(keys[i - 1].substr(2)), std::stoi(keys[i].substr(2)));
    }
  }
  bool found = false;
  const CPdfObject* value = dictionary.Lookup("/K7", kindInteger, found);
  ASSERT_TRUE(found);
  EXPECT_EQ(static_cast<const CPdfInteger*>(value)->m_value, 2);
}

TEST(Dictionary, LookupAndTypeName) {
  CPdfDictionary dictionary;
  bool found = true;
  EXPECT_EQ(dictionary.Lookup("/Type", kindName, found), nullptr);
  EXPECT_FALSE(found);
  dictionary.SetAt("/Type", std::make_unique<CPdfInteger>(1));
  EXPECT_NE(dictionary.Lookup("/Type", kindName, found), nullptr);
  EXPECT_FALSE(found);
  EXPECT_EQ(dictionary.GetTypeName(), "");
  dictionary.SetAt("/Type", std::make_unique<CPdfText>(kindName, "/Page\0x", 7));
  EXPECT_EQ(dictionary.GetTypeName(), "/Page");
}

TEST(Values, WrittenForms) {
  EXPECT_EQ(Written(CPdfArray()), "[\r\n]\r\n");
  EXPECT_EQ(Written(CPdfDictionary()), "<<\r\n>>\r\n");
  EXPECT_EQ(Written(CPdfInteger(-2147483647 - 1)), "-2147483648\r\n");
  EXPECT_EQ(Written(CPdfText(kindString, nullptr, 0)), "\r\n");
  EXPECT_EQ(Written(CPdfStream(nullptr, new CByteArray("x"))), "");
  EXPECT_EQ(Written(CPdfPagesNode()), "<<\r\n/Type\t/Pages\r\n/Kids\t[\r\n]\r\n/Count\t0\r\n>>\r\n");
}

TEST(References, ResolveAndWrite) {
  CPdfObjectTable table;
  auto first = new CPdfInteger(1);
  auto second = new CPdfInteger(2);
  table.Add({5, 0}, first);
  table.Add({5, 0}, second);
  EXPECT_EQ(table.GetCandidateCount(), 2u);
  EXPECT_EQ(table.GetKeyCount(), 1u);
  second->m_outputNumber = 12;
  EXPECT_EQ(Written(CPdfReference({5, 0}, nullptr, &table)), "12 0 R\r\n");
  EXPECT_EQ(Written(CPdfReference({6, 0}, nullptr, &table)), "null\r\n");
  EXPECT_EQ(Written(CPdfReference(kUnresolvableKey, nullptr, &table)), "null\r\n");
  CPdfInteger direct(9);
  direct.m_outputNumber = 4;
  EXPECT_EQ(Written(CPdfReference({5, 0}, &direct, &table)), "4 0 R\r\n");
}

TEST(ObjectTable, OrderIsBucketThenNewestKeyFirst) {
  CPdfObjectTable table;
  for (uint32_t number : {16u, 3u, 17u, 1u, 3200000u}) table.Add({number, 0}, new CPdfInteger(0));
  table.Add({1, 7}, new CPdfInteger(0));
  std::vector<std::string> keys;
  table.ForEach([&](const PdfObjectKey& key, const CPdfObjectList&) {
    keys.push_back(std::to_string(key.number) + "/" + std::to_string(key.generation));
  });
  // 3200000 >> 4 = 200000, which is bucket 1 like 16 and 17.
  EXPECT_EQ(keys, (std::vector<std::string>{"1/7", "1/0", "3/0", "3200000/0", "17/0", "16/0"}));
}

TEST(ObjectTable, SerialNumbersRestartAndGrow) {
  ResetSerialNumbers();
  CPdfInteger a(1);
  CPdfArray b;
  EXPECT_EQ(a.SerialNumber(), 1u);
  EXPECT_EQ(b.SerialNumber(), 2u);
}

}  // namespace
