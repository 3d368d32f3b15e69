// fuzz_check.h - what the fuzz targets share: a check that turns a broken invariant into a crash
// libFuzzer keeps, and the text helpers the checks need.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "olvane/olvane.h"
#include "platform/codepage.h"
#include "zev/registry.h"

namespace olvane_fuzz {

inline void Require(bool ok, const char* what, std::u16string_view detail = {}) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s %s\n", what, WideToUtf8(detail).c_str());
        std::abort();
    }
}

inline std::u16string Text(BSTR b) {
    return b == nullptr ? std::u16string() : std::u16string(b, SysStringLen(b));
}

// Copies and frees a BSTR the library handed over.
inline std::u16string Take(BSTR b) {
    std::u16string text = Text(b);
    SysFreeString(b);
    return text;
}

// Hands text to SetRulesXML as a BSTR, which the library frees (the scene exists).
inline int SetRules(int scene, const char* key, std::u16string_view text, int append) {
    return SetRulesXML(
        scene, key, SysAllocStringLen(text.data(), static_cast<unsigned int>(text.size())), append);
}

inline void RequireNoZevObjects() {
    Require(zev::GetRegisteredObjectCount() == 0, "zev objects alive after the input");
}

}  // namespace olvane_fuzz
