// msxml_events.h - the handler the MSXML reader calls: one object that is both its content and
// its error handler, forwards each event to the platform's handlers (sax.h) with the system's
// attributes and locator shown through the platform's interfaces, and applies the reader limits
// of sax.h that MSXML does not share. No C++ exception leaves it into MSXML's frames: it is kept,
// the parse is stopped, and the reader rethrows it once MSXML has returned.
#pragma once

#include <exception>

#include "platform/com_object.h"
#include "platform/sax.h"
#include "platform/win32/msxml.h"

namespace platform::win32 {

// The system's attributes of one element, seen through the platform's interface.
class AttributesView final : public ComPart<ISAXAttributes, IID_ISAXAttributes> {
  public:
    explicit AttributesView(IUnknown* owner) : ComPart(owner) {}
    void Show(msxml::ISAXAttributes* attributes) { m_system = attributes; }

    HRESULT getLength(int* length) override;
    HRESULT getURI(int index, const char16_t** uri, int* uriLength) override;
    HRESULT getLocalName(int index, const char16_t** localName, int* localNameLength) override;
    HRESULT getQName(int index, const char16_t** qName, int* qNameLength) override;
    HRESULT getName(int index, const char16_t** uri, int* uriLength, const char16_t** localName,
                    int* localNameLength, const char16_t** qName, int* qNameLength) override;
    HRESULT getIndexFromName(const char16_t* uri, int uriLength, const char16_t* localName,
                             int localNameLength, int* index) override;
    HRESULT getIndexFromQName(const char16_t* qName, int qNameLength, int* index) override;
    HRESULT getValue(int index, const char16_t** value, int* valueLength) override;
    HRESULT getValueFromName(const char16_t* uri, int uriLength, const char16_t* localName,
                             int localNameLength, const char16_t** value,
                             int* valueLength) override;
    HRESULT getValueFromQName(const char16_t* qName, int qNameLength, const char16_t** value,
                              int* valueLength) override;

  private:
    msxml::ISAXAttributes* m_system = nullptr;
};

// The system's locator (or none, for errors found before MSXML starts).
class LocatorView final : public ComPart<ISAXLocator, IID_ISAXLocator> {
  public:
    explicit LocatorView(IUnknown* owner) : ComPart(owner) {}
    void Show(msxml::ISAXLocator* locator) { m_system = locator; }

    HRESULT getColumnNumber(int* column) override;
    HRESULT getLineNumber(int* line) override;
    HRESULT getPublicId(const char16_t** publicId) override;
    HRESULT getSystemId(const char16_t** systemId) override;

  private:
    msxml::ISAXLocator* m_system = nullptr;
};

class MsxmlEvents final : public msxml::ISAXContentHandler, public msxml::ISAXErrorHandler {
  public:
    // Born with one reference, the creator's. owner is the platform reader that hands the views
    // of attributes and locator out; a reference to a view is one to it.
    explicit MsxmlEvents(::IUnknown* owner);

    // The platform's handlers the events go to; null stops them.
    void SetContentHandler(::ISAXContentHandler* handler);
    void SetErrorHandler(::ISAXErrorHandler* handler);
    ::ISAXContentHandler* contentHandler() const { return m_content.get(); }
    ::ISAXErrorHandler* errorHandler() const { return m_errors.get(); }

    // Before each parse: the limits' counters start again.
    void StartRun();
    // After it: the failure that stopped it (rethrowing a kept exception), or MSXML's result.
    HRESULT EndRun(HRESULT parseResult);
    // A fatal error found before MSXML was asked: the error handler hears of it.
    HRESULT Report(HRESULT code, const char16_t* message);

    HRESULT __stdcall QueryInterface(REFIID iid, void** object) override;
    ULONG __stdcall AddRef() override;
    ULONG __stdcall Release() override;

    HRESULT __stdcall putDocumentLocator(msxml::ISAXLocator* locator) override;
    HRESULT __stdcall startDocument() override;
    HRESULT __stdcall endDocument() override;
    HRESULT __stdcall startPrefixMapping(const char16_t* prefix, int prefixLength,
                                         const char16_t* uri, int uriLength) override;
    HRESULT __stdcall endPrefixMapping(const char16_t* prefix, int prefixLength) override;
    HRESULT __stdcall startElement(const char16_t* namespaceUri, int namespaceUriLength,
                                   const char16_t* localName, int localNameLength,
                                   const char16_t* qName, int qNameLength,
                                   msxml::ISAXAttributes* attributes) override;
    HRESULT __stdcall endElement(const char16_t* namespaceUri, int namespaceUriLength,
                                 const char16_t* localName, int localNameLength,
                                 const char16_t* qName, int qNameLength) override;
    HRESULT __stdcall characters(const char16_t* chars, int length) override;
    HRESULT __stdcall ignorableWhitespace(const char16_t* chars, int length) override;
    HRESULT __stdcall processingInstruction(const char16_t* target, int targetLength,
                                            const char16_t* data, int dataLength) override;
    HRESULT __stdcall skippedEntity(const char16_t* name, int nameLength) override;

    HRESULT __stdcall error(msxml::ISAXLocator* locator, const char16_t* message,
                            HRESULT code) override;
    HRESULT __stdcall fatalError(msxml::ISAXLocator* locator, const char16_t* message,
                                 HRESULT code) override;
    HRESULT __stdcall ignorableWarning(msxml::ISAXLocator* locator, const char16_t* message,
                                       HRESULT code) override;

  private:
    ~MsxmlEvents() = default;

    // Runs one forwarded call: a failure it returns, or an exception it throws, stops the parse.
    template <class Call>
    HRESULT Forward(Call&& call) noexcept;
    HRESULT Stop(HRESULT code);
    bool CheckValue(int length);

    volatile long m_refs = 1;
    ComPtr<::ISAXContentHandler> m_content;
    ComPtr<::ISAXErrorHandler> m_errors;
    AttributesView m_attributes;
    LocatorView m_locator;

    int m_depth = 0;
    size_t m_runLength = 0;
    HRESULT m_failure = S_OK;
    bool m_reported = false;  // the error handler has heard of the fatal error
    std::exception_ptr m_exception;
};

}  // namespace platform::win32
