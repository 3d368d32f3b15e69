// codepage.h - narrow-to-wide conversion: UTF-8 (the same on every platform) and the ANSI code
// page of keys and names (the backend's: the calling thread's code page on Windows, UTF-8
// elsewhere).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// The system error a strict conversion reports for an invalid sequence (no mapping for the Unicode
// character in the target code page).
constexpr uint32_t kErrorNoUnicodeTranslation = 1113;

// The host's narrow text (keys and names) in the ANSI code page: on Windows the calling thread's
// (MultiByteToWideChar, CP_THREAD_ACP), elsewhere UTF-8 as NarrowToWide. Null is "".
std::u16string AnsiToWide(const char* text);

// Lenient UTF-8: each byte that does not start a valid UTF-8 sequence becomes U+FFFD. Null is "".
std::u16string NarrowToWide(const char* text);
std::u16string NarrowToWide(const char* text, size_t bytes);
// The same into out, reusing its storage.
void NarrowToWideInto(const char* text, size_t bytes, std::u16string& out);
// The same into out, which has room for bytes units (never more are needed); returns how many
// were written. For callers that keep a buffer of their own.
size_t NarrowToWideUnits(const char* text, size_t bytes, char16_t* out);

// WideLength's count of any text, a word at a time.
size_t WideLengthOfAny(const char* text, size_t bytes);

// The number of UTF-16 units that well-formed UTF-8 text converts to. Short ASCII text, most runs
// of character data a reader counts, is answered here without a call: its bytes are its units.
inline size_t WideLength(const char* text, size_t bytes) {
    uint64_t a = 0;
    uint64_t b = 0;
    if (bytes > 16) {
        return WideLengthOfAny(text, bytes);
    }
    if (bytes >= 8) {  // two loads that overlap cover every byte
        std::memcpy(&a, text, 8);
        std::memcpy(&b, text + bytes - 8, 8);
    } else if (bytes >= 4) {
        uint32_t x = 0;
        uint32_t y = 0;
        std::memcpy(&x, text, 4);
        std::memcpy(&y, text + bytes - 4, 4);
        a = x | y;
    } else if (bytes > 0) {  // a sequence of two or three bytes would take the first or last
        a = static_cast<unsigned char>(text[0]) | static_cast<unsigned char>(text[bytes - 1]);
    }
    return ((a | b) & 0x8080808080808080ULL) == 0 ? bytes : WideLengthOfAny(text, bytes);
}

// Offset of the first byte that starts no well-formed UTF-8 sequence, or npos.
size_t FindInvalidUtf8(const char* text, size_t bytes);

// Strict, like MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS): false and *error set to
// kErrorNoUnicodeTranslation on the first invalid sequence (out then holds the text before it).
// Which bytes are invalid is decided by FindInvalidUtf8 on every platform, so both builds refuse
// the same text; the conversion itself is the backend's (MultiByteToWideChar on Windows).
bool Utf8ToUtf16Strict(const char* text, size_t bytes, std::u16string& out, uint32_t* error);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(std::u16string_view text);

// Index of the first unpaired surrogate in text, or npos.
size_t FindUnpairedSurrogate(std::u16string_view text);
