// SPDX-License-Identifier: MIT
#include "platform/core/CMapStringToPtr.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

int a = 1;
int b = 2;
int c = 3;

std::vector<std::pair<std::string, void*>> iterate(const CMapStringToPtr& map) {
    std::vector<std::pair<std::string, void*>> out;
    CString key;
    void* value = nullptr;
    for (POSITION pos = map.GetStartPosition(); pos;) {
        map.GetNextAssoc(pos, key, value);
        out.emplace_back(static_cast<LPCSTR>(key), value);
    }
    return out;
}

TEST(CMapStringToPtrLookup, FindsWhatWasSetAndNothingElse) {
    CMapStringToPtr map;
    map.SetAt("LaserWriter", &a);
    map["AFPServer"] = &b;
    void* value = nullptr;
    EXPECT_TRUE(map.Lookup("LaserWriter", value));
    EXPECT_EQ(value, &a);
    EXPECT_TRUE(map.Lookup("AFPServer", value));
    EXPECT_EQ(value, &b);
    value = &c;
    EXPECT_FALSE(map.Lookup("ImageWriter", value));
    EXPECT_EQ(value, &c); // untouched on a miss
    EXPECT_EQ(map.GetCount(), 2);
}

TEST(CMapStringToPtrLookup, KeysAreCaseSensitive) {
    CMapStringToPtr map;
    map.SetAt("LaserWriter", &a);
    void* value = nullptr;
    EXPECT_FALSE(map.Lookup("laserwriter", value));
    map.SetAt("laserwriter", &b);
    EXPECT_EQ(map.GetCount(), 2);
}

TEST(CMapStringToPtrUpdate, SettingAnExistingKeyReplacesItsValue) {
    CMapStringToPtr map;
    map.SetAt("Printer", &a);
    map.SetAt("Printer", &b);
    void* value = nullptr;
    ASSERT_TRUE(map.Lookup("Printer", value));
    EXPECT_EQ(value, &b);
    EXPECT_EQ(map.GetCount(), 1);
    EXPECT_EQ(map["New"], nullptr); // subscript adds a null entry
    EXPECT_EQ(map.GetCount(), 2);
}

TEST(CMapStringToPtrRemove, RemovesOneKeyOrAll) {
    CMapStringToPtr map;
    map.SetAt("one", &a);
    map.SetAt("two", &b);
    EXPECT_TRUE(map.RemoveKey("one"));
    EXPECT_FALSE(map.RemoveKey("one"));
    void* value = nullptr;
    EXPECT_FALSE(map.Lookup("one", value));
    EXPECT_TRUE(map.Lookup("two", value));
    map.RemoveAll();
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    EXPECT_FALSE(map.RemoveKey("two"));
}

TEST(CMapStringToPtrIteration, VisitsEveryEntryOnceInBucketOrder) {
    CMapStringToPtr map;
    map.SetAt("LaserWriter", &a);
    map.SetAt("ImageWriter", &b);
    map.SetAt("AFPServer", &c);
    map.SetAt("ImageWriter LQ", &a);
    const auto entries = iterate(map);
    ASSERT_EQ(entries.size(), 4u);
    for (std::size_t i = 1; i < entries.size(); ++i) {
        const UINT before = map.HashKey(entries[i - 1].first.c_str()) % map.GetHashTableSize();
        const UINT after = map.HashKey(entries[i].first.c_str()) % map.GetHashTableSize();
        EXPECT_LE(before, after) << entries[i].first;
    }
}

TEST(CMapStringToPtrIteration, SameInsertionsGiveTheSameOrder) {
    CMapStringToPtr first;
    CMapStringToPtr second(4);
    for (const char* key : {"k1", "k2", "zone", "Sales",
                            "\x80"
                            "cole"}) {
        first.SetAt(key, &a);
        second.SetAt(key, &a);
    }
    EXPECT_EQ(iterate(first), iterate(second));
}

TEST(CMapStringToPtrIteration, NewestFirstWithinOneBucket) {
    CMapStringToPtr map;
    map.InitHashTable(1);
    map.SetAt("old", &a);
    map.SetAt("new", &b);
    const auto entries = iterate(map);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].first, "new");
    EXPECT_EQ(entries[1].first, "old");
}

TEST(CMapStringToPtrHash, MatchesTheFrameworksFunction) {
    CMapStringToPtr map;
    EXPECT_EQ(map.HashKey(""), 0u);
    EXPECT_EQ(map.HashKey("A"), 65u);
    EXPECT_EQ(map.HashKey("AB"), 65u * 33 + 66);
    EXPECT_EQ(map.HashKey("\x80"), static_cast<UINT>(-128)); // chars were signed
}

} // namespace
