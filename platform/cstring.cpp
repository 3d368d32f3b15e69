// cstring.cpp - CString.
#include "platform/cstring.h"

#include <cstdarg>

#include "platform/bstr.h"
#include "platform/codepage.h"
#include "platform/wformat.h"

int CompareNoCaseAscii(std::u16string_view a, std::u16string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = FoldAscii(a[i]);
        const char16_t y = FoldAscii(b[i]);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

bool EqualNoCaseAscii(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    // From the end: texts compared for equality (namespace URIs above all) share their beginnings
    // far more often than their endings.
    for (size_t i = a.size(); i-- > 0;) {
        if (a[i] != b[i] && FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && EqualNoCaseAscii(text.substr(0, prefix.size()), prefix);
}

CString::CString(const char* narrow) : m_str(AnsiToWide(narrow)) {}

CString::CString(const char16_t* text) {
    if (text != nullptr) {
        m_str = text;
    }
}

CString::CString(const char16_t* text, size_t length) {
    if (text != nullptr) {
        m_str.assign(text, length);
    }
}

int CString::Compare(std::u16string_view other) const {
    const int c = std::u16string_view(m_str).compare(other);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CString::CompareNoCase(std::u16string_view other) const {
    return CompareNoCaseAscii(m_str, other);
}

int CString::Find(char16_t ch, int start) const {
    if (start < 0 || static_cast<size_t>(start) >= m_str.size()) {
        return -1;
    }
    const size_t at = m_str.find(ch, static_cast<size_t>(start));
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

CString CString::Left(int count) const {
    if (count <= 0) {
        return CString();
    }
    return CString(m_str.substr(0, static_cast<size_t>(count)));
}

CString CString::Mid(int first) const {
    if (first < 0) {
        first = 0;
    }
    if (static_cast<size_t>(first) >= m_str.size()) {
        return CString();
    }
    return CString(m_str.substr(static_cast<size_t>(first)));
}

CString CString::Mid(int first, int count) const {
    if (first < 0) {
        first = 0;
    }
    if (count <= 0 || static_cast<size_t>(first) >= m_str.size()) {
        return CString();
    }
    return CString(m_str.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

void CString::Format(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::u16string out;
    AppendFormatWideV(out, format, args);
    va_end(args);
    m_str.swap(out);
}

void CString::AppendFormat(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatWideV(m_str, format, args);
    va_end(args);
}

BSTR CString::AllocSysString() const {
    return AllocBstrOrThrow(m_str.data(), static_cast<unsigned int>(m_str.size()));
}
