// codepage_test.cpp - UTF-8 decoding, lenient and strict.
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(Codepage, EachInvalidByteBecomesReplacementCharacter) {
    EXPECT_EQ(NarrowToWide("plain"), u"plain");
    EXPECT_EQ(NarrowToWide("\xc3\xa9"), u"\u00e9");
    EXPECT_EQ(NarrowToWide("\xf0\x9f\x98\x80"), u"\U0001F600");
    EXPECT_EQ(NarrowToWide("\xc0\xaf"), u"\uFFFD\uFFFD");            // overlong
    EXPECT_EQ(NarrowToWide("\xed\xa0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    EXPECT_EQ(NarrowToWide("\xe2\x82"
                           "a"),
              u"\uFFFD\uFFFDa");                                               // cut short
    EXPECT_EQ(NarrowToWide("\xf4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // > U+10FFFF
    EXPECT_EQ(NarrowToWide(nullptr), u"");
}

TEST(Codepage, StrictConversionReportsNoMapping) {
    std::u16string out;
    uint32_t error = 0;
    EXPECT_TRUE(Utf8ToUtf16Strict("ok \xc3\xa9", 5, out, &error));
    EXPECT_EQ(out, u"ok \u00e9");
    EXPECT_FALSE(Utf8ToUtf16Strict("ab\xff", 3, out, &error));
    EXPECT_EQ(error, kErrorNoUnicodeTranslation);
}

TEST(Codepage, WideToUtf8AndSurrogates) {
    EXPECT_EQ(WideToUtf8(u"caf\u00e9 \U0001F600"), "caf\xc3\xa9 \xf0\x9f\x98\x80");
    EXPECT_EQ(WideToUtf8(std::u16string(1, u'\xD800')), "\xef\xbf\xbd");
    EXPECT_EQ(FindUnpairedSurrogate(u"ok \U0001F600"), std::u16string_view::npos);
    EXPECT_EQ(FindUnpairedSurrogate(std::u16string(u"ab") + u'\xDC00'), 2u);
    EXPECT_EQ(FindUnpairedSurrogate(std::u16string(u"a") + u'\xD800' + u"b"), 1u);
}

}  // namespace
