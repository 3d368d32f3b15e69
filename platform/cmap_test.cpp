// cmap_test.cpp - the map's visible order and its bookkeeping.
#include "platform/cmap.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace {

using TextMap = CMap<CString, LPCWSTR, CString, LPCWSTR>;

std::vector<std::u16string> Keys(const TextMap& map) {
    std::vector<std::u16string> keys;
    POSITION pos = map.GetStartPosition();
    while (pos != nullptr) {
        CString k;
        CString v;
        map.GetNextAssoc(pos, k, v);
        keys.push_back(k.str());
    }
    return keys;
}

TEST(CMap, TextHashIsTheFrameworksUnitByUnit) {
    std::mt19937 rng(33);
    for (size_t length = 0; length <= 13; ++length) {
        for (int round = 0; round < 20; ++round) {
            std::u16string key;
            UINT expected = 0;
            for (size_t i = 0; i < length; ++i) {
                key += static_cast<char16_t>(rng() % 0x10000);
                expected = expected * 33 + key.back();
            }
            EXPECT_EQ(platform::HashKey(std::u16string_view(key)), expected) << length;
        }
    }
}

TEST(CMap, IterationFollowsBucketsThenNewestFirst) {
    // Worked out by hand: h = h*33 + c, bucket = h % 17.
    //   "a" = 97 -> 12, "b" = 98 -> 13, "r" = 114 -> 12, "q" = 113 -> 11,
    //   "ab" = 97*33 + 98 = 3299 -> 1.
    TextMap map;
    for (const char16_t* key : {u"a", u"b", u"r", u"q", u"ab"}) {
        map.SetAt(key, u"1");
    }
    const std::vector<std::u16string> order{u"ab", u"q", u"r", u"a", u"b"};
    EXPECT_EQ(Keys(map), order);

    // Re-assigning keeps the place; the value changes.
    map.SetAt(u"a", u"again");
    EXPECT_EQ(Keys(map), order);
    CString value;
    ASSERT_TRUE(map.Lookup(u"a", value));
    EXPECT_EQ(value, u"again");
    EXPECT_EQ(map.GetCount(), 5);

    // Removing the newer key of a shared bucket, then adding it back, puts it at the head again.
    EXPECT_TRUE(map.RemoveKey(u"a"));
    EXPECT_FALSE(map.RemoveKey(u"a"));
    map.SetAt(u"a", u"back");
    EXPECT_EQ(Keys(map), (std::vector<std::u16string>{u"ab", u"q", u"a", u"r", u"b"}));
    EXPECT_FALSE(map.Lookup(u"A", value));  // case-sensitive
}

TEST(CMap, ManyKeysRemovalsAndRecycledEntries) {
    TextMap map;
    for (int i = 0; i < 5000; ++i) {
        map.SetAt(CString(std::to_string(i).c_str()), CString(std::to_string(i * 2).c_str()));
    }
    for (int i = 0; i < 5000; i += 2) {
        ASSERT_TRUE(map.RemoveKey(CString(std::to_string(i).c_str())));
    }
    CString v;
    EXPECT_FALSE(map.Lookup(u"10", v));
    ASSERT_TRUE(map.Lookup(u"11", v));
    EXPECT_EQ(v, u"22");
    EXPECT_EQ(map.GetCount(), 2500);
    // Freed entries are recycled and the bucket walk still sees every key exactly once.
    for (int i = 0; i < 5000; i += 2) {
        map.SetAt(CString(std::to_string(i).c_str()), u"x");
    }
    EXPECT_EQ(Keys(map).size(), 5000u);
    map.RemoveAll();
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    EXPECT_FALSE(map.Lookup(u"11", v));
}

TEST(CMap, EveryOtherKeyStaysFindableAfterEachRemoval) {
    // Removal closes a gap in the text index; a wrong shift there loses keys that the bucket walk
    // would still show, so every survivor is looked up, not just a sample.
    TextMap map;
    std::vector<std::u16string> keys;
    for (int i = 0; i < 3000; ++i) {
        keys.push_back(NarrowToWide(("k" + std::to_string(i * 7919 % 3001)).c_str()));
        map.SetAt(keys.back().c_str(), keys.back().c_str());
    }
    std::vector<bool> removed(keys.size(), false);
    std::mt19937 rng(42);
    for (int round = 0; round < 30; ++round) {
        for (int n = 0; n < 50; ++n) {
            const size_t k = rng() % keys.size();
            EXPECT_EQ(map.RemoveKey(keys[k].c_str()), !removed[k]);
            removed[k] = true;
        }
        size_t left = 0;
        for (size_t k = 0; k < keys.size(); ++k) {
            CString value;
            const bool found = map.Lookup(keys[k].c_str(), value);
            ASSERT_EQ(found, !removed[k]) << WideToUtf8(keys[k]) << " in round " << round;
            if (found) {
                ASSERT_EQ(value, keys[k].c_str());
                ++left;
            }
        }
        ASSERT_EQ(map.GetCount(), static_cast<INT_PTR>(left));
    }
}

TEST(CMap, FreesExactlyTheLiveEntriesWhateverTheFreeList) {
    // Emptying a map destroys each live key and value once and never an unused entry: with long
    // texts a miss is a leak and a wrong pick frees garbage, both of which the sanitizer build
    // reports. A few removals keep the free list short, many make it long.
    for (int removals : {0, 1, 7, 31, 32, 33, 200}) {
        SCOPED_TRACE(removals);
        TextMap map;
        std::vector<std::u16string> keys;
        for (int i = 0; i < 250; ++i) {
            keys.push_back(NarrowToWide(
                ("a key long enough to live on the heap " + std::to_string(i)).c_str()));
            map.SetAt(keys.back().c_str(), (keys.back() + u" and its value").c_str());
        }
        for (int r = 0; r < removals; ++r) {
            ASSERT_TRUE(map.RemoveKey(keys[static_cast<size_t>(r * 37 % 250)].c_str()));
        }
        EXPECT_EQ(map.GetCount(), 250 - removals);
        map.RemoveAll();
        EXPECT_EQ(map.GetCount(), 0);
        // Usable again afterwards.
        map.SetAt(keys[0].c_str(), u"again");
        CString value;
        ASSERT_TRUE(map.Lookup(keys[0].c_str(), value));
        EXPECT_EQ(value, u"again");
    }
}

TEST(CMap, PointerKeysHashByAddressAndBlocksHoldTen) {
    CMap<WCHAR*, WCHAR*, WCHAR*, WCHAR*> map;
    alignas(16) static WCHAR slots[40];
    for (int i = 0; i < 11; ++i) {
        map.InsertNew(&slots[i * 2], &slots[i * 2 + 1]);
    }
    ASSERT_EQ(map.m_nHashTableSize, 17u);
    // Two blocks of ten: nine entries are left on the free list.
    int free = 0;
    for (auto* a = map.m_pFreeList; a != nullptr; a = a->pNext) {
        ++free;
    }
    EXPECT_EQ(free, 9);
    // Every entry sits in bucket (address >> 4) % 17 with that hash.
    int seen = 0;
    for (UINT b = 0; b < map.m_nHashTableSize; ++b) {
        for (auto* a = map.m_pHashTable[b]; a != nullptr; a = a->pNext, ++seen) {
            const auto hash = static_cast<UINT>(reinterpret_cast<uintptr_t>(a->key) >> 4);
            EXPECT_EQ(a->nHashValue, hash);
            EXPECT_EQ(hash % 17, b);
        }
    }
    EXPECT_EQ(seen, 11);
}

}  // namespace
