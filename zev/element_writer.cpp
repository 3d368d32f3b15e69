// element_writer.cpp - CElement's text writer: indented tags, attributes and text, unescaped.
#include <climits>
#include <cwchar>
#include <cwctype>
#include <string>
#include <string_view>

#include "zev/element.h"

namespace zev {
namespace {

constexpr std::string_view kIndent = "    ";

// One character at a time in the current locale; a character the locale cannot represent (or an
// unpaired surrogate) is skipped.
void AppendConverted(std::string& out, std::u16string_view text) {
    std::mbstate_t state{};
    char bytes[MB_LEN_MAX];
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        const size_t n = std::wcrtomb(bytes, static_cast<wchar_t>(c), &state);
        if (n == static_cast<size_t>(-1)) {
            state = std::mbstate_t{};
            continue;
        }
        out.append(bytes, n);
    }
}

void AppendIndent(std::string& out, int level) {
    for (int i = 0; i < level; ++i) {
        out += kIndent;
    }
}

HRESULT Put(IByteSink* stream, const std::string& bytes) {
    if (stream == nullptr) {
        return E_POINTER;
    }
    return stream->Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

}  // namespace

bool CElement::WriteStartTag(IByteSink* stream, int level, bool qualified) {
    std::string out;
    AppendIndent(out, level);
    out += '<';
    AppendConverted(out, qualified ? m_strQualifiedName : m_strName);
    for (const auto& [key, value] : m_Attributes) {
        out += ' ';
        AppendConverted(out, key);
        out += "='";
        AppendConverted(out, value);
        out += '\'';
    }
    if (GetChildCount() == 0 && m_strText.empty()) {
        out += "/>\r\n";
        Put(stream, out);
        return false;
    }
    out += '>';
    Put(stream, out);
    return true;
}

void CElement::WriteContent(IByteSink* stream, int level, bool qualified) {
    if (!m_strText.empty()) {
        size_t start = 0;
        while (start < m_strText.size() && std::iswspace(static_cast<wint_t>(m_strText[start]))) {
            ++start;
        }
        std::string out;
        AppendConverted(out, std::u16string_view(m_strText).substr(start));
        Put(stream, out);
    }
    bool wroteChild = false;
    for (int i = 0;; ++i) {
        ObjectRef<CObject> child(GetChild(i));
        auto* element = dynamic_cast<CElement*>(child.get());
        if (element == nullptr) {
            break;  // the end, or a child that is not an element
        }
        if (!wroteChild) {
            Put(stream, "\r\n");
            wroteChild = true;
        }
        if (element->WriteStartTag(stream, level + 1, qualified)) {
            element->WriteContent(stream, level + 1, qualified);
            element->WriteEndTag(stream, level + 1, qualified);
        }
    }
    if (wroteChild && level >= 1) {
        std::string out;
        AppendIndent(out, level);
        Put(stream, out);
    }
}

HRESULT CElement::WriteEndTag(IByteSink* stream, int level, bool qualified) {
    std::string out = "</";
    AppendConverted(out, qualified ? m_strQualifiedName : m_strName);
    out += ">\r\n";
    return Put(stream, out);
}

}  // namespace zev
