// codepage_native.cpp - POSIX: the ANSI code page is UTF-8, and the strict conversion is the
// library's own decoder.
#include "platform/codepage.h"

std::u16string AnsiToWide(const char* text) {
    return NarrowToWide(text);
}

bool Utf8ToUtf16Strict(const char* text, size_t bytes, std::u16string& out, uint32_t* error) {
    const size_t bad = FindInvalidUtf8(text, bytes);
    NarrowToWideInto(text, bad == std::string::npos ? bytes : bad, out);
    if (bad == std::string::npos) {
        return true;
    }
    if (error != nullptr) {
        *error = kErrorNoUnicodeTranslation;
    }
    return false;
}
