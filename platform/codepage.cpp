// codepage.cpp - UTF-8 <-> UTF-16 by hand, the same on every platform (Unicode 15 well-formedness:
// no overlongs, no surrogates, nothing above U+10FFFF).
#include "platform/codepage.h"

#include <bit>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Decodes one well-formed sequence at s[0..n); returns its length, or 0 when s[0] starts none.
size_t DecodeOne(const unsigned char* s, size_t n, char32_t& cp) {
    const unsigned char b0 = s[0];
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    size_t len = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0F;
        if (b0 == 0xE0) {
            lo = 0xA0;
        } else if (b0 == 0xED) {
            hi = 0x9F;
        }
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07;
        if (b0 == 0xF0) {
            lo = 0x90;
        } else if (b0 == 0xF4) {
            hi = 0x8F;
        }
    } else {
        return 0;
    }
    if (n < len) {
        return 0;
    }
    for (size_t i = 1; i < len; ++i) {
        const unsigned char b = s[i];
        if (b < (i == 1 ? lo : 0x80) || b > (i == 1 ? hi : 0xBF)) {
            return 0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    return len;
}

// Whether the eight bytes at s are all ASCII.
bool EightAscii(const unsigned char* s) {
    uint64_t word = 0;
    std::memcpy(&word, s, sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

static_assert(std::endian::native == std::endian::little, "WidenAscii spreads bytes in place");

// How many bytes at the start of s[0..n) lie in whole blocks of ASCII (8 bytes, or 16 with SSE2).
size_t AsciiBlocks(const unsigned char* s, size_t n) {
    size_t i = 0;
#ifdef __SSE2__
    for (; i + 16 <= n; i += 16) {
        if (_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i))) != 0) {
            break;
        }
    }
#endif
    while (i + 8 <= n && EightAscii(s + i)) {
        i += 8;
    }
    return i;
}

// Four bytes (the low half of word) spread into four UTF-16 units.
uint64_t SpreadFour(uint64_t word) {
    word &= 0xFFFFFFFFULL;
    word = (word | (word << 16)) & 0x0000FFFF0000FFFFULL;
    return (word | (word << 8)) & 0x00FF00FF00FF00FFULL;
}

bool FourAscii(const unsigned char* s) {
    uint32_t word = 0;
    std::memcpy(&word, s, sizeof word);
    return (word & 0x80808080U) == 0;
}

// Four ASCII bytes into four UTF-16 units.
void WidenFour(const unsigned char* s, char16_t* w) {
    uint32_t word = 0;
    std::memcpy(&word, s, sizeof word);
    const uint64_t units = SpreadFour(word);
    std::memcpy(w, &units, sizeof units);
}

// Copies the ASCII units at the start of s[0..n) into w as bytes, a block at a time, and returns
// how many it copied.
size_t NarrowAscii(const char16_t* s, size_t n, unsigned char* w) {
    size_t i = 0;
#ifdef __SSE2__
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; i + 8 <= n; i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(units, high), _mm_setzero_si128())) !=
            0xFFFF) {
            break;
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(w + i), _mm_packus_epi16(units, units));
    }
#else
    for (; i + 4 <= n; i += 4) {
        uint64_t word = 0;
        std::memcpy(&word, s + i, sizeof word);
        if ((word & 0xFF80FF80FF80FF80ULL) != 0) {
            break;
        }
        for (size_t k = 0; k < 4; ++k) {
            w[i + k] = static_cast<unsigned char>(s[i + k]);
        }
    }
#endif
    return i;
}

// Copies the ASCII bytes at the start of s[0..n) into w as UTF-16 units, a block at a time, and
// returns how many it copied (a multiple of 8, or of 16 with SSE2). Names, markup whitespace and
// most values are ASCII: this is where the reader's conversions spend their time.
size_t WidenAscii(const unsigned char* s, size_t n, char16_t* w) {
    size_t i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        if (_mm_movemask_epi8(bytes) != 0) {
            break;
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(w + i), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(w + i + 8), _mm_unpackhi_epi8(bytes, zero));
    }
#endif
    for (; i + 8 <= n && EightAscii(s + i); i += 8) {
        uint64_t word = 0;
        std::memcpy(&word, s + i, sizeof word);
        const uint64_t low = SpreadFour(word);
        const uint64_t high = SpreadFour(word >> 32);
        std::memcpy(w + i, &low, sizeof low);
        std::memcpy(w + i + 4, &high, sizeof high);
    }
    return i;
}

}  // namespace

std::u16string NarrowToWide(const char* text) {
    return text == nullptr ? std::u16string() : NarrowToWide(text, std::strlen(text));
}

std::u16string NarrowToWide(const char* text, size_t bytes) {
    std::u16string out;
    NarrowToWideInto(text, bytes, out);
    return out;
}

void NarrowToWideInto(const char* text, size_t bytes, std::u16string& out) {
    // Sized once and written through a pointer: a character at a time through push_back was the
    // reader's largest cost.
    out.resize(text == nullptr ? 0 : bytes);
    if (text != nullptr) {
        out.resize(NarrowToWideUnits(text, bytes, out.data()));
    }
}

size_t NarrowToWideUnits(const char* text, size_t bytes, char16_t* out) {
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    char16_t* w = out;
    size_t i = 0;
    while (i < bytes) {
        const size_t ascii = WidenAscii(s + i, bytes - i, w);
        w += ascii;
        i += ascii;
        // Most names and many values end in four to seven ASCII bytes past the blocks: two
        // overlapping words instead of a unit at a time.
        const size_t rest = bytes - i;
        if (rest >= 4 && rest < 8 && FourAscii(s + i) && FourAscii(s + bytes - 4)) {
            WidenFour(s + i, w);
            WidenFour(s + bytes - 4, w + rest - 4);
            return static_cast<size_t>(w - out) + rest;
        }
        // Fewer than eight bytes remain, or a sequence starts within the next eight.
        while (i < bytes && s[i] < 0x80) {
            *w++ = s[i++];
        }
        if (i == bytes) {
            break;
        }
        char32_t cp = 0;
        const size_t len = DecodeOne(s + i, bytes - i, cp);
        if (len == 0) {
            *w++ = u'\uFFFD';
            ++i;
        } else if (cp < 0x10000) {
            *w++ = static_cast<char16_t>(cp);
            i += len;
        } else {
            cp -= 0x10000;
            *w++ = static_cast<char16_t>(0xD800 + (cp >> 10));
            *w++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
            i += len;
        }
    }
    return static_cast<size_t>(w - out);
}

size_t WideLengthOfAny(const char* text, size_t bytes) {
    // Every byte but a continuation byte (10xxxxxx) starts a unit, and a four-byte lead
    // (11110xxx) a second one: counted eight bytes at a time, by the top bits of each byte.
    constexpr uint64_t kHigh = 0x8080808080808080ULL;
    auto countHigh = [](uint64_t marks) {  // the number of bytes whose top bit is set in marks
        return static_cast<size_t>(((marks >> 7) * 0x0101010101010101ULL) >> 56);
    };
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    size_t units = 0;
    size_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
        uint64_t w = 0;
        std::memcpy(&w, s + i, sizeof w);
        const uint64_t continuation = w & ~(w << 1) & kHigh;
        const uint64_t fourByteLead = w & (w << 1) & (w << 2) & (w << 3) & kHigh;
        units += 8 - countHigh(continuation) + countHigh(fourByteLead);
    }
    for (; i < bytes; ++i) {
        units += ((s[i] & 0xC0) != 0x80 ? 1 : 0) + (s[i] >= 0xF0 ? 1 : 0);
    }
    return units;
}

size_t FindInvalidUtf8(const char* text, size_t bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    while (i < bytes) {
        i += AsciiBlocks(s + i, bytes - i);
        while (i < bytes && s[i] < 0x80) {
            ++i;
        }
        if (i == bytes) {
            break;
        }
        char32_t cp = 0;
        const size_t len = DecodeOne(s + i, bytes - i, cp);
        if (len == 0) {
            return i;
        }
        i += len;
    }
    return std::string::npos;
}

std::string WideToUtf8(std::u16string_view text) {
    // Sized for the worst case (three bytes a unit) and written through a pointer; ASCII, most of
    // any text this library writes or reads back, a block at a time.
    std::string out(text.size() * 3, '\0');
    auto* w = reinterpret_cast<unsigned char*>(out.data());
    const char16_t* s = text.data();
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const size_t ascii = NarrowAscii(s + i, n - i, w);
        w += ascii;
        i += ascii;
        if (i == n) {
            break;
        }
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        ++i;
        if (cp < 0x80) {
            *w++ = static_cast<unsigned char>(cp);
        } else if (cp < 0x800) {
            *w++ = static_cast<unsigned char>(0xC0 | (cp >> 6));
            *w++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            *w++ = static_cast<unsigned char>(0xE0 | (cp >> 12));
            *w++ = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            *w++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        } else {
            *w++ = static_cast<unsigned char>(0xF0 | (cp >> 18));
            *w++ = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
            *w++ = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            *w++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        }
    }
    out.resize(static_cast<size_t>(w - reinterpret_cast<unsigned char*>(out.data())));
    return out;
}

size_t FindUnpairedSurrogate(std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                ++i;
                continue;
            }
            return i;
        }
        if (c >= 0xDC00 && c <= 0xDFFF) {
            return i;
        }
    }
    return std::u16string_view::npos;
}
