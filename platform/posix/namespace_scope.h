// namespace_scope.h - NamespaceScope: the prefixes bound while a document is read, and the checks
// of names against them. Expat reads the names as written; its own namespace processing cost an
// eighth of its time on a packet (every name expanded into a pool, every attribute hashed), while
// a document binds a handful of prefixes that a short scan resolves.
#pragma once

#include <expat.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/sax.h"

namespace platform::posix {

// The namespace of the declarations themselves, and of the prefix "xmlns".
constexpr std::string_view kXmlnsUri = "http://www.w3.org/2000/xmlns/";

// A qualified name split at its colon: false unless it is prefix ':' local (one colon, neither
// part empty, local starting with a character a name can start with) or has no colon at all.
bool SplitQName(std::string_view qName, SaxUtf8Name& name);

// Whether two of the attributes (declarations apart) have the same URI and local name.
bool HasExpandedDuplicate(const SaxUtf8Attribute* attributes, size_t count);

class NamespaceScope {
  public:
    // Binds prefix ("" for the default namespace) to uri from the element at depth on: expat's
    // error for a declaration that namespaces forbid, XML_ERROR_NONE when bound.
    XML_Error Bind(std::string_view prefix, std::string_view uri, int depth);

    // Fills in name.uri from name.prefix: false when the prefix is bound to nothing. An element's
    // name without prefix takes the default namespace, an attribute's none. The view is valid
    // until the next Bind.
    bool Resolve(SaxUtf8Name& name, bool isElement) const;

    // Ends the bindings of the element at depth, the newest first, handing each prefix to ended.
    template <class Ended>
    void End(int depth, Ended&& ended) {
        while (!m_bindings.empty() && m_bindings.back().depth == depth) {
            const Binding& b = m_bindings.back();
            ended(std::string_view(b.prefix));
            Unindex();
            m_bindings.pop_back();
        }
    }

  private:
    struct Binding {
        std::string prefix;
        std::string uri;  // empty: the default namespace undeclared
        int depth;
        uint32_t previous;  // the binding of the same prefix this one hides, or kNone
    };
    static constexpr uint32_t kNone = ~uint32_t{0};
    // Up to this many bindings a scan from the newest finds a prefix faster than a hash.
    static constexpr size_t kScanned = 16;

    const Binding* Find(std::string_view prefix) const;
    void Unindex();

    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::vector<Binding> m_bindings;
    std::unordered_map<std::string, uint32_t, Hash, std::equal_to<>> m_newest;  // prefix: binding
};

}  // namespace platform::posix
