// utf8_to_wide_test.cpp - Utf8ToWide on valid and invalid input, with its message.
#include <gtest/gtest.h>

#include <string>

#include "zev/parser.h"

namespace zev {
namespace {

TEST(Utf8ToWide, ConvertsValidText) {
    std::u16string out = u"old";
    const char16_t* p = Utf8ToWide(out, nullptr);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::u16string(p), u"");
    EXPECT_EQ(std::u16string(Utf8ToWide(out, "")), u"");
    EXPECT_EQ(std::u16string(Utf8ToWide(out, "\xc3\xa9")), u"\u00e9");
    EXPECT_EQ(out, u"\u00e9");
    EXPECT_EQ(std::u16string(Utf8ToWide(out, "<a>\xf0\x9f\x98\x80</a>")), u"<a>\U0001F600</a>");
}

TEST(Utf8ToWide, InvalidInputPrintsItsMessageAndStillReturnsAPointer) {
    std::u16string out = u"old";
    testing::internal::CaptureStdout();
    const char16_t* p = Utf8ToWide(out, "<a>\xc3\x28</a>");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR - MultiByteToWideChar - Invalid character found in source string.. (0x459)");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::u16string(p), u"");
    testing::internal::CaptureStdout();
    Utf8ToWide(out, "\xed\xa0\x80");  // an encoded surrogate
    EXPECT_NE(testing::internal::GetCapturedStdout().find("(0x459)"), std::string::npos);
}

}  // namespace
}  // namespace zev
