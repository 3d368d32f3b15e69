// containers_test.cpp - the array and the map whose growth, order and layout show outside, and the
// text index behind the map's lookups.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/carray.h"
#include "platform/cmap.h"

namespace {

using PtrArray = CArray<void*, void*>;
using TextMap = CMap<CString, LPCWSTR, CString, LPCWSTR>;

TEST(CArray, GrowsAsTheFrameworkDoes) {
    PtrArray a;
    const std::vector<std::pair<INT_PTR, INT_PTR>> steps{
        {1, 1},                          // from no storage: max(size, grow-by 0)
        {2, 5},                          // size / 8 = 0: at least 4 more
        {100, 100},                      // past capacity + 4: exactly the size
        {101, 112},                      // 100 / 8
        {20000, 20000}, {20001, 21024},  // 20000 / 8, capped at 1024
        {3, 21024}};                     // shrinking keeps the storage
    for (const auto& [size, capacity] : steps) {
        a.SetSize(size);
        EXPECT_EQ(a.m_nMaxSize, capacity) << size;
    }
    a.SetSize(0);
    EXPECT_EQ(a.m_pData, nullptr);
    a.SetSize(1, 3);  // a grow-by step sizes the first allocation too
    EXPECT_EQ(a.m_nMaxSize, 3);

    // A host builds the object itself, zeroed, with a table pointer of its own.
    alignas(PtrArray) unsigned char raw[sizeof(PtrArray)] = {};
    const void* hostTable = &raw;
    std::memcpy(raw, &hostTable, sizeof hostTable);
    auto* host = reinterpret_cast<PtrArray*>(raw);
    host->Add(&a);
    host->Add(nullptr);
    host->RemoveAt(0);
    EXPECT_EQ(host->GetSize(), 1);
    host->RemoveAll();
    EXPECT_EQ(host->m_pVtbl, hostTable);
}

std::vector<std::u16string> Keys(const TextMap& map) {
    std::vector<std::u16string> keys;
    for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
        keys.push_back(map.GetNextAssocPtr(pos)->key.str());
    }
    return keys;
}

// The order of iteration (bucket by bucket, newest first) shows in the namespace records and the
// tag tree; the cases of tests/cases/ hold it. Here: the layout a host walks.
TEST(CMap, PointerKeysHashByAddressAndEntriesComeInBlocksOfTen) {
    CMap<WCHAR*, WCHAR*, WCHAR*, WCHAR*> pointers;
    alignas(16) static WCHAR slots[22];
    for (int i = 0; i < 11; ++i) {
        pointers.InsertNew(&slots[i * 2], nullptr);
    }
    int free = 0;
    for (auto* a = pointers.m_pFreeList; a != nullptr; a = a->pNext) {
        ++free;
    }
    EXPECT_EQ(free, 9);
    for (UINT b = 0; b < pointers.m_nHashTableSize; ++b) {
        for (auto* a = pointers.m_pHashTable[b]; a != nullptr; a = a->pNext) {
            EXPECT_EQ(a->nHashValue, static_cast<UINT>(reinterpret_cast<uintptr_t>(a->key) >> 4));
            EXPECT_EQ(a->nHashValue % 17, b);
        }
    }
}

TEST(CMap, EveryKeyStaysFindableThroughRemovalsAndReuse) {
    // Removals close gaps in the text index; a wrong shift loses keys the bucket walk still shows.
    TextMap map;
    std::vector<CString> keys;
    for (int i = 0; i < 3000; ++i) {
        keys.emplace_back(("k" + std::to_string(i * 7919 % 3001)).c_str());
        map.SetAt(keys.back(), keys.back());
    }
    std::vector<bool> removed(keys.size(), false);
    std::mt19937 rng(42);
    for (int round = 0; round < 20; ++round) {
        for (int n = 0; n < 60; ++n) {
            const size_t k = rng() % keys.size();
            if (round % 4 == 3) {
                map.SetAt(keys[k], keys[k]);  // reuse freed entries
                removed[k] = false;
            } else {
                EXPECT_EQ(map.RemoveKey(keys[k]), !removed[k]);
                removed[k] = true;
            }
        }
        INT_PTR left = 0;
        for (size_t k = 0; k < keys.size(); ++k) {
            CString value;
            ASSERT_EQ(map.Lookup(keys[k], value), !removed[k]) << k << " in round " << round;
            left += removed[k] ? 0 : 1;
        }
        ASSERT_EQ(map.GetCount(), left);
        ASSERT_EQ(Keys(map).size(), static_cast<size_t>(left));
    }
}

}  // namespace
