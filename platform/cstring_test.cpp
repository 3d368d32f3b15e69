// cstring_test.cpp - CString and the UTF-16 printf.
#include "platform/cstring.h"

#include <gtest/gtest.h>

#include "platform/wformat.h"

namespace {

TEST(CString, FormatsAsPrintfDoes) {
    CString s;
    s.Format(u"%s:%s", u"news/1.0/", u"title");
    EXPECT_EQ(s, u"news/1.0/:title");
    s.Format(u"%-10.10s|%-3.3s|", u"Objects-and-more", u"Ref");
    EXPECT_EQ(s, u"Objects-an|Ref|");
    s.Format(u"0x%0.8x %3.3d %10d", 0xBEEFu, 7, -42);
    EXPECT_EQ(s, u"0x0000beef 007        -42");
    s.Format(u"ERROR - %s. (%#x) %d%%", u"bad", 0x459, 100);
    EXPECT_EQ(s, u"ERROR - bad. (0x459) 100%");
    s.Format(u"%05d|%-5d|%+d|%x|%X|%c|%s", 42, 42, 3, 255u, 255u, u'\u00e9', nullptr);
    EXPECT_EQ(s, u"00042|42   |+3|ff|FF|\u00e9|(null)");
    s.Format(u"%*d|%.*s|%lld", 4, 1, 2, u"abc", -9000000000LL);
    EXPECT_EQ(s, u"   1|ab|-9000000000");
    s.Format(u"100%");  // a cut-off conversion is copied, not read
    EXPECT_EQ(s, u"100%");
}

TEST(CString, BoundedFormatterCutsTheLine) {
    std::u16string out;
    va_list none{};
    (void)none;
    out = FormatWide(u"%s", u"abcdef");
    EXPECT_EQ(out, u"abcdef");
    std::u16string cut;
    auto bounded = [&](const char16_t* f, ...) {
        va_list a;
        va_start(a, f);
        AppendFormatWideV(cut, f, a, 4);
        va_end(a);
    };
    bounded(u"%s-%d", u"abc", 12345);
    EXPECT_EQ(cut, u"abc-");
}

TEST(CString, ComparisonsFindAndPieces) {
    const CString s(u"Dublin Core:Title");
    EXPECT_EQ(s.Compare(u"Dublin Core:Title"), 0);
    EXPECT_LT(s.Compare(u"Dublin Core:title"), 0);
    EXPECT_EQ(s.CompareNoCase(u"DUBLIN core:title"), 0);
    // Only ASCII letters fold: the result never depends on the locale.
    EXPECT_NE(CString(u"\u00c9").CompareNoCase(u"\u00e9"), 0);
    EXPECT_EQ(s.Find(u':'), 11);
    EXPECT_EQ(s.Find(u':', 12), -1);
    EXPECT_EQ(s.Find(u':', 99), -1);
    EXPECT_EQ(s.Find(u"Core"), 7);
    EXPECT_EQ(s.Left(6), u"Dublin");
    EXPECT_EQ(s.Mid(12), u"Title");
    EXPECT_EQ(s.Mid(7, 4), u"Core");
    EXPECT_EQ(s.Right(5), u"Title");
    EXPECT_EQ(s.Mid(50), u"");
    EXPECT_TRUE(StartsWithNoCase(u"XMLNS:dc", u"xmlns:"));
    EXPECT_FALSE(StartsWithNoCase(u"xmlns", u"xmlns:"));
}

TEST(CString, NarrowTextIsUtf8AndBstrCopiesAreExact) {
    EXPECT_EQ(CString(static_cast<const char*>(nullptr)), u"");
    EXPECT_EQ(CString("caf\xc3\xa9"), u"caf\u00e9");
    EXPECT_EQ(CString("a\xff"
                      "b"),
              u"a\uFFFDb");
    const CString withNul(u"a\0b", 3);
    BSTR b = withNul.AllocSysString();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SysStringLen(b), 3u);
    EXPECT_EQ(b[1], u'\0');
    EXPECT_EQ(b[3], u'\0');
    SysFreeString(b);
}

}  // namespace
