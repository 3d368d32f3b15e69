// codepage_native.cpp - Windows: MultiByteToWideChar, with the calling thread's ANSI code page for
// the host's keys and names and with UTF-8 for packets.
#include <windows.h>

#include <climits>
#include <cstring>
#include <new>

#include "platform/codepage.h"

static_assert(kErrorNoUnicodeTranslation == ERROR_NO_UNICODE_TRANSLATION);

namespace {

// Converts bytes of text in codePage into out (replacing it). The system decides what an invalid
// byte becomes; callers that need strictness check first.
void Convert(UINT codePage, const char* text, size_t bytes, std::u16string& out) {
    out.clear();
    if (text == nullptr || bytes == 0) {
        return;
    }
    if (bytes > static_cast<size_t>(INT_MAX)) {
        throw std::bad_alloc();  // more than one call can convert, and more than a BSTR holds
    }
    const int count = static_cast<int>(bytes);
    // No code page turns one byte into more than one UTF-16 unit, except UTF-8's four-byte
    // sequences, which give two units for four bytes.
    out.resize(bytes);
    const int written = ::MultiByteToWideChar(codePage, 0, text, count,
                                              reinterpret_cast<wchar_t*>(out.data()), count);
    out.resize(written > 0 ? static_cast<size_t>(written) : 0);
}

}  // namespace

std::u16string AnsiToWide(const char* text) {
    std::u16string out;
    Convert(CP_THREAD_ACP, text, text == nullptr ? 0 : std::strlen(text), out);
    return out;
}

bool Utf8ToUtf16Strict(const char* text, size_t bytes, std::u16string& out, uint32_t* error) {
    const size_t bad = FindInvalidUtf8(text, bytes);
    Convert(CP_UTF8, text, bad == std::string::npos ? bytes : bad, out);
    if (bad == std::string::npos) {
        return true;
    }
    if (error != nullptr) {
        *error = kErrorNoUnicodeTranslation;  // ERROR_NO_UNICODE_TRANSLATION, as the system says
    }
    return false;
}
