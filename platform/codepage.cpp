// codepage.cpp - UTF-8 <-> UTF-16 by hand, the same on every platform (Unicode 15 well-formedness:
// no overlongs, no surrogates, nothing above U+10FFFF).
#include "platform/codepage.h"

#include <cstdint>
#include <cstring>

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
    // reader's largest cost. UTF-8 never needs more UTF-16 units than bytes.
    out.resize(text == nullptr ? 0 : bytes);
    if (text == nullptr) {
        return;
    }
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    char16_t* w = out.data();
    size_t i = 0;
    while (i < bytes) {
        // Eight ASCII bytes at a time: names and most values are ASCII.
        if (i + 8 <= bytes && EightAscii(s + i)) {
            for (size_t k = 0; k < 8; ++k) {
                w[k] = s[i + k];
            }
            w += 8;
            i += 8;
            continue;
        }
        if (s[i] < 0x80) {
            *w++ = s[i++];
            continue;
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
    out.resize(static_cast<size_t>(w - out.data()));
}

size_t FindInvalidUtf8(const char* text, size_t bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    while (i < bytes) {
        // Eight ASCII bytes at a time: packets are mostly ASCII.
        if (i + 8 <= bytes && EightAscii(s + i)) {
            i += 8;
            continue;
        }
        if (s[i] < 0x80) {
            ++i;
            continue;
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
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
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
