// cstring.h - CString: the framework's wide string class, over std::u16string, with the operations
// this library uses. "Ignoring case" folds ASCII letters only, so no result depends on the locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/types.h"

class CString {
  public:
    CString() = default;
    CString(
        const char* narrow);  // NOLINT: implicit, as the framework's; ANSI code page, null is ""
    CString(const char16_t* text);  // NOLINT: null is ""
    CString(const char16_t* text, size_t length);
    CString(std::u16string text) : m_str(std::move(text)) {}  // NOLINT
    CString(std::u16string_view text) : m_str(text) {}        // NOLINT

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    const char16_t* GetString() const { return m_str.c_str(); }
    operator LPCWSTR() const { return m_str.c_str(); }  // NOLINT
    const std::u16string& str() const { return m_str; }
    std::u16string& str() { return m_str; }
    std::u16string_view view() const { return m_str; }

    // <0, 0, >0 by UTF-16 code units.
    int Compare(std::u16string_view other) const;
    int CompareNoCase(std::u16string_view other) const;

    // Index of the first match at or after start, or -1.
    int Find(char16_t ch, int start = 0) const;

    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;

    // printf-style, see wformat.h. The format is always a literal of the program.
    void Format(const char16_t* format, ...);
    void AppendFormat(const char16_t* format, ...);

    // A new BSTR with the text; throws std::bad_alloc when it cannot be allocated.
    BSTR AllocSysString() const;

    CString& operator+=(const CString& other) {
        m_str += other.m_str;
        return *this;
    }
    CString& operator+=(char16_t c) {
        m_str += c;
        return *this;
    }
    friend CString operator+(const CString& a, const CString& b) {
        return CString(a.m_str + b.m_str);
    }
    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const char16_t* b) {
        return a.m_str == std::u16string_view(b == nullptr ? u"" : b);
    }

  private:
    std::u16string m_str;
};

// ASCII-only case folding and comparison.
inline char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}
int CompareNoCaseAscii(std::u16string_view a, std::u16string_view b);
bool EqualNoCaseAscii(std::u16string_view a, std::u16string_view b);
bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix);
