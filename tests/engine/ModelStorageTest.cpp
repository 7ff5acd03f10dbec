// The compact storage of the object model: texts inline or in blocks sized by
// their length, keys kept once in the key store, element lists in pool
// blocks. Each must hold the same bytes and order as plain containers would.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "model/ObjectTable.h"
#include "model/PdfDictionary.h"

namespace {

TEST(TextStorage, GrowingByteByByteAndEnclosingKeepEveryByte) {
  // Across the inline limit, the fine steps and the coarse steps.
  for (const size_t length : {0u, 1u, 7u, 8u, 9u, 63u, 64u, 65u, 1000u, 70000u}) {
    CPdfText text(kindString, nullptr, 0);
    std::string expected;
    for (size_t i = 0; i < length; ++i) {
      const char byte = static_cast<char>('a' + i * 7 % 26 + (i % 5 == 0 ? 128 : 0));
      text.Append(&byte, 1);
      expected.push_back(byte);
    }
    text.Enclose('(', ')');
    ASSERT_EQ(text.Bytes(), "(" + expected + ")") << "length " << length;
    EXPECT_EQ(Written(text), "(" + expected + ")\r\n");
  }
  const std::string nine = "/Helvetic";
  EXPECT_EQ(CPdfText(kindName, nine.data(), nine.size()).Bytes(), nine);
}

TEST(TextStorage, BlockSizesNeverShrinkAndWasteAtMostAnEighth) {
  size_t previous = 0;
  for (size_t size = 1; size < 300000; size += size / 16 + 1) {
    const size_t block = CPdfText::BlockSize(size);
    ASSERT_GE(block, size);
    ASSERT_GE(block, previous);
    ASSERT_LE(block, size + size / 8 + 8) << "size " << size;
    previous = block;
  }
}

TEST(KeyStore, KeysAreWholeByteStringsWhateverTheirLength) {
  const std::string longKey = "/" + std::string(40000, 'k');
  CPdfDictionary first;
  first.SetAt(std::string_view("/A\0B", 4), std::make_unique<CPdfInteger>(1));
  first.SetAt("/A", std::make_unique<CPdfInteger>(2));
  first.SetAt(longKey, std::make_unique<CPdfInteger>(3));
  bool found = false;
  EXPECT_EQ(static_cast<CPdfInteger*>(first.Lookup(std::string_view("/A\0B", 4), kindInteger, found))->m_value, 1);
  EXPECT_EQ(static_cast<CPdfInteger*>(first.Lookup("/A", kindInteger, found))->m_value, 2);
  EXPECT_EQ(static_cast<CPdfInteger*>(first.Lookup(longKey, kindInteger, found))->m_value, 3);
  // Another dictionary shares the keys but not the values.
  CPdfDictionary second;
  EXPECT_EQ(second.Lookup("/A", kindInteger, found), nullptr);
  EXPECT_FALSE(found);
  std::vector<std::string> keys;
  first.ForEach([&](std::string_view key, const CPdfObject*) { keys.emplace_back(key); });
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_NE(std::find(keys.begin(), keys.end(), longKey), keys.end());
}

TEST(KeyStore, EmptiesWithTheLastDictionaryAndServesAgain) {
  {
    CPdfDictionary gone;
    gone.SetAt("/OnlyHere", std::make_unique<CPdfInteger>(1));
  }
  CPdfDictionary fresh;
  bool found = true;
  EXPECT_EQ(fresh.Lookup("/OnlyHere", kindInteger, found), nullptr);
  EXPECT_FALSE(found);
  fresh.SetAt("/Type", std::make_unique<CPdfText>(kindName, "/Page", 5));
  EXPECT_EQ(fresh.GetTypeName(), "/Page");
}

TEST(KeyStore, TheTypeNameFollowsEveryChangeOfType) {
  CPdfDictionary dictionary;
  EXPECT_EQ(dictionary.TypeName(), "");
  dictionary.SetAt("/Type", std::make_unique<CPdfText>(kindName, "/Page", 5));
  EXPECT_EQ(dictionary.TypeName(), "/Page");
  dictionary.SetAt("/Other", std::make_unique<CPdfText>(kindName, "/Font", 5));
  EXPECT_EQ(dictionary.TypeName(), "/Page");
  dictionary.SetAt("/Type", std::make_unique<CPdfText>(kindName, "/Pages", 6));
  EXPECT_EQ(dictionary.TypeName(), "/Pages");
  dictionary.SetAt("/Type", std::make_unique<CPdfInteger>(3));
  EXPECT_EQ(dictionary.TypeName(), "");
}

TEST(ElementLists, InsertAndRemoveKeepTheOrderBeforeAndAfterComplete) {
  CPdfArray array;
  std::vector<int32_t> expected;
  for (int32_t i = 0; i < 40; ++i) {
    array.Add(new CPdfInteger(i));
    expected.push_back(i);
  }
  array.Complete();
  for (const size_t at : {0u, 17u, 41u}) {
    array.InsertAt(at, new CPdfInteger(100 + static_cast<int32_t>(at)));
    expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(at), 100 + static_cast<int32_t>(at));
  }
  for (const size_t at : {42u, 5u, 0u}) {
    array.RemoveAt(at);
    expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(at));
  }
  ASSERT_EQ(array.GetCount(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(static_cast<const CPdfInteger*>(array.GetAt(i))->m_value, expected[i]) << "at " << i;
  }
}

TEST(ElementLists, IntegerArraysPackAndComeBackAsTheyWere) {
  ResetSerialNumbers();
  const auto makeArray = [](std::initializer_list<int32_t> values) {
    auto array = std::make_unique<CPdfArray>();
    for (const int32_t value : values) array->Add(new CPdfInteger(value));
    return array;
  };
  auto rect = makeArray({10, -20, INT32_MAX, INT32_MIN});
  std::vector<uint64_t> serials;
  for (size_t i = 0; i < rect->GetCount(); ++i) serials.push_back(rect->GetAt(i)->SerialNumber());
  const std::string written = Written(*rect);
  rect->Complete();
  ASSERT_NE(rect->PackedIntegers(), nullptr);
  EXPECT_EQ(Written(*rect), written);
  for (size_t i = 0; i < rect->GetCount(); ++i) {
    ASSERT_EQ(rect->GetAt(i)->Kind(), kindInteger);
    EXPECT_EQ(rect->GetAt(i)->SerialNumber(), serials[i]);
  }
  EXPECT_EQ(rect->PackedIntegers(), nullptr);
  EXPECT_EQ(Written(*rect), written);

  // Anything but integers made one after the other stays as objects.
  auto mixed = makeArray({1, 2});
  mixed->Add(new CPdfText(kindName, "/N", 2));
  mixed->Complete();
  EXPECT_EQ(mixed->PackedIntegers(), nullptr);
  auto apart = makeArray({1});
  CPdfInteger between(7);
  apart->Add(new CPdfInteger(2));
  apart->Complete();
  EXPECT_EQ(apart->PackedIntegers(), nullptr);

  // Every change unpacks first.
  auto changed = makeArray({1, 2, 3, 4});
  changed->Complete();
  changed->RemoveIf([](const CPdfObject* element) { return static_cast<const CPdfInteger*>(element)->m_value % 2 == 0; });
  changed->Add(new CPdfInteger(5));
  EXPECT_EQ(Written(*changed), "[\r\n1\r\n3\r\n5\r\n]\r\n");
}

TEST(ElementLists, CandidateListsFromOneToMany) {
  CPdfObjectList list;
  auto* first = new CPdfInteger(1);
  auto* second = new CPdfInteger(2);
  list.Add(first);
  EXPECT_EQ(list.GetLatest(), first);
  list.Add(second);
  list.InsertAt(0, new CPdfInteger(0));
  EXPECT_TRUE(list.Remove(first));
  EXPECT_FALSE(list.Remove(first));
  ASSERT_EQ(list.GetCount(), 2u);
  EXPECT_EQ(static_cast<const CPdfInteger*>(list.GetAt(0))->m_value, 0);
  EXPECT_EQ(list.GetLatest(), second);
  CPdfObjectList moved(std::move(list));
  EXPECT_EQ(list.GetCount(), 0u);
  EXPECT_EQ(moved.GetLatest(), second);
}

TEST(ObjectHeader, KindSerialAndOutputNumbersShareOneWord) {
  ResetSerialNumbers();
  CPdfInteger integer(5);
  CPdfText name(kindName, "/N", 2);
  EXPECT_EQ(integer.Kind(), kindInteger);
  EXPECT_EQ(name.Kind(), kindName);
  EXPECT_EQ(name.SerialNumber(), integer.SerialNumber() + 1);
  name.SetOutputNumbers((uint64_t{3} << 32) | 7);
  EXPECT_EQ(name.m_outputNumber, 7u);
  EXPECT_EQ(name.OutputGeneration(), 3u);
  EXPECT_EQ(name.Kind(), kindName);
  EXPECT_EQ(name.SerialNumber(), integer.SerialNumber() + 1);
  EXPECT_EQ(Written(CPdfReference(kUnresolvableKey, &name, nullptr)), "7 3 R\r\n");
}

}  // namespace
