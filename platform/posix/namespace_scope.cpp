// namespace_scope.cpp - NamespaceScope: bindings, their checks, and resolving names.
#include "platform/posix/namespace_scope.h"

#include <algorithm>
#include <utility>

namespace platform::posix {
namespace {

constexpr std::string_view kXmlUri = "http://www.w3.org/XML/1998/namespace";

// Whether the UTF-8 text starts with a character a name may hold but not start with: in ASCII a
// digit, '-' or '.', beyond it U+00B7, the combining marks U+0300-U+036F and U+203F-U+2040.
bool StartsWithNameCharOnly(std::string_view text) {
    const auto c = static_cast<unsigned char>(text[0]);
    if (c < 0x80) {
        return (c >= '0' && c <= '9') || c == '-' || c == '.';
    }
    const auto at = [&](size_t i) {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
    };
    const unsigned c1 = at(1);
    return (c == 0xC2 && c1 == 0xB7) || (c == 0xCC) || (c == 0xCD && c1 <= 0xAF) ||
           (c == 0xE2 && ((c1 == 0x80 && at(2) == 0xBF) || (c1 == 0x81 && at(2) == 0x80)));
}

}  // namespace

bool SplitQName(std::string_view qName, SaxUtf8Name& name) {
    const size_t colon = qName.find(':');
    if (colon == std::string_view::npos) {
        name = {{}, qName, {}};
        return true;
    }
    const std::string_view local = qName.substr(colon + 1);
    if (colon == 0 || local.empty() || local.find(':') != std::string_view::npos ||
        StartsWithNameCharOnly(local)) {
        return false;
    }
    name = {{}, local, qName.substr(0, colon)};
    return true;
}

// The checks and their order are those of the namespaces recommendation as expat applies them.
XML_Error NamespaceScope::Bind(std::string_view prefix, std::string_view uri, int depth) {
    if (uri.empty() && !prefix.empty()) {
        return XML_ERROR_UNDECLARING_PREFIX;
    }
    if (prefix == "xmlns") {
        return XML_ERROR_RESERVED_PREFIX_XMLNS;
    }
    const bool mustBeXml = prefix == "xml";
    if (mustBeXml != (uri == kXmlUri)) {
        return mustBeXml ? XML_ERROR_RESERVED_PREFIX_XML : XML_ERROR_RESERVED_NAMESPACE_URI;
    }
    if (uri == kXmlnsUri) {
        return XML_ERROR_RESERVED_NAMESPACE_URI;
    }
    const auto index = static_cast<uint32_t>(m_bindings.size());
    auto [newest, fresh] = m_newest.try_emplace(std::string(prefix), index);
    const uint32_t previous = fresh ? kNone : newest->second;
    try {
        m_bindings.push_back({std::string(prefix), std::string(uri), depth, previous});
    } catch (...) {
        if (fresh) {
            m_newest.erase(newest);
        }
        throw;
    }
    newest->second = index;
    return XML_ERROR_NONE;
}

void NamespaceScope::Unindex() {
    const Binding& b = m_bindings.back();
    const auto newest = m_newest.find(std::string_view(b.prefix));
    if (b.previous == kNone) {
        m_newest.erase(newest);
    } else {
        newest->second = b.previous;
    }
}

const NamespaceScope::Binding* NamespaceScope::Find(std::string_view prefix) const {
    if (m_bindings.size() <= kScanned) {
        for (size_t i = m_bindings.size(); i-- > 0;) {
            if (m_bindings[i].prefix == prefix) {
                return &m_bindings[i];
            }
        }
        return nullptr;
    }
    const auto newest = m_newest.find(prefix);
    return newest == m_newest.end() ? nullptr : &m_bindings[newest->second];
}

bool NamespaceScope::Resolve(SaxUtf8Name& name, bool isElement) const {
    if (name.prefix.empty() && !isElement) {
        name.uri = {};
        return true;
    }
    const Binding* b = Find(name.prefix);
    if (b != nullptr) {
        name.uri = b->uri;
        return true;
    }
    if (name.prefix == "xml") {
        name.uri = kXmlUri;  // bound without a declaration
        return true;
    }
    name.uri = {};
    return name.prefix.empty();  // no default namespace
}

bool HasExpandedDuplicate(const SaxUtf8Attribute* attributes, size_t count) {
    // The declarations are not among them. Two attributes of one prefix differ in their local
    // names, or expat would have refused them; only prefixes bound to the same URI by different
    // declarations can collide. Each binding's URI has storage of its own, so distinct bindings
    // show as distinct pointers.
    // Most tags use one binding at most (xml:lang, a Description's rdf:about): nothing to sort.
    const char* first = nullptr;
    bool several = false;
    for (size_t i = 0; i < count && !several; ++i) {
        if (!attributes[i].name.prefix.empty()) {
            first = first == nullptr ? attributes[i].name.uri.data() : first;
            several = attributes[i].name.uri.data() != first;
        }
    }
    if (!several) {
        return false;
    }
    std::vector<std::string_view> uris;
    for (size_t i = 0; i < count; ++i) {
        if (!attributes[i].name.prefix.empty()) {
            uris.push_back(attributes[i].name.uri);
        }
    }
    const auto byPointer = [](std::string_view a, std::string_view b) {
        return std::less<>{}(a.data(), b.data());
    };
    const auto samePointer = [](std::string_view a, std::string_view b) {
        return a.data() == b.data();
    };
    std::sort(uris.begin(), uris.end(), byPointer);
    uris.erase(std::unique(uris.begin(), uris.end(), samePointer), uris.end());
    std::sort(uris.begin(), uris.end());
    if (std::adjacent_find(uris.begin(), uris.end()) == uris.end()) {
        return false;
    }
    std::vector<std::pair<std::string_view, std::string_view>> names;
    for (size_t i = 0; i < count; ++i) {
        if (!attributes[i].name.prefix.empty()) {
            names.emplace_back(attributes[i].name.uri, attributes[i].name.localName);
        }
    }
    std::sort(names.begin(), names.end());
    return std::adjacent_find(names.begin(), names.end()) != names.end();
}

}  // namespace platform::posix
