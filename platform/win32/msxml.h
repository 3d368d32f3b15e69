// msxml.h - the system's COM calls and MSXML 3.0 SAX2 interfaces, declared as <objbase.h> and
// <msxml2.h> declare them (the same slots in the same order, __stdcall), with UTF-16 spelled
// char16_t. The system headers cannot be included here: their IUnknown, GUID and BSTR (wchar_t*)
// collide with the platform's own, which every caller above platform/ uses. msxml_test.cpp holds
// each slot to <msxml2.h>.
#pragma once

#include <cstdint>

#include "platform/com.h"

namespace platform::msxml {

#define OLVANE_STDMETHOD(name) virtual HRESULT __stdcall name

using VARIANT_BOOL = int16_t;
constexpr VARIANT_BOOL kVariantTrue = -1;
constexpr VARIANT_BOOL kVariantFalse = 0;

// The system's VARIANT: a type tag, three reserved words, an eight-byte value.
struct Variant {
    uint16_t vt = VT_EMPTY;
    uint16_t reserved1 = 0;
    uint16_t reserved2 = 0;
    uint16_t reserved3 = 0;
    union {
        char16_t* bstrVal;
        int64_t llVal = 0;
    };
};
static_assert(sizeof(Variant) == 16, "a VARIANT is 16 bytes");

struct IUnknown {
    OLVANE_STDMETHOD(QueryInterface)(REFIID iid, void** object) = 0;
    virtual ULONG __stdcall AddRef() = 0;
    virtual ULONG __stdcall Release() = 0;

  protected:
    ~IUnknown() = default;
};

struct ISAXLocator : IUnknown {
    OLVANE_STDMETHOD(getColumnNumber)(int* column) = 0;
    OLVANE_STDMETHOD(getLineNumber)(int* line) = 0;
    OLVANE_STDMETHOD(getPublicId)(const char16_t** publicId) = 0;
    OLVANE_STDMETHOD(getSystemId)(const char16_t** systemId) = 0;

  protected:
    ~ISAXLocator() = default;
};

struct ISAXAttributes : IUnknown {
    OLVANE_STDMETHOD(getLength)(int* length) = 0;
    OLVANE_STDMETHOD(getURI)(int index, const char16_t** uri, int* uriLength) = 0;
    OLVANE_STDMETHOD(getLocalName)(int index, const char16_t** localName, int* length) = 0;
    OLVANE_STDMETHOD(getQName)(int index, const char16_t** qName, int* qNameLength) = 0;
    OLVANE_STDMETHOD(getName)
    (int index, const char16_t** uri, int* uriLength, const char16_t** localName,
     int* localNameLength, const char16_t** qName, int* qNameLength) = 0;
    OLVANE_STDMETHOD(getIndexFromName)
    (const char16_t* uri, int uriLength, const char16_t* localName, int localNameLength,
     int* index) = 0;
    OLVANE_STDMETHOD(getIndexFromQName)(const char16_t* qName, int qNameLength, int* index) = 0;
    OLVANE_STDMETHOD(getType)(int index, const char16_t** type, int* typeLength) = 0;
    OLVANE_STDMETHOD(getTypeFromName)
    (const char16_t* uri, int uriLength, const char16_t* localName, int localNameLength,
     const char16_t** type, int* typeLength) = 0;
    OLVANE_STDMETHOD(getTypeFromQName)
    (const char16_t* qName, int qNameLength, const char16_t** type, int* typeLength) = 0;
    OLVANE_STDMETHOD(getValue)(int index, const char16_t** value, int* valueLength) = 0;
    OLVANE_STDMETHOD(getValueFromName)
    (const char16_t* uri, int uriLength, const char16_t* localName, int localNameLength,
     const char16_t** value, int* valueLength) = 0;
    OLVANE_STDMETHOD(getValueFromQName)
    (const char16_t* qName, int qNameLength, const char16_t** value, int* valueLength) = 0;

  protected:
    ~ISAXAttributes() = default;
};

struct ISAXContentHandler : IUnknown {
    OLVANE_STDMETHOD(putDocumentLocator)(ISAXLocator* locator) = 0;
    OLVANE_STDMETHOD(startDocument)() = 0;
    OLVANE_STDMETHOD(endDocument)() = 0;
    OLVANE_STDMETHOD(startPrefixMapping)
    (const char16_t* prefix, int prefixLength, const char16_t* uri, int uriLength) = 0;
    OLVANE_STDMETHOD(endPrefixMapping)(const char16_t* prefix, int prefixLength) = 0;
    OLVANE_STDMETHOD(startElement)
    (const char16_t* namespaceUri, int namespaceUriLength, const char16_t* localName,
     int localNameLength, const char16_t* qName, int qNameLength, ISAXAttributes* attributes) = 0;
    OLVANE_STDMETHOD(endElement)
    (const char16_t* namespaceUri, int namespaceUriLength, const char16_t* localName,
     int localNameLength, const char16_t* qName, int qNameLength) = 0;
    OLVANE_STDMETHOD(characters)(const char16_t* chars, int length) = 0;
    OLVANE_STDMETHOD(ignorableWhitespace)(const char16_t* chars, int length) = 0;
    OLVANE_STDMETHOD(processingInstruction)
    (const char16_t* target, int targetLength, const char16_t* data, int dataLength) = 0;
    OLVANE_STDMETHOD(skippedEntity)(const char16_t* name, int nameLength) = 0;

  protected:
    ~ISAXContentHandler() = default;
};

struct ISAXErrorHandler : IUnknown {
    OLVANE_STDMETHOD(error)(ISAXLocator* locator, const char16_t* message, HRESULT code) = 0;
    OLVANE_STDMETHOD(fatalError)(ISAXLocator* locator, const char16_t* message, HRESULT code) = 0;
    OLVANE_STDMETHOD(ignorableWarning)
    (ISAXLocator* locator, const char16_t* message, HRESULT code) = 0;

  protected:
    ~ISAXErrorHandler() = default;
};

// The entity resolver and DTD handler are never set; their slots take any interface pointer.
struct ISAXXMLReader : IUnknown {
    OLVANE_STDMETHOD(getFeature)(const char16_t* name, VARIANT_BOOL* value) = 0;
    OLVANE_STDMETHOD(putFeature)(const char16_t* name, VARIANT_BOOL value) = 0;
    OLVANE_STDMETHOD(getProperty)(const char16_t* name, Variant* value) = 0;
    OLVANE_STDMETHOD(putProperty)(const char16_t* name, Variant value) = 0;
    OLVANE_STDMETHOD(getEntityResolver)(IUnknown** resolver) = 0;
    OLVANE_STDMETHOD(putEntityResolver)(IUnknown* resolver) = 0;
    OLVANE_STDMETHOD(getContentHandler)(ISAXContentHandler** handler) = 0;
    OLVANE_STDMETHOD(putContentHandler)(ISAXContentHandler* handler) = 0;
    OLVANE_STDMETHOD(getDTDHandler)(IUnknown** handler) = 0;
    OLVANE_STDMETHOD(putDTDHandler)(IUnknown* handler) = 0;
    OLVANE_STDMETHOD(getErrorHandler)(ISAXErrorHandler** handler) = 0;
    OLVANE_STDMETHOD(putErrorHandler)(ISAXErrorHandler* handler) = 0;
    OLVANE_STDMETHOD(getBaseURL)(const char16_t** baseUrl) = 0;
    OLVANE_STDMETHOD(putBaseURL)(const char16_t* baseUrl) = 0;
    OLVANE_STDMETHOD(getSecureBaseURL)(const char16_t** secureBaseUrl) = 0;
    OLVANE_STDMETHOD(putSecureBaseURL)(const char16_t* secureBaseUrl) = 0;
    OLVANE_STDMETHOD(parse)(Variant input) = 0;
    OLVANE_STDMETHOD(parseURL)(const char16_t* url) = 0;

  protected:
    ~ISAXXMLReader() = default;
};

#undef OLVANE_STDMETHOD

// ole32.dll. The platform's CoCreateInstance (sax.h) is a C++ function of another name space.
extern "C" {
__declspec(dllimport) HRESULT __stdcall CoInitializeEx(void* reserved, uint32_t flags);
__declspec(dllimport) void __stdcall CoUninitialize();
__declspec(dllimport) HRESULT
    __stdcall CoCreateInstance(REFCLSID clsid, IUnknown* outer, uint32_t context, REFIID iid,
                               void** object);
}
constexpr uint32_t kCoinitApartmentThreaded = 0x2;

// Feature names of the MSXML reader.
constexpr const char16_t* kFeatureExternalGeneralEntities =
    u"http://xml.org/sax/features/external-general-entities";
constexpr const char16_t* kFeatureExternalParameterEntities =
    u"http://xml.org/sax/features/external-parameter-entities";

}  // namespace platform::msxml
