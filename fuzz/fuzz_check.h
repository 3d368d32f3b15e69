// fuzz_check.h - what the fuzz targets share: a check that turns a broken invariant into a crash
// libFuzzer keeps, and the text helpers the checks need.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "olvane/olvane.h"
#include "platform/codepage.h"
#include "zev/registry.h"

namespace olvane_fuzz {

[[noreturn]] inline void Fail(const char* what, const std::string& detail = std::string()) {
    std::fprintf(stderr, "invariant broken: %s %s\n", what, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

inline void Require(bool ok, const char* what, const std::string& detail = std::string()) {
    if (!ok) {
        Fail(what, detail);
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

inline std::string Utf8(std::u16string_view text) {
    return WideToUtf8(text);
}

// An attribute value written so that the reader gives back exactly these characters: markup
// escaped, and the white space that attribute normalisation would turn into blanks as references.
inline std::u16string AttributeText(std::u16string_view text) {
    std::u16string out;
    for (const char16_t c : text) {
        switch (c) {
            case u'&':
                out += u"&amp;";
                break;
            case u'<':
                out += u"&lt;";
                break;
            case u'"':
                out += u"&quot;";
                break;
            case u'\t':
                out += u"&#9;";
                break;
            case u'\n':
                out += u"&#10;";
                break;
            case u'\r':
                out += u"&#13;";
                break;
            default:
                out += c;
                break;
        }
    }
    return out;
}

// Hands text to SetRulesXML as a BSTR the library frees (the scene exists).
inline int SetRules(int scene, const char* key, std::u16string_view text, int append) {
    BSTR xml = SysAllocStringLen(text.data(), static_cast<unsigned int>(text.size()));
    const int result = SetRulesXML(scene, key, xml, append);
    if (result == -1) {
        SysFreeString(xml);
    }
    return result;
}

inline void RequireNoZevObjects() {
    Require(zev::GetRegisteredObjectCount() == 0, "zev objects alive after the input");
}

}  // namespace olvane_fuzz
