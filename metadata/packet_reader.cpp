// packet_reader.cpp - PacketReader: the packet's pairs straight from the reader's events.
#include "metadata/packet_reader.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "platform/cmap.h"
#include "platform/com.h"
#include "platform/sax.h"
#include "zev/result.h"

namespace {

// The bucket count of an element's attribute map in the mirror; its iteration order is the order
// in which a Description's attributes reach the flat map.
constexpr UINT kAttributeBuckets = 17;

std::u16string_view View(const char16_t* text, int length) {
    return text == nullptr || length <= 0 ? std::u16string_view()
                                          : std::u16string_view(text, static_cast<size_t>(length));
}

}  // namespace

HRESULT PacketReader::Read(const char* packet, size_t length, FlatPairs& pairs) {
    ComPtr<ISAXXMLReader> reader;
    HRESULT hr = CoCreateInstance(CLSID_SAXXMLReader, nullptr, CLSCTX_ALL, IID_ISAXXMLReader,
                                  reader.PutVoid());
    if (FAILED(hr)) {
        return hr;
    }
    // Born with no reference; the reader and this call each hold one.
    ComPtr<PacketReader> handler(new PacketReader(pairs));
    hr = reader->putContentHandler(handler.get());
    if (SUCCEEDED(hr)) {
        hr = reader->parseUtf8(packet, length);
    }
    return hr;
}

HRESULT PacketReader::startDocument() {
    m_depth = 0;
    m_inCharacters = false;
    m_rootSeen = false;
    return S_OK;
}

// The part a new child element plays, from its parent's. Counts the child.
PacketReader::Role PacketReader::RoleOfChild(Frame& parent) const {
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

HRESULT PacketReader::startElement(const char16_t* /*namespaceUri*/, int /*namespaceUriLength*/,
                                   const char16_t* localName, int localNameLength,
                                   const char16_t* qName, int qNameLength,
                                   ISAXAttributes* attributes) {
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
    frame.text.clear();
    if (role == Role::kVisit) {
        return Visit(frame, View(qName, qNameLength), View(localName, localNameLength), attributes);
    }
    return S_OK;
}

// An element the flattening visits, by its prefix: the wrapper, an rdf element (a Description
// hands over its attributes), or a property (its attributes, or its key and later its value).
HRESULT PacketReader::Visit(Frame& frame, std::u16string_view qName, std::u16string_view localName,
                            ISAXAttributes* attributes) {
    const size_t colon = qName.find(u':');
    const std::u16string_view prefix =
        colon == std::u16string_view::npos ? std::u16string_view() : qName.substr(0, colon);
    int count = 0;
    if (attributes != nullptr) {
        const HRESULT hr = attributes->getLength(&count);
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (CompareNoCaseAscii(prefix, u"x") == 0) {
        frame.role = Role::kWrapper;
        return S_OK;
    }
    if (CompareNoCaseAscii(prefix, u"rdf") == 0) {
        frame.role = Role::kContainer;
        if (count > 0 && CompareNoCaseAscii(localName, u"Description") == 0) {
            return CopyAttributes(attributes, count);
        }
        return S_OK;
    }
    if (count > 0) {
        frame.role = Role::kIgnored;
        return CopyAttributes(attributes, count);
    }
    frame.role = Role::kProperty;
    frame.key.assign(prefix);
    frame.key += u':';
    frame.key += localName;
    frame.joined.clear();
    return S_OK;
}

// Sets the attributes in the order the mirror's attribute map would hand them out: the element
// keeps them sorted by qualified name (a repeated name keeps the last value), the map is filled
// in that order, and it iterates bucket by bucket, each bucket from its newest entry.
HRESULT PacketReader::CopyAttributes(ISAXAttributes* attributes, int count) {
    const auto n = static_cast<size_t>(count);
    if (m_attributes.size() < n) {
        m_attributes.resize(n);
    }
    for (size_t i = 0; i < n; ++i) {
        const char16_t* qName = nullptr;
        const char16_t* value = nullptr;
        int qNameLength = 0;
        int valueLength = 0;
        HRESULT hr = attributes->getQName(static_cast<int>(i), &qName, &qNameLength);
        if (SUCCEEDED(hr)) {
            hr = attributes->getValue(static_cast<int>(i), &value, &valueLength);
        }
        if (FAILED(hr)) {
            return hr;
        }
        m_attributes[i].first.assign(View(qName, qNameLength));
        m_attributes[i].second.assign(View(value, valueLength));
    }
    auto key = [this](size_t i) -> const std::u16string& { return m_attributes[i].first; };

    m_order.resize(n);
    for (size_t i = 0; i < n; ++i) {
        m_order[i] = i;
    }
    std::stable_sort(m_order.begin(), m_order.end(),
                     [&](size_t a, size_t b) { return key(a) < key(b); });
    // One entry per name, holding the last value given for it.
    size_t unique = 0;
    for (size_t i = 0; i < n; ++i) {
        if (unique > 0 && key(m_order[unique - 1]) == key(m_order[i])) {
            m_attributes[m_order[unique - 1]].second.swap(m_attributes[m_order[i]].second);
        } else {
            m_order[unique++] = m_order[i];
        }
    }
    m_order.resize(unique);
    // Within a bucket the sorted order is reversed, and the buckets are stable: a bucket sort.
    m_buckets.assign(kAttributeBuckets + 1, 0);
    for (size_t i : m_order) {
        ++m_buckets[platform::HashKey(std::u16string_view(key(i))) % kAttributeBuckets + 1];
    }
    for (size_t b = 1; b <= kAttributeBuckets; ++b) {
        m_buckets[b] += m_buckets[b - 1];
    }
    m_placed.resize(unique);
    for (size_t k = unique; k-- > 0;) {
        const size_t i = m_order[k];
        m_placed[m_buckets[platform::HashKey(std::u16string_view(key(i))) % kAttributeBuckets]++] =
            i;
    }
    m_order.swap(m_placed);
    for (size_t i : m_order) {
        m_pairs.Set(m_attributes[i].first, m_attributes[i].second);
    }
    return S_OK;
}

HRESULT PacketReader::endElement(const char16_t* /*namespaceUri*/, int /*namespaceUriLength*/,
                                 const char16_t* /*localName*/, int /*localNameLength*/,
                                 const char16_t* /*qName*/, int /*qNameLength*/) {
    m_inCharacters = false;
    if (m_depth == 0) {
        return zev::kStructureRefused;
    }
    Frame& frame = m_frames[--m_depth];
    if (frame.role == Role::kProperty) {
        const std::u16string& value = frame.children > 0 ? frame.joined : frame.text;
        m_pairs.Set(frame.key, value);
    } else if (frame.role == Role::kItem) {
        // The item's list is its parent, and the list's property the one above.
        const Frame& list = m_frames[m_depth - 1];
        Frame& property = m_frames[m_depth - 2];
        if (list.children > 1) {
            property.joined += u", ";
        }
        property.joined += frame.text;
    }
    return S_OK;
}

HRESULT PacketReader::characters(const char16_t* chars, int length) {
    if (m_depth == 0) {
        return zev::kStructureRefused;
    }
    // An element's text is its last run of character data; a run the reader delivers in pieces
    // is joined.
    const bool continuing = m_inCharacters;
    m_inCharacters = true;
    Frame& frame = m_frames[m_depth - 1];
    if (frame.role != Role::kProperty && frame.role != Role::kItem) {
        return S_OK;
    }
    if (continuing) {
        frame.text.append(View(chars, length));
    } else {
        frame.text.assign(View(chars, length));
    }
    return S_OK;
}
