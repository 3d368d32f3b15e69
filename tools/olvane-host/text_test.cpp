// text_test.cpp - UTF conversions, the table helpers and the rules file's decoding.
#include "text.h"

#include <gtest/gtest.h>

#include "rules_file.h"

namespace olvane_host {
namespace {

TEST(Text, ConvertsUtf8AndUtf16AndCountsCodePoints) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\x9E";  // a é € 🎞
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text).value()), text);
    for (const char* bad :
         {"\xC3", "\xC0\xAF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80"}) {
        EXPECT_FALSE(Utf8ToUtf16(bad)) << bad;
    }
    EXPECT_EQ(Utf16ToUtf8(std::u16string(u"x") + char16_t(0xD800) + u"y"), "x\xEF\xBF\xBDy");
    EXPECT_EQ(EscapeControls("a\nb\tc\x01"), "a\\nb\\tc\\x01");
    const std::string five = "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9";
    EXPECT_EQ(DisplayWidth(five), 5u);
    EXPECT_EQ(Ellipsize(five, 5), five);  // exactly as wide as the column: kept
    EXPECT_EQ(Ellipsize(five + "x", 5), "\xC3\xA9\xC3\xA9...");
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
}

TEST(RulesFile, DecodesUtf8AndUtf16WithTheirMarks) {
    std::u16string text;
    std::string error;
    ASSERT_TRUE(DecodeRulesText("\xEF\xBB\xBF<r \xC3\xA9/>", text, error));
    EXPECT_EQ(text, u"<r \u00E9/>");
    ASSERT_TRUE(DecodeRulesText(std::string("\xFF\xFE<\0r\0\xE9\0", 8), text, error));
    EXPECT_EQ(text, u"<r\u00E9");
    ASSERT_TRUE(DecodeRulesText(std::string("\xFE\xFF\0<\0r", 6), text, error));
    EXPECT_EQ(text, u"<r");
    EXPECT_FALSE(DecodeRulesText("\xFF\xFE<", text, error));
    EXPECT_FALSE(DecodeRulesText("<r \xE9/>", text, error));
    EXPECT_EQ(error, "not UTF-8 text");
    EXPECT_FALSE(
        LooksUnread(u"<?xml version=\"1.0\"?>\n<Pavex-MetaData-Rules>\n</Pavex-MetaData-Rules>"));
    EXPECT_TRUE(LooksUnread(u"<Pavex-MetaData-Rules><DataPush tag='a' to='b'>"));
}

}  // namespace
}  // namespace olvane_host
