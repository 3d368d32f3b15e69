// codepage.h - narrow-to-wide conversion: UTF-8 (the same on every platform) and the ANSI code
// page of keys and names (the backend's: the calling thread's code page on Windows, UTF-8
// elsewhere).
#pragma once

#include <cstddef>
#include <cstdint>
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

// The number of UTF-16 units that well-formed UTF-8 text converts to.
size_t WideLength(const char* text, size_t bytes);

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
