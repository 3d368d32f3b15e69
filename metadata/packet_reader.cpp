// packet_reader.cpp - PacketReader: the packet's pairs straight from the reader's events.
#include "metadata/packet_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/cmap.h"
#include "platform/codepage.h"
#include "platform/com.h"
#include "platform/text_buffer.h"
#include "zev/result.h"

namespace {

// The bucket count of an element's attribute map in the mirror; its iteration order is the order
// in which a Description's attributes reach the flat map.
constexpr UINT kAttributeBuckets = 17;

// std::u16string_view::compare's answer, four units a step.
int CompareUnits(std::u16string_view a, std::u16string_view b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        uint64_t x = 0;
        uint64_t y = 0;
        std::memcpy(&x, a.data() + i, sizeof x);
        std::memcpy(&y, b.data() + i, sizeof y);
        if (x != y) {
            break;
        }
    }
    for (; i < n; ++i) {
        if (a[i] != b[i]) {
            return a[i] < b[i] ? -1 : 1;
        }
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// Scratch for more attributes than this is freed once they are read.
constexpr size_t kKeptAttributes = 1024;

// Whether text is the ASCII word, ignoring the case of ASCII letters (either kind of text).
template <class Char>
bool IsWord(std::basic_string_view<Char> text, std::string_view word) {
    if (text.size() != word.size()) {
        return false;
    }
    for (size_t i = 0; i < word.size(); ++i) {
        const char16_t c = FoldAscii(static_cast<char16_t>(text[i]));
        if (c != static_cast<char16_t>(FoldAscii(static_cast<char16_t>(word[i])))) {
            return false;
        }
    }
    return true;
}

// A key as the pairs look it up: UTF-16 as it is, UTF-8 converted into scratch.
std::u16string_view Wide(std::u16string_view text, WideText& /*scratch*/) {
    return text;
}
std::u16string_view Wide(std::string_view text, WideText& scratch) {
    scratch.AssignUtf8(text);
    return scratch.view();
}

// The flattening, for either kind of text (zev/sax_dual_handler.h).
template <class Char>
class Flattener {
  public:
    using TextView = std::basic_string_view<Char>;
    using Text = TextBuffer<Char>;

    explicit Flattener(ValueMap& pairs) : m_pairs(pairs) {}

    void Reset() {
        m_depth = 0;
        m_inCharacters = false;
        m_rootSeen = false;
    }

    // An element starts; its qualified name is prefix ':' localName, or localName alone.
    template <class Attributes>
    HRESULT Start(TextView prefix, TextView localName, const Attributes& attributes);
    HRESULT End();
    HRESULT Characters(TextView chars);

  private:
    // What an open element is to the flattening.
    enum class Role {
        kVisit,      // read by its own prefix; Visit settles which of the next three it is
        kWrapper,    // prefix "x": only its first child element is read
        kContainer,  // prefix "rdf": every child element is read
        kProperty,   // a property without attributes: its key takes a value at its end
        kList,       // a property's first child: the texts of its children are joined
        kItem,       // a child of a list: its text joins the list
        kIgnored,    // nothing in it is read
    };
    struct Frame {
        Role role;
        int children = 0;  // child elements seen so far
        Text key;          // kProperty: prefix ':' local name
        Text text;         // kProperty, kItem: the element's text so far
        Text joined;       // kProperty: the joined texts of its list
    };

    static Role RoleOfChild(Frame& parent);
    // Whether the element's text can still become a value: a property's, until it has a child
    // element (then its list is the value), and a list item's. The reader skips the rest, most of
    // it the indentation between elements.
    static bool WantsText(const Frame& frame) {
        return (frame.role == Role::kProperty && frame.children == 0) || frame.role == Role::kItem;
    }
    template <class Attributes>
    HRESULT Visit(Frame& frame, TextView prefix, TextView localName, const Attributes& attributes);
    template <class Attributes>
    HRESULT CopyAttributes(const Attributes& attributes);
    // A value in UTF-8 is converted straight into the pairs.
    void Set(const Text& key, const Text& value) {
        m_pairs.Add(Wide(key.view(), m_wideKey), value.view());
    }

    ValueMap& m_pairs;
    std::vector<Frame> m_frames;  // open elements; a slot is reused by the next at its depth
    size_t m_depth = 0;
    bool m_inCharacters = false;  // the last event was character data
    bool m_rootSeen = false;
    WideText m_wideKey;  // a key converted for the pairs (UTF-8 only)
    // An attribute's name, in m_attributeNames with the others: a string each would cost an
    // allocation per attribute, and a Description can carry tens of thousands. Its value is taken
    // from the event when it is set.
    struct Attribute {
        size_t at;
        size_t length;
        UINT bucket;  // of the mirror's attribute map
    };
    std::u16string_view QName(const Attribute& a) const {
        return m_attributeNames.view().substr(a.at, a.length);
    }
    std::vector<Attribute> m_attributes;  // reused scratch
    std::vector<size_t> m_order;
    WideText m_attributeNames;
    WideText m_qName;
};

// The part a new child element plays, from its parent's. Counts the child.
template <class Char>
auto Flattener<Char>::RoleOfChild(Frame& parent) -> Role {
    const int index = parent.children++;
    switch (parent.role) {
        case Role::kWrapper:
            return index == 0 ? Role::kVisit : Role::kIgnored;
        case Role::kContainer:
            return Role::kVisit;
        case Role::kProperty:
            return index == 0 ? Role::kList : Role::kIgnored;
        case Role::kList:
            return Role::kItem;
        default:
            return Role::kIgnored;
    }
}

template <class Char>
template <class Attributes>
HRESULT Flattener<Char>::Start(TextView prefix, TextView localName, const Attributes& attributes) {
    m_inCharacters = false;
    // The flattening visits the document element, and below it whatever the parent's role lets
    // through.
    Role role = Role::kVisit;
    if (m_depth > 0) {
        role = RoleOfChild(m_frames[m_depth - 1]);
    } else if (m_rootSeen) {
        return zev::kStructureRefused;  // a second top-level element
    }
    m_rootSeen = true;
    if (m_depth == m_frames.size()) {
        m_frames.emplace_back();
    }
    Frame& frame = m_frames[m_depth++];
    frame.role = role;
    frame.children = 0;
    frame.text.Clear();
    HRESULT hr = S_OK;
    if (role == Role::kVisit) {
        hr = Visit(frame, prefix, localName, attributes);
    }
    return hr == S_OK && !WantsText(frame) ? S_FALSE : hr;
}

// An element the flattening visits, by its prefix: the wrapper, an rdf element (a Description
// hands over its attributes), or a property (its attributes, or its key and later its value).
template <class Char>
template <class Attributes>
HRESULT Flattener<Char>::Visit(Frame& frame, TextView prefix, TextView localName,
                               const Attributes& attributes) {
    if (IsWord(prefix, "x")) {
        frame.role = Role::kWrapper;
        return S_OK;
    }
    if (IsWord(prefix, "rdf")) {
        frame.role = Role::kContainer;
        if (attributes.count > 0 && IsWord(localName, "Description")) {
            return CopyAttributes(attributes);
        }
        return S_OK;
    }
    if (attributes.count > 0) {
        frame.role = Role::kIgnored;
        return CopyAttributes(attributes);
    }
    const Char colon = ':';
    frame.role = Role::kProperty;
    frame.key.Assign(prefix);
    frame.key.Append(TextView(&colon, 1));
    frame.key.Append(localName);
    frame.joined.Clear();
    return S_OK;
}

// Sets the attributes in the order the mirror's attribute map would hand them out: the element
// keeps them sorted by qualified name (a repeated name keeps the last value), the map is filled
// in that order, and it iterates bucket by bucket, each bucket from its newest entry: so by
// bucket, then by name from the last, and of a repeated name the last given. Sorted as UTF-16,
// whichever text they came in.
template <class Char>
template <class Attributes>
HRESULT Flattener<Char>::CopyAttributes(const Attributes& attributes) {
    const auto n = static_cast<size_t>(attributes.count);
    m_attributes.resize(n);
    m_attributeNames.Clear();
    size_t starts[kAttributeBuckets + 1] = {};
    for (size_t i = 0; i < n; ++i) {
        const HRESULT hr = attributes.GetQName(i, m_qName);
        if (FAILED(hr)) {
            return hr;
        }
        const UINT bucket = platform::HashKey(m_qName.view()) % kAttributeBuckets;
        m_attributes[i] = {m_attributeNames.size(), m_qName.size(), bucket};
        m_attributeNames.Append(m_qName.view());
        ++starts[bucket + 1];
    }
    // By bucket first (a counting sort), then each bucket on its own: a Description can carry
    // tens of thousands of attributes, and names sharing long beginnings are slow to compare.
    for (size_t b = 1; b <= kAttributeBuckets; ++b) {
        starts[b] += starts[b - 1];
    }
    m_order.resize(n);
    size_t next[kAttributeBuckets];
    std::copy(starts, starts + kAttributeBuckets, next);
    for (size_t i = 0; i < n; ++i) {
        m_order[next[m_attributes[i].bucket]++] = i;
    }
    for (size_t b = 0; b < kAttributeBuckets; ++b) {
        std::sort(m_order.begin() + static_cast<std::ptrdiff_t>(starts[b]),
                  m_order.begin() + static_cast<std::ptrdiff_t>(starts[b + 1]),
                  [this](size_t i, size_t j) {
                      const int order =
                          CompareUnits(QName(m_attributes[i]), QName(m_attributes[j]));
                      return order != 0 ? order > 0 : i > j;
                  });
    }
    for (size_t k = 0; k < n; ++k) {
        const Attribute& a = m_attributes[m_order[k]];
        if (k == 0 || QName(a) != QName(m_attributes[m_order[k - 1]])) {
            typename Attributes::Value value;
            const HRESULT hr = attributes.GetValue(m_order[k], value);
            if (FAILED(hr)) {
                return hr;
            }
            m_pairs.Add(QName(a), value);
        }
    }
    // The scratch is kept for the next element, unless this one was outsized.
    if (n > kKeptAttributes) {
        m_attributes = std::vector<Attribute>();
        m_order = std::vector<size_t>();
        m_attributeNames = WideText();
    }
    return S_OK;
}

template <class Char>
HRESULT Flattener<Char>::End() {
    m_inCharacters = false;
    if (m_depth == 0) {
        return zev::kStructureRefused;
    }
    Frame& frame = m_frames[--m_depth];
    if (frame.role == Role::kProperty) {
        Set(frame.key, frame.children > 0 ? frame.joined : frame.text);
    } else if (frame.role == Role::kItem) {
        // The item's list is its parent, and the list's property the one above.
        const Frame& list = m_frames[m_depth - 1];
        Frame& property = m_frames[m_depth - 2];
        if (list.children > 1) {
            const Char separator[] = {',', ' '};
            property.joined.Append(TextView(separator, 2));
        }
        property.joined.Append(frame.text.view());
    }
    return m_depth > 0 && !WantsText(m_frames[m_depth - 1]) ? S_FALSE : S_OK;
}

template <class Char>
HRESULT Flattener<Char>::Characters(TextView chars) {
    if (m_depth == 0) {
        return zev::kStructureRefused;
    }
    // An element's text is its last run of character data; a run the reader delivers in pieces
    // is joined.
    const bool continuing = m_inCharacters;
    m_inCharacters = true;
    Frame& frame = m_frames[m_depth - 1];
    if (!WantsText(frame)) {
        return S_OK;
    }
    if (continuing) {
        frame.text.Append(chars);
    } else {
        frame.text.Assign(chars);
    }
    return S_OK;
}

}  // namespace

HRESULT PacketReader::Read(const char* packet, size_t length, ValueMap& pairs,
                           zev::SaxEvents events) {
    ComPtr<ISAXXMLReader> reader;
    HRESULT hr = CoCreateInstance(CLSID_SAXXMLReader, nullptr, CLSCTX_ALL, IID_ISAXXMLReader,
                                  reader.PutVoid());
    if (FAILED(hr)) {
        return hr;
    }
    // Born with no reference; the reader and this call each hold one.
    ComPtr<zev::SaxDualHandler<Flattener>> handler(
        new zev::SaxDualHandler<Flattener>(events, pairs));
    hr = reader->putContentHandler(handler.get());
    if (SUCCEEDED(hr)) {
        hr = reader->parseUtf8(packet, length);
    }
    pairs.Settle();
    return hr;
}
