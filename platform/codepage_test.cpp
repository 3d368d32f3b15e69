// codepage_test.cpp - UTF-8 decoding around the eight-byte ASCII path, against a plain decoder.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t npos = std::string::npos;

// The reference: take the lead byte's length, require continuation bytes, then refuse overlongs,
// surrogates and anything above U+10FFFF by value. Returns the length, or 0 when s[0] starts no
// well-formed sequence.
size_t RefDecodeOne(const std::string& s, size_t at, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[at]);
    size_t len = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (s.size() - at < len) {
        return 0;
    }
    for (size_t i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(s[at + i]);
        if ((b & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return len;
}

void AppendUtf16(char32_t cp, std::u16string& out) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
}

// Lenient decoding as documented: every byte that starts no sequence is one U+FFFD.
std::u16string RefDecode(const std::string& s, size_t* firstInvalid) {
    std::u16string out;
    *firstInvalid = npos;
    for (size_t i = 0; i < s.size();) {
        char32_t cp = 0;
        const size_t len = RefDecodeOne(s, i, cp);
        if (len == 0) {
            if (*firstInvalid == npos) {
                *firstInvalid = i;
            }
            out += u'\uFFFD';
            ++i;
        } else {
            AppendUtf16(cp, out);
            i += len;
        }
    }
    return out;
}

// The library's encoder builds the inputs: it is not what these tests are about.
std::string Encode(char32_t cp) {
    std::u16string units;
    AppendUtf16(cp, units);
    return WideToUtf8(units);
}

std::string Ascii(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += static_cast<char>('a' + i % 26);
    }
    return s;
}

std::u16string AsciiWide(size_t n) {
    std::u16string s;
    for (size_t i = 0; i < n; ++i) {
        s += static_cast<char16_t>(u'a' + i % 26);
    }
    return s;
}

TEST(Utf8, AsciiRunsOfEveryLengthNextToMultiByteSequences) {
    // One sequence of each length, the last one becoming a surrogate pair, and the extremes of
    // each length's range.
    const std::vector<char32_t> others{0x80,   0xE9,    0x7FF,   0x800,   0x20AC,
                                       0xFFFD, 0x10000, 0x1F600, 0x10FFFF};
    // Up to two SSE2 blocks of sixteen and a tail.
    for (size_t n = 0; n <= 33; ++n) {
        for (char32_t cp : others) {
            std::u16string wide;
            AppendUtf16(cp, wide);
            const std::string mb = Encode(cp);
            struct Case {
                std::string bytes;
                std::u16string expected;
            };
            for (const Case& c :
                 {Case{Ascii(n) + mb, AsciiWide(n) + wide},
                  Case{mb + Ascii(n), wide + AsciiWide(n)},
                  Case{Ascii(n) + mb + Ascii(n) + mb, AsciiWide(n) + wide + AsciiWide(n) + wide}}) {
                SCOPED_TRACE(::testing::Message() << "ascii run " << n << ", U+" << std::hex
                                                  << static_cast<uint32_t>(cp));
                EXPECT_EQ(NarrowToWide(c.bytes.data(), c.bytes.size()), c.expected);
                EXPECT_EQ(WideLength(c.bytes.data(), c.bytes.size()), c.expected.size());
                EXPECT_EQ(WideToUtf8(c.expected), c.bytes);
                EXPECT_EQ(FindInvalidUtf8(c.bytes.data(), c.bytes.size()), npos);
                std::u16string strict;
                uint32_t error = 0;
                EXPECT_TRUE(Utf8ToUtf16Strict(c.bytes.data(), c.bytes.size(), strict, &error));
                EXPECT_EQ(strict, c.expected);
            }
        }
    }
}

TEST(Utf8, InvalidSequencesAreFoundWhereTheyStart) {
    // Each starts no sequence at its first byte, nor at any later byte of it.
    const std::vector<std::string> bad{
        "\xc3",              // cut short by the end (or by what follows)
        "\xe2\x82",          //
        "\xf0\x9f\x98",      //
        "\xc0\x80",          // overlong
        "\xc1\xbf",          //
        "\xe0\x80\x80",      //
        "\xe0\x9f\xbf",      //
        "\xf0\x80\x80\x80",  //
        "\xf0\x8f\xbf\xbf",  //
        "\xed\xa0\x80",      // encoded surrogates
        "\xed\xbf\xbf",      //
        "\xf4\x90\x80\x80",  // above U+10FFFF
        "\x80",              // stray continuation bytes
        "\xbf",              //
        "\xf5",
        "\xf8",
        "\xfe",
        "\xff",
    };
    // Prefixes ending exactly at, just before and just after an eight- or sixteen-byte block,
    // some behind a multi-byte sequence so that the blocks start off their boundaries.
    std::vector<std::pair<std::string, std::u16string>> prefixes;
    for (size_t n = 0; n <= 33; ++n) {
        prefixes.emplace_back(Ascii(n), AsciiWide(n));
        prefixes.emplace_back("\xc3\xa9" + Ascii(n), u"\u00e9" + AsciiWide(n));
    }
    for (const std::string& b : bad) {
        for (const auto& [prefix, widePrefix] : prefixes) {
            // Followed by nothing, by ASCII (which must not be swallowed) and by a valid sequence.
            for (const std::string& suffix : {std::string(), Ascii(9), std::string("\xc3\xa9")}) {
                const std::string text = prefix + b + suffix;
                // Past the length, bytes that would complete a sequence cut short by it.
                const std::string buffer = text + "\xa9\xa9\xa9";
                const size_t n = text.size();
                SCOPED_TRACE(::testing::Message()
                             << "prefix " << prefix.size() << " bytes, bad "
                             << ::testing::PrintToString(b) << ", suffix " << suffix.size());
                EXPECT_EQ(FindInvalidUtf8(buffer.data(), n), prefix.size());

                std::u16string expected = widePrefix + std::u16string(b.size(), u'\uFFFD');
                expected += suffix.empty() ? u"" : NarrowToWide(suffix.data(), suffix.size());
                EXPECT_EQ(NarrowToWide(buffer.data(), n), expected);

                std::u16string strict = u"stale";
                uint32_t error = 0;
                EXPECT_FALSE(Utf8ToUtf16Strict(buffer.data(), n, strict, &error));
                EXPECT_EQ(error, kErrorNoUnicodeTranslation);
                EXPECT_EQ(strict, widePrefix);  // the text before the bad sequence, nothing else
            }
        }
    }
    // The valid neighbours of the refused ranges.
    for (const char* good : {"\xc2\x80", "\xe0\xa0\x80", "\xed\x9f\xbf", "\xee\x80\x80",
                             "\xf0\x90\x80\x80", "\xf4\x8f\xbf\xbf"}) {
        EXPECT_EQ(FindInvalidUtf8(good, std::strlen(good)), npos) << good;
    }
    EXPECT_EQ(FindInvalidUtf8(nullptr, 0), npos);
    EXPECT_EQ(FindInvalidUtf8("", 0), npos);
}

TEST(Utf8, MatchesAPlainDecoderOnRandomText) {
    std::mt19937 rng(1113);
    // Lead and continuation bytes at the edges of their ranges, for the mixed strings.
    const std::string edges("\x80\x8f\x90\x9f\xa0\xbf\xc0\xc1\xc2\xdf\xe0\xed\xef\xf0\xf4\xf5\xff",
                            17);
    auto randomCodePoint = [&rng]() -> char32_t {
        switch (rng() % 4) {
            case 0:
                return 0x80 + rng() % (0x800 - 0x80);
            case 1: {
                const char32_t cp = 0x800 + rng() % (0x10000 - 0x800);
                return cp >= 0xD800 && cp <= 0xDFFF ? cp - 0x1000 : cp;
            }
            case 2:
                return 0x10000 + rng() % (0x110000 - 0x10000);
            default:
                return 0x20 + rng() % 0x60;
        }
    };
    std::u16string out;
    for (int round = 0; round < 4000; ++round) {
        const bool valid = round % 2 == 0;
        std::string text;
        std::u16string expected;
        const size_t pieces = rng() % 12;
        for (size_t p = 0; p < pieces; ++p) {
            const uint32_t kind = rng() % 4;
            if (kind == 0) {
                const size_t n = rng() % 40;
                text += Ascii(n);
                expected += AsciiWide(n);
            } else if (kind == 3 && !valid) {
                text += edges[rng() % edges.size()];
            } else {
                const char32_t cp = randomCodePoint();
                text += Encode(cp);
                AppendUtf16(cp, expected);
            }
        }
        size_t refInvalid = npos;
        const std::u16string ref = RefDecode(text, &refInvalid);
        if (valid) {
            ASSERT_EQ(ref, expected);  // the reference itself decodes what was encoded
            ASSERT_EQ(WideLength(text.data(), text.size()), expected.size());
            ASSERT_EQ(WideToUtf8(expected), text);
        }
        // Decoding into one string over and over: its old content never shows through.
        NarrowToWideInto(text.data(), text.size(), out);
        ASSERT_EQ(out, ref) << ::testing::PrintToString(text);
        ASSERT_EQ(FindInvalidUtf8(text.data(), text.size()), refInvalid)
            << ::testing::PrintToString(text);
    }
}

TEST(Utf8, OutputStringIsReplacedNotAppended) {
    std::u16string out(100, u'x');
    NarrowToWideInto("ab\xc3\xa9", 4, out);
    EXPECT_EQ(out, u"ab\u00e9");
    NarrowToWideInto("", 0, out);
    EXPECT_EQ(out, u"");
    out = u"left over";
    NarrowToWideInto(nullptr, 5, out);
    EXPECT_EQ(out, u"");
    out = u"left over";
    uint32_t error = 0;
    EXPECT_TRUE(Utf8ToUtf16Strict("z", 1, out, &error));
    EXPECT_EQ(out, u"z");
    // Only length bytes are read: what follows them is never decoded.
    EXPECT_EQ(NarrowToWide("abc\xff", 3), u"abc");
    EXPECT_EQ(FindInvalidUtf8("abcdefgh\xff", 8), npos);
}

}  // namespace
