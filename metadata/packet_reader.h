// packet_reader.h - PacketReader: flattens a UTF-8 packet into qualified-name/value pairs as the
// SAX reader delivers it.
//
// The pairs, their values and the order in which they are set are exactly those of parsing the
// packet into an element tree, mirroring it as a CMetaDataTree and flattening that; only no
// element, no mirror node and no per-node string is ever built, which is most of the cost of a
// large packet. The tree path stays the reference (CMetaDataTree::Load, CMetaData::Flatten) and
// the tests hold the two to the same answers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "metadata/flat_pairs.h"
#include "zev/sax_content_handler_impl.h"

class PacketReader final : public SAXContentHandlerImpl {
  public:
    // Parses length bytes of UTF-8 and sets the packet's pairs in pairs. 0 when the whole packet
    // was read; otherwise the reader's failure code, and pairs may hold the pairs of the part
    // read before the failure. Allocation failure throws std::bad_alloc.
    static HRESULT Read(const char* packet, size_t length, FlatPairs& pairs);

    HRESULT startDocument() override;
    HRESULT startElement(const char16_t* namespaceUri, int namespaceUriLength,
                         const char16_t* localName, int localNameLength, const char16_t* qName,
                         int qNameLength, ISAXAttributes* attributes) override;
    HRESULT endElement(const char16_t* namespaceUri, int namespaceUriLength,
                       const char16_t* localName, int localNameLength, const char16_t* qName,
                       int qNameLength) override;
    HRESULT characters(const char16_t* chars, int length) override;

  private:
    explicit PacketReader(FlatPairs& pairs) : m_pairs(pairs) {}

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
        int children = 0;       // child elements seen so far
        std::u16string key;     // kProperty: prefix ':' local name
        std::u16string text;    // kProperty, kItem: the element's text so far
        std::u16string joined;  // kProperty: the joined texts of its list
    };

    Role RoleOfChild(Frame& parent) const;
    HRESULT Visit(Frame& frame, std::u16string_view qName, std::u16string_view localName,
                  ISAXAttributes* attributes);
    HRESULT CopyAttributes(ISAXAttributes* attributes, int count);

    FlatPairs& m_pairs;
    std::vector<Frame> m_frames;  // open elements; a slot is reused by the next at its depth
    size_t m_depth = 0;
    bool m_inCharacters = false;  // the last event was character data
    bool m_rootSeen = false;
    std::vector<std::pair<std::u16string, std::u16string>> m_attributes;  // reused scratch
    std::vector<size_t> m_order;
    std::vector<size_t> m_placed;
    std::vector<size_t> m_buckets;
};
