// carray_test.cpp - the growth rule of the array that crosses the host boundary, and arrays the
// host built itself.
#include "platform/carray.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using PtrArray = CArray<void*, void*>;

TEST(CArray, GrowthRule) {
    PtrArray a;
    a.SetSize(1);  // from no storage: max(1, growBy 0) slots
    EXPECT_EQ(a.m_nMaxSize, 1);
    a.Add(nullptr);  // size 1 / 8 = 0 -> at least 4 more
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

    PtrArray stepped;
    stepped.SetSize(0, 2);
    for (int i = 0; i < 3; ++i) {
        stepped.Add(&a);
    }
    EXPECT_EQ(stepped.m_nMaxSize, 4);
    stepped.SetSize(4);
    EXPECT_EQ(stepped[3], nullptr);  // new slots are zero
    stepped.InsertAt(0, nullptr);
    stepped.RemoveAt(1);
    EXPECT_EQ(stepped[0], nullptr);
    EXPECT_EQ(stepped[1], &a);
}

TEST(CArray, ReserveForAddsEndsWhereAddsWould) {
    // Any growth step a host may have set, from no storage, part full and full.
    for (const INT_PTR growBy : {0, 1, 2, 7, -3}) {
        for (const INT_PTR start : {0, 3, 5}) {
            for (const INT_PTR count : {1, 4, 40, 3000}) {
                PtrArray added;
                PtrArray reserved;
                added.m_nGrowBy = reserved.m_nGrowBy = growBy;
                for (INT_PTR i = 0; i < start; ++i) {
                    added.Add(&added);
                    reserved.Add(&added);
                }
                reserved.ReserveForAdds(start + count);
                void** storage = reserved.GetData();
                for (INT_PTR i = 0; i < count; ++i) {
                    added.Add(nullptr);
                    reserved.Add(nullptr);
                }
                SCOPED_TRACE(testing::Message() << growBy << " " << start << " " << count);
                EXPECT_EQ(reserved.m_nMaxSize, added.m_nMaxSize);
                EXPECT_EQ(reserved.GetData(), storage);  // the adds found room
                ASSERT_EQ(reserved.GetSize(), start + count);
                EXPECT_EQ(start > 0 ? reserved[start - 1] : &added, &added);  // kept
            }
        }
    }
}

TEST(CArray, StorageIsCopiedWithItsCapacityAndHandedOverWhole) {
    PtrArray from;
    from.SetGrowBy(3);
    for (int i = 0; i < 4; ++i) {
        from.Add(&from);
    }
    PtrArray copy;
    copy.SetGrowBy(3);
    copy.CopyStorage(from);
    ASSERT_EQ(copy.GetSize(), 4);
    EXPECT_EQ(copy[3], &from);
    EXPECT_NE(copy.GetData(), from.GetData());
    // The copy grows as the original would have.
    from.Add(nullptr);
    copy.Add(nullptr);
    EXPECT_EQ(copy.m_nMaxSize, from.m_nMaxSize);
    copy.CopyStorage(PtrArray());
    EXPECT_EQ(copy.GetData(), nullptr);

    PtrArray to;
    to.Add(&to);  // storage of its own, freed on the way
    void** storage = from.GetData();
    to.TakeStorage(from);
    EXPECT_EQ(to.GetData(), storage);
    EXPECT_EQ(to.GetSize(), 5);
    EXPECT_EQ(to.m_nMaxSize, 6);
    EXPECT_EQ(to.GetGrowBy(), 0);  // a setting, not storage: each keeps its own
    EXPECT_EQ(from.GetData(), nullptr);
    EXPECT_EQ(from.GetSize(), 0);
    EXPECT_EQ(from.m_nMaxSize, 0);
    EXPECT_EQ(from.GetGrowBy(), 3);
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

}  // namespace
