// text_test.cpp - UTF conversions, the table helpers and the rules file's decoding.
#include "text.h"

#include <gtest/gtest.h>

#include "rules_file.h"

namespace olvane_host {
namespace {

TEST(Text, Utf8AndUtf16RoundTripAndRejectBadInput) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\x9E";  // a é € 🎞
    const auto wide = Utf8ToUtf16(text);
    ASSERT_TRUE(wide);
    EXPECT_EQ(*wide, u"a\u00E9\u20AC\U0001F39E");
    EXPECT_EQ(Utf16ToUtf8(*wide), text);
    for (const char* bad :
         {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80", "a\xE2\x82"}) {
        EXPECT_FALSE(Utf8ToUtf16(bad)) << bad;
    }
    // A lone surrogate cannot be written as UTF-8; it becomes U+FFFD.
    EXPECT_EQ(Utf16ToUtf8(std::u16string(u"x") + char16_t(0xD800) + u"y"), "x\xEF\xBF\xBDy");
}

TEST(Text, TableHelpersCountCodePoints) {
    EXPECT_EQ(DisplayWidth("caf\xC3\xA9"), 4u);
    EXPECT_EQ(EscapeControls("a\nb\tc\x01"), "a\\nb\\tc\\x01");
    EXPECT_EQ(Ellipsize("short", 10), "short");
    EXPECT_EQ(Ellipsize("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 5),
              "\xC3\xA9\xC3\xA9...");
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
}

TEST(RulesFile, DecodesUtf8AndUtf16WithMarks) {
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
    // Text meant to hold rules, read or not.
    EXPECT_FALSE(
        LooksUnread(u"<?xml version=\"1.0\"?>\n<Pavex-MetaData-Rules>\n</Pavex-MetaData-Rules>"));
    EXPECT_TRUE(LooksUnread(u"<Pavex-MetaData-Rules><DataPush tag='a' to='b'>"));
    EXPECT_TRUE(LooksUnread(u"not xml at all"));
}

}  // namespace
}  // namespace olvane_host
