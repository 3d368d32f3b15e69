// carray_test.cpp - the growth rule and layout of the array that crosses the host boundary.
#include "platform/carray.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

using PtrArray = CArray<void*, void*>;

TEST(CArray, GrowthRuleWithDefaultStep) {
    PtrArray a;
    a.SetSize(1);  // from no storage: max(1, growBy 0) slots
    EXPECT_EQ(a.m_nMaxSize, 1);
    a.Add(nullptr);  // size 1 / 8 = 0 -> at least 4 more
    EXPECT_EQ(a.m_nMaxSize, 5);
    for (int i = 0; i < 3; ++i) {
        a.Add(nullptr);
    }
    EXPECT_EQ(a.m_nSize, 5);
    EXPECT_EQ(a.m_nMaxSize, 5);
    a.SetSize(100);  // larger than capacity + 4: exactly 100
    EXPECT_EQ(a.m_nMaxSize, 100);
    a.Add(nullptr);  // 100 / 8 = 12
    EXPECT_EQ(a.m_nMaxSize, 112);
    a.SetSize(20000);
    a.Add(nullptr);  // 20000 / 8 capped at 1024
    EXPECT_EQ(a.m_nMaxSize, 20000 + 1024);
    a.SetSize(3);  // shrinking keeps the storage
    EXPECT_EQ(a.m_nMaxSize, 20000 + 1024);
    a.SetSize(0);  // size 0 frees it
    EXPECT_EQ(a.m_pData, nullptr);
    EXPECT_EQ(a.m_nMaxSize, 0);
}

TEST(CArray, ExplicitStepAndZeroedSlots) {
    PtrArray a;
    a.SetSize(0, 2);
    a.Add(&a);
    EXPECT_EQ(a.m_nMaxSize, 2);
    a.Add(&a);
    a.Add(&a);
    EXPECT_EQ(a.m_nMaxSize, 4);
    EXPECT_EQ(a.m_nGrowBy, 2);
    a.SetSize(4);
    EXPECT_EQ(a[3], nullptr);  // new slots are zero
    a.InsertAt(0, nullptr);
    EXPECT_EQ(a[0], nullptr);
    EXPECT_EQ(a[1], &a);
    a.RemoveAt(0);
    EXPECT_EQ(a[0], &a);
    EXPECT_EQ(a.GetSize(), 4);
}

TEST(CArray, HostBuiltArrayIsUsableAndItsFirstWordUntouched) {
    // A host builds the object itself: zeroed, with a table pointer of its own.
    alignas(PtrArray) unsigned char raw[sizeof(PtrArray)] = {};
    const void* hostTable = &raw;
    std::memcpy(raw, &hostTable, sizeof hostTable);
    auto* a = reinterpret_cast<PtrArray*>(raw);
    a->Add(nullptr);
    a->Add(nullptr);
    EXPECT_EQ(a->GetSize(), 2);
    a->RemoveAll();
    EXPECT_EQ(a->m_pVtbl, hostTable);
    EXPECT_EQ(a->m_pData, nullptr);
}

static_assert(sizeof(PtrArray) == 5 * sizeof(void*));
static_assert(offsetof(PtrArray, m_pData) == sizeof(void*));
static_assert(offsetof(PtrArray, m_nGrowBy) == 4 * sizeof(void*));

}  // namespace
