// strings_test.cpp - BSTRs, UTF-8 decoding and CString.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/bstr.h"
#include "platform/codepage.h"
#include "platform/cstring.h"

namespace {

TEST(Bstr, LayoutAndNullRules) {
    BSTR b = SysAllocString(u"abc");
    ASSERT_NE(b, nullptr);
    uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<unsigned char*>(b) - 4, 4);
    EXPECT_EQ(bytes, 6u);
    EXPECT_EQ(b[3], 0);
    SysFreeString(b);
    b = SysAllocStringLen(nullptr, 2);  // room only, zero-filled
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(SysStringLen(b), 2u);
    SysFreeString(b);
    const CString withNul(u"a\0b", 3);
    b = withNul.AllocSysString();
    EXPECT_EQ(SysStringLen(b), 3u);
    EXPECT_EQ(b[2], u'b');
    SysFreeString(b);

    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
    EXPECT_EQ(SysAllocStringLen(u"x", 0xFFFFFFFFu), nullptr);  // byte count would not fit
}

TEST(Codepage, LenientStrictAndSurrogates) {
    EXPECT_EQ(NarrowToWide("\xf0\x9f\x98\x80"), u"\U0001F600");
    EXPECT_EQ(NarrowToWide("\xc0\xaf"), u"\uFFFD\uFFFD");            // overlong
    EXPECT_EQ(NarrowToWide("\xed\xa0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    EXPECT_EQ(NarrowToWide("\xe2\x82"
                           "a"),
              u"\uFFFD\uFFFDa");                                               // cut short
    EXPECT_EQ(NarrowToWide("\xf4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // > U+10FFFF
    EXPECT_EQ(NarrowToWide(nullptr), u"");

    std::u16string out;
    uint32_t error = 0;
    EXPECT_TRUE(Utf8ToUtf16Strict("ok \xc3\xa9", 5, out, &error));
    EXPECT_EQ(out, u"ok \u00e9");
    EXPECT_FALSE(Utf8ToUtf16Strict("ab\xff", 3, out, &error));
    EXPECT_EQ(error, kErrorNoUnicodeTranslation);

    EXPECT_EQ(WideToUtf8(std::u16string(1, u'\xD800')), "\xef\xbf\xbd");
    EXPECT_EQ(FindUnpairedSurrogate(u"ok \U0001F600"), std::u16string_view::npos);
    EXPECT_EQ(FindUnpairedSurrogate(std::u16string(u"ab") + u'\xDC00'), 2u);
    EXPECT_EQ(FindUnpairedSurrogate(std::u16string(u"a") + u'\xD800' + u"b"), 1u);
}

TEST(Codepage, KeysAreUtf8OnPosixAndInTheThreadsAnsiCodePageOnWindows) {
    EXPECT_EQ(AnsiToWide(nullptr), u"");
    EXPECT_EQ(AnsiToWide("key 1"), u"key 1");
#if defined(_WIN32)
    // Code page 1252, wine's default and western Windows': every byte is a character.
    EXPECT_EQ(AnsiToWide("caf\xe9 \xc3\xa9"), u"caf\u00e9 \u00c3\u00a9");
    EXPECT_EQ(CString("caf\xe9"), CString(u"caf\u00e9"));
#else
    EXPECT_EQ(AnsiToWide("caf\xe9 \xc3\xa9"), u"caf\uFFFD \u00e9");
    EXPECT_EQ(CString("caf\xc3\xa9"), CString(u"caf\u00e9"));
#endif
}

TEST(CString, FormatsAsPrintfDoesAndStaysInBounds) {
    // The report columns and the conversion message; the rest of printf is not used.
    CString s;
    s.Format(u"%-10.10s|%-3.3s|", u"Objects-and-more", u"Ref");
    EXPECT_EQ(s, u"Objects-an|Ref|");
    s.Format(u"0x%0.8zx %3.3d %10d %#x %d%%", size_t{0xBEEF}, 7, -42, 0x459, 100);
    EXPECT_EQ(s, u"0x0000beef 007        -42 0x459 100%");
    s.Format(u"100%");  // a cut-off conversion is copied, not read
    EXPECT_EQ(s, u"100%");
    EXPECT_EQ(s.Find(u'%', 4), -1);
    EXPECT_EQ(s.Mid(50), u"");
    EXPECT_FALSE(StartsWithNoCase(u"xmlns", u"xmlns:"));
}

}  // namespace
