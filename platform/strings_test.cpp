// strings_test.cpp - BSTRs, UTF-8 and UTF-16 conversion, CString and the formatter.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/bstr.h"
#include "platform/codepage.h"
#include "platform/cstring.h"

namespace {

constexpr size_t npos = std::string::npos;

TEST(Bstr, CarriesItsByteCountAndNullsAreEmpty) {
    BSTR b = SysAllocStringLen(u"a\0b", 3);
    uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<unsigned char*>(b) - 4, 4);
    EXPECT_EQ(bytes, 6u);
    EXPECT_EQ(SysStringLen(b), 3u);
    EXPECT_EQ(b[3], 0);
    SysFreeString(b);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysAllocStringLen(u"x", 0xFFFFFFFFu), nullptr);  // its byte count would not fit
}

// Each sequence behind ASCII runs of every length around the eight-byte fast path: lenient decoding
// gives one U+FFFD per byte that starts no sequence, the strict scan stops where the first starts.
TEST(Utf8, DecodesAndFindsInvalidSequencesWhateverPrecedesThem) {
    const std::pair<const char*, std::u16string> valid[] = {{"\xc2\x80", u"\u0080"},
                                                            {"\xe0\xa0\x80", u"\u0800"},
                                                            {"\xed\x9f\xbf", u"\uD7FF"},
                                                            {"\xee\x80\x80", u"\uE000"},
                                                            {"\xf0\x90\x80\x80", u"\U00010000"},
                                                            {"\xf0\x9f\x98\x80", u"\U0001F600"},
                                                            {"\xf4\x8f\xbf\xbf", u"\U0010FFFF"}};
    const char* invalid[] = {
        "\xc0\x80",         "\xc1\xbf", "\xe0\x9f\xbf", "\xed\xa0\x80", "\xf0\x8f\xbf\xbf",
        "\xf4\x90\x80\x80", "\xc3",     "\xe2\x82",     "\x80",         "\xff"};
    for (size_t n = 0; n <= 17; ++n) {
        const std::string ascii(n, 'a');
        const std::u16string wide(n, u'a');
        for (const auto& [bytes, units] : valid) {
            const std::string text = ascii + bytes + "z";
            EXPECT_EQ(NarrowToWide(text.c_str()), wide + units + u"z") << text;
            EXPECT_EQ(FindInvalidUtf8(text.data(), text.size()), npos) << text;
            EXPECT_EQ(WideToUtf8(units), bytes);
        }
        for (const char* bad : invalid) {
            const std::string text = ascii + bad + "z";
            EXPECT_EQ(NarrowToWide(text.c_str()),
                      wide + std::u16string(std::strlen(bad), u'\uFFFD') + u"z");
            EXPECT_EQ(FindInvalidUtf8(text.data(), text.size()), n) << text;
            std::u16string strict = u"stale";
            uint32_t error = 0;
            EXPECT_FALSE(Utf8ToUtf16Strict(text.data(), text.size(), strict, &error));
            EXPECT_EQ(strict, wide);
            EXPECT_EQ(error, kErrorNoUnicodeTranslation);
        }
    }
    EXPECT_EQ(NarrowToWide("abc\xff", 3), u"abc");  // only the length given is read
}

TEST(Utf16, UnpairedSurrogatesAreFoundAndWrittenAsReplacement) {
    for (const char16_t lone : {u'\xD800', u'\xDBFF', u'\xDC00', u'\xDFFF'}) {
        const std::u16string text = u"ab" + std::u16string(1, lone) + u"c\U0001F600";
        EXPECT_EQ(FindUnpairedSurrogate(text), 2u) << static_cast<int>(lone);
        EXPECT_EQ(WideToUtf8(text),
                  "ab\xef\xbf\xbd"
                  "c\xf0\x9f\x98\x80");
    }
    EXPECT_EQ(FindUnpairedSurrogate(u"\U0001F600\xD83D"), 2u);
}

TEST(CString, ComparesFoldingAsciiLettersOnlyAndFormatsTheLibrarysOwnConversions) {
    EXPECT_TRUE(EqualNoCaseAscii(u"AZaz09", u"azAZ09"));
    EXPECT_FALSE(EqualNoCaseAscii(u"abc", u"abd"));
    EXPECT_FALSE(EqualNoCaseAscii(u"\u00e9", u"\u00c9"));
    EXPECT_EQ(CompareNoCaseAscii(u"Zeta", u"zetas"), -1);
    EXPECT_EQ(CompareNoCaseAscii(u"b", u"A"), 1);
    EXPECT_TRUE(StartsWithNoCase(u"XMLNS:dc", u"xmlns:"));
    EXPECT_FALSE(StartsWithNoCase(u"xmlns", u"xmlns:"));
    const CString s(u"urn:a:b");
    EXPECT_EQ(s.Find(u':', 4), 5);
    EXPECT_EQ(s.Left(3) + s.Mid(5) + s.Mid(50), u"urn:b");

    CString f;
    f.Format(u"%-10.10s|%-3.3s|%s", u"Objects-and-more", u"Ref", nullptr);
    EXPECT_EQ(f, u"Objects-an|Ref|(null)");
    f.Format(u"0x%0.8zx %3.3d %10d %05d %-4d| %d%%", size_t{0xBEEF}, 7, -42, -7, 3, 100);
    f.AppendFormat(u" %q 100%");  // unknown and cut-off conversions are copied, not read
    EXPECT_EQ(f, u"0x0000beef 007        -42 -0007 3   | 100% %q 100%");
}

}  // namespace
