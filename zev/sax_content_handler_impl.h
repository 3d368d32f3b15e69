// sax_content_handler_impl.h - SAXContentHandlerImpl: a content handler that accepts every event
// and does nothing; the base of the parser's handler.
#pragma once

#include "platform/sax.h"

class SAXContentHandlerImpl : public ISAXContentHandler {
  public:
    SAXContentHandlerImpl() = default;
    SAXContentHandlerImpl(const SAXContentHandlerImpl&) = delete;
    SAXContentHandlerImpl& operator=(const SAXContentHandlerImpl&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override;
    // The count starts at 0 and is not interlocked: one parse runs on one thread.
    ULONG AddRef() override;
    // Deletes the handler when the count reaches 0.
    ULONG Release() override;

    HRESULT putDocumentLocator(ISAXLocator* locator) override;
    HRESULT startDocument() override;
    HRESULT endDocument() override;
    HRESULT startPrefixMapping(const char16_t* prefix, int prefixLength, const char16_t* uri,
                               int uriLength) override;
    HRESULT endPrefixMapping(const char16_t* prefix, int prefixLength) override;
    HRESULT startElement(const char16_t* namespaceUri, int namespaceUriLength,
                         const char16_t* localName, int localNameLength, const char16_t* qName,
                         int qNameLength, ISAXAttributes* attributes) override;
    HRESULT endElement(const char16_t* namespaceUri, int namespaceUriLength,
                       const char16_t* localName, int localNameLength, const char16_t* qName,
                       int qNameLength) override;
    HRESULT characters(const char16_t* chars, int length) override;
    HRESULT ignorableWhitespace(const char16_t* chars, int length) override;
    HRESULT processingInstruction(const char16_t* target, int targetLength, const char16_t* data,
                                  int dataLength) override;
    HRESULT skippedEntity(const char16_t* name, int nameLength) override;

    virtual ~SAXContentHandlerImpl() = default;

  private:
    long m_nRefCount = 0;
};
