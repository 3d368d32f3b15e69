// packet_reader.h - CPacketReader: flattens a UTF-8 packet into qualified-name/value pairs as the
// SAX reader delivers it.
//
// The pairs, their values and the order in which they are set are exactly those of parsing the
// packet into an element tree, mirroring it as a CMetaDataTree and flattening that; only no
// element, no mirror node and no per-node string is ever built, which is most of the cost of a
// large packet. The tree path stays the reference (CMetaDataTree::Load, CMetaData::Flatten) and
// the tests hold the two to the same answers.
//
// The reader takes its events in UTF-8 where the SAX reader offers them (expat's) and in UTF-16
// where it does not (MSXML): one flattening, compiled for either kind of text. In UTF-8 only the
// keys and values it keeps are ever converted, not every name and run of text of the packet.
#pragma once

#include <cstddef>
#include <memory>

#include "metadata/value_map.h"
#include "platform/com_object.h"
#include "platform/sax.h"
#include "zev/sax_content_handler_impl.h"

class CPacketReader final : public SAXContentHandlerImpl {
  public:
    // Which events the reader asks for: UTF-8 where the SAX reader offers them, or UTF-16 always
    // (the only kind MSXML gives; the tests hold the two to the same pairs).
    enum class Events { kUtf8WhereOffered, kUtf16 };

    // Parses length bytes of UTF-8 and sets the packet's pairs in pairs. 0 when the whole packet
    // was read; otherwise the reader's failure code, and pairs may hold the pairs of the part
    // read before the failure. Allocation failure throws std::bad_alloc.
    static HRESULT Read(const char* packet, size_t length, CValueMap& pairs,
                        Events events = Events::kUtf8WhereOffered);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    HRESULT startDocument() override;
    HRESULT startElement(const char16_t* namespaceUri, int namespaceUriLength,
                         const char16_t* localName, int localNameLength, const char16_t* qName,
                         int qNameLength, ISAXAttributes* attributes) override;
    HRESULT endElement(const char16_t* namespaceUri, int namespaceUriLength,
                       const char16_t* localName, int localNameLength, const char16_t* qName,
                       int qNameLength) override;
    HRESULT characters(const char16_t* chars, int length) override;

    ~CPacketReader() override;

  private:
    template <class Char>
    class CFlattener;

    // The UTF-8 events, handed to the flattening for UTF-8 text; counted on the reader.
    class CUtf8Events final
        : public platform::CComPart<ISAXUtf8ContentHandler, IID_ISAXUtf8ContentHandler> {
      public:
        CUtf8Events(IUnknown* owner, CFlattener<char>& flattener)
            : CComPart(owner), m_flattener(flattener) {}
        HRESULT startElement(const SaxUtf8Name& name, const SaxUtf8Attribute* attributes,
                             size_t count) override;
        HRESULT endElement() override;
        HRESULT characters(std::string_view text) override;

      private:
        CFlattener<char>& m_flattener;
    };

    CPacketReader(CValueMap& pairs, Events events);

    Events m_events;
    std::unique_ptr<CFlattener<char16_t>> m_wide;
    std::unique_ptr<CFlattener<char>> m_narrow;
    CUtf8Events m_utf8Events;
};
