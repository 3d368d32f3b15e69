// bstr_test.cpp - the BSTR layout a host relies on.
#include "platform/bstr.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Bstr, LengthPrefixTextAndTerminator) {
    BSTR b = SysAllocString(u"abc");
    ASSERT_NE(b, nullptr);
    uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<unsigned char*>(b) - 4, 4);
    EXPECT_EQ(bytes, 6u);
    EXPECT_EQ(SysStringLen(b), 3u);
    EXPECT_EQ(b[3], 0);
    SysFreeString(b);

    const char16_t withNul[] = {u'x', 0, u'y'};
    b = SysAllocStringLen(withNul, 3);
    EXPECT_EQ(SysStringLen(b), 3u);
    EXPECT_EQ(b[2], u'y');
    SysFreeString(b);

    b = SysAllocStringLen(nullptr, 2);  // room only, zero-filled
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(SysStringLen(b), 2u);
    SysFreeString(b);
}

TEST(Bstr, NullRules) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
    BSTR empty = SysAllocString(u"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);
    EXPECT_EQ(SysAllocStringLen(u"x", 0xFFFFFFFFu), nullptr);  // byte count would not fit
}

}  // namespace
