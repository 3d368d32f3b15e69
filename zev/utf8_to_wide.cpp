// utf8_to_wide.cpp - Utf8ToWide: strict UTF-8 to wide text, with its message on failure.
#include <cstdio>
#include <cstring>

#include "platform/codepage.h"
#include "zev/parser.h"

namespace zev {

const char16_t* Utf8ToWide(std::u16string& out, const char* utf8) {
    if (utf8 == nullptr) {
        utf8 = "";
    }
    const size_t bytes = std::strlen(utf8);
    if (bytes == 0) {
        out.clear();
        return out.c_str();
    }
    out.reserve(bytes);  // UTF-8 never needs more UTF-16 units than bytes
    uint32_t error = 0;
    if (Utf8ToUtf16Strict(utf8, bytes, out, &error)) {
        return out.c_str();
    }
    out.clear();
    if (error == kErrorNoUnicodeTranslation) {
        std::printf("ERROR - %s. (%#x)",
                    "MultiByteToWideChar - Invalid character found in source string.",
                    static_cast<unsigned>(kErrorNoUnicodeTranslation));
    } else {
        std::printf("ERROR - %s. (%#x)", "MultiByteToWideChar conversion failed.", error);
    }
    std::fflush(stdout);
    return out.c_str();
}

}  // namespace zev
