// sax.h - the SAX2 reader interfaces and the platform's CoCreateInstance, which makes the reader.
//
// The reader is the system's MSXML 3.0 SAX2 reader on Windows (win32/msxml_reader.cpp) and one
// over expat elsewhere (posix/sax_reader.cpp); both keep the promises below, except where a limit
// says otherwise. Error codes of malformed text are each reader's own. The reader always works with
// namespace processing on and reports every namespace declaration of an element among that
// element's attributes ("xmlns" or "xmlns:p", the URI as value). Names are handed over as written:
// local names, and qualified names with their prefix. Strings passed to handlers are not
// NUL-terminated; their lengths are what count, and they are valid only during the call.
//
// Limits (each is a fatal error; parse/parseURL return the code named). Both readers apply the
// limits on depth, attributes, value and run lengths, document size and surrogates themselves;
// entity nesting and expansion are expat's and the figures here (MSXML has guards of its own),
// and external entities are refused by expat's reader and never loaded by MSXML's (features off):
//  - elements nested deeper than kSaxMaxElementDepth (256)              SAX_E_TOO_DEEP
//  - an element with more than kSaxMaxAttributes (65,536) attributes,
//    namespace declarations included                                   SAX_E_TOO_MANY_ATTRIBUTES
//  - one attribute value, or one run of character data between two tags,
//    longer than kSaxMaxValueLength (10,000,000) UTF-16 units           SAX_E_VALUE_TOO_LONG
//  - general entities nested deeper than kSaxMaxEntityDepth (40)        SAX_E_ENTITY_NESTING
//  - a document of more than kSaxMaxDocumentBytes (2^31 - 1) bytes      SAX_E_DOCUMENT_TOO_LARGE
//  - an unpaired UTF-16 surrogate in the text (or a UTF-16 file)        SAX_E_UNPAIRED_SURROGATE
//  - any reference to an external entity (nothing is ever loaded)       SAX_E_EXTERNAL_ENTITY
//  - entity expansion beyond expat's amplification limit                SAX_E_PARSE_BASE + 43
// Other malformed input gives SAX_E_PARSE_BASE + the expat error number; the reader's own
// allocation failures give E_OUTOFMEMORY. A handler's failure code ends the parse and is returned
// unchanged. A C++ exception thrown by a handler stops the parse and is rethrown from
// parse/parseURL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/com.h"

// {1545CDFA-9E4E-4497-A8A4-2BF7D0112C44}
inline constexpr IID IID_ISAXContentHandler = {
    0x1545CDFA, 0x9E4E, 0x4497, {0xA8, 0xA4, 0x2B, 0xF7, 0xD0, 0x11, 0x2C, 0x44}};
// {A60511C4-CCF5-479E-98A3-DC8DC545B7D0}
inline constexpr IID IID_ISAXErrorHandler = {
    0xA60511C4, 0xCCF5, 0x479E, {0x98, 0xA3, 0xDC, 0x8D, 0xC5, 0x45, 0xB7, 0xD0}};
// {A4F96ED0-F829-476E-81C0-CDC7BD2A0802}
inline constexpr IID IID_ISAXXMLReader = {
    0xA4F96ED0, 0xF829, 0x476E, {0x81, 0xC0, 0xCD, 0xC7, 0xBD, 0x2A, 0x08, 0x02}};
// {079AA557-4A18-424A-8EEE-E39F0A8D41B9}
inline constexpr CLSID CLSID_SAXXMLReader = {
    0x079AA557, 0x4A18, 0x424A, {0x8E, 0xEE, 0xE3, 0x9F, 0x0A, 0x8D, 0x41, 0xB9}};
// This platform's own: {8C433708-28D6-4C57-BA6F-6B2D4748A6D6}
inline constexpr IID IID_ISAXAttributes = {
    0x8C433708, 0x28D6, 0x4C57, {0xBA, 0x6F, 0x6B, 0x2D, 0x47, 0x48, 0xA6, 0xD6}};
// This platform's own: {E03808A4-F362-410B-8C31-A56F402F2C63}
inline constexpr IID IID_ISAXLocator = {
    0xE03808A4, 0xF362, 0x410B, {0x8C, 0x31, 0xA5, 0x6F, 0x40, 0x2F, 0x2C, 0x63}};

// This platform's own: {5C1D7E52-4B0A-4E8B-9C3F-2A6D81F0B417}
inline constexpr IID IID_ISAXUtf8ContentHandler = {
    0x5C1D7E52, 0x4B0A, 0x4E8B, {0x9C, 0x3F, 0x2A, 0x6D, 0x81, 0xF0, 0xB4, 0x17}};

constexpr int kSaxMaxElementDepth = 256;
// Far above any real packet (a 100,000-property packet carries about 20,000 on one element), low
// enough that one element cannot make every later attribute walk enormous.
constexpr size_t kSaxMaxAttributes = 65536;
constexpr int kSaxMaxValueLength = 10'000'000;
constexpr int kSaxMaxEntityDepth = 40;
constexpr int64_t kSaxMaxDocumentBytes = 0x7FFFFFFF;

constexpr HRESULT SAX_E_PARSE_BASE = MakeHresult(0x80EC0000);
constexpr HRESULT SAX_E_TOO_DEEP = MakeHresult(0x80EC1001);
constexpr HRESULT SAX_E_VALUE_TOO_LONG = MakeHresult(0x80EC1002);
constexpr HRESULT SAX_E_ENTITY_NESTING = MakeHresult(0x80EC1003);
constexpr HRESULT SAX_E_DOCUMENT_TOO_LARGE = MakeHresult(0x80EC1004);
constexpr HRESULT SAX_E_UNPAIRED_SURROGATE = MakeHresult(0x80EC1005);
constexpr HRESULT SAX_E_EXTERNAL_ENTITY = MakeHresult(0x80EC1006);
constexpr HRESULT SAX_E_BUSY = MakeHresult(0x80EC1007);  // parse called from inside a parse
constexpr HRESULT SAX_E_TOO_MANY_ATTRIBUTES = MakeHresult(0x80EC1008);
// parseUtf8 given text that is not well-formed UTF-8, on Windows, where it is checked before the
// system's reader sees it (expat's reader reports its own parse error instead).
constexpr HRESULT SAX_E_INVALID_UTF8 = MakeHresult(0x80EC1009);

// Feature names the reader answers for; both are always on.
constexpr const char16_t* kSaxFeatureNamespaces = u"http://xml.org/sax/features/namespaces";
constexpr const char16_t* kSaxFeatureNamespacePrefixes =
    u"http://xml.org/sax/features/namespace-prefixes";

class ISAXLocator : public IUnknown {
  public:
    virtual HRESULT getColumnNumber(int* column) = 0;
    virtual HRESULT getLineNumber(int* line) = 0;
    virtual HRESULT getPublicId(const char16_t** publicId) = 0;  // null when there is none
    virtual HRESULT getSystemId(const char16_t** systemId) = 0;  // null when there is none

  protected:
    ~ISAXLocator() = default;
};

// The attributes of one element, valid during its startElement call. Indices run from 0 to
// getLength() - 1; a bad index gives E_INVALIDARG, a missing name E_INVALIDARG.
class ISAXAttributes : public IUnknown {
  public:
    virtual HRESULT getLength(int* length) = 0;
    virtual HRESULT getURI(int index, const char16_t** uri, int* uriLength) = 0;
    virtual HRESULT getLocalName(int index, const char16_t** localName, int* localNameLength) = 0;
    virtual HRESULT getQName(int index, const char16_t** qName, int* qNameLength) = 0;
    virtual HRESULT getName(int index, const char16_t** uri, int* uriLength,
                            const char16_t** localName, int* localNameLength,
                            const char16_t** qName, int* qNameLength) = 0;
    virtual HRESULT getIndexFromName(const char16_t* uri, int uriLength, const char16_t* localName,
                                     int localNameLength, int* index) = 0;
    virtual HRESULT getIndexFromQName(const char16_t* qName, int qNameLength, int* index) = 0;
    virtual HRESULT getValue(int index, const char16_t** value, int* valueLength) = 0;
    virtual HRESULT getValueFromName(const char16_t* uri, int uriLength, const char16_t* localName,
                                     int localNameLength, const char16_t** value,
                                     int* valueLength) = 0;
    virtual HRESULT getValueFromQName(const char16_t* qName, int qNameLength,
                                      const char16_t** value, int* valueLength) = 0;

  protected:
    ~ISAXAttributes() = default;
};

class ISAXContentHandler : public IUnknown {
  public:
    virtual HRESULT putDocumentLocator(ISAXLocator* locator) = 0;
    virtual HRESULT startDocument() = 0;
    virtual HRESULT endDocument() = 0;
    virtual HRESULT startPrefixMapping(const char16_t* prefix, int prefixLength,
                                       const char16_t* uri, int uriLength) = 0;
    virtual HRESULT endPrefixMapping(const char16_t* prefix, int prefixLength) = 0;
    virtual HRESULT startElement(const char16_t* namespaceUri, int namespaceUriLength,
                                 const char16_t* localName, int localNameLength,
                                 const char16_t* qName, int qNameLength,
                                 ISAXAttributes* attributes) = 0;
    virtual HRESULT endElement(const char16_t* namespaceUri, int namespaceUriLength,
                               const char16_t* localName, int localNameLength,
                               const char16_t* qName, int qNameLength) = 0;
    virtual HRESULT characters(const char16_t* chars, int length) = 0;
    virtual HRESULT ignorableWhitespace(const char16_t* chars, int length) = 0;
    virtual HRESULT processingInstruction(const char16_t* target, int targetLength,
                                          const char16_t* data, int dataLength) = 0;
    virtual HRESULT skippedEntity(const char16_t* name, int nameLength) = 0;

  protected:
    ~ISAXContentHandler() = default;
};

// This platform's own: a name as the text writes it, in UTF-8. The qualified name is prefix ":"
// localName, or localName alone when the prefix is empty.
struct SaxUtf8Name {
    std::string_view uri;
    std::string_view localName;
    std::string_view prefix;
};
struct SaxUtf8Attribute {
    SaxUtf8Name name;
    std::string_view value;
};

// This platform's own: the element and character events in UTF-8, for a handler that would
// convert every name and text to UTF-16 only to look at a few of them. A reader whose parser works
// in UTF-8 (expat's) asks the content handler for this interface when a parse starts; if it is
// given, these three events go here instead of to ISAXContentHandler, in the same order, with the
// same names, values, limits and results, and every other event goes to ISAXContentHandler as
// always. A reader that never asks (MSXML) hands the handler ISAXContentHandler's events.
// Attributes come as ISAXAttributes would list them, namespace declarations first ("xmlns" or
// prefix "xmlns"); endElement ends the innermost open element, named at its start. Every view is
// valid only during the call.
class ISAXUtf8ContentHandler : public IUnknown {
  public:
    virtual HRESULT startElement(const SaxUtf8Name& name, const SaxUtf8Attribute* attributes,
                                 size_t count) = 0;
    virtual HRESULT endElement() = 0;
    virtual HRESULT characters(std::string_view text) = 0;

  protected:
    ~ISAXUtf8ContentHandler() = default;
};

class ISAXErrorHandler : public IUnknown {
  public:
    virtual HRESULT error(ISAXLocator* locator, const char16_t* message, HRESULT code) = 0;
    virtual HRESULT fatalError(ISAXLocator* locator, const char16_t* message, HRESULT code) = 0;
    virtual HRESULT ignorableWarning(ISAXLocator* locator, const char16_t* message,
                                     HRESULT code) = 0;

  protected:
    ~ISAXErrorHandler() = default;
};

class ISAXXMLReader : public IUnknown {
  public:
    virtual HRESULT getFeature(const char16_t* name, bool* value) = 0;
    virtual HRESULT putFeature(const char16_t* name, bool value) = 0;
    virtual HRESULT getContentHandler(ISAXContentHandler** handler) = 0;
    virtual HRESULT putContentHandler(ISAXContentHandler* handler) = 0;
    virtual HRESULT getErrorHandler(ISAXErrorHandler** handler) = 0;
    virtual HRESULT putErrorHandler(ISAXErrorHandler* handler) = 0;
    // Parses a VT_BSTR VARIANT holding the whole document as UTF-16. The text is taken as UTF-16
    // whatever its XML declaration says.
    virtual HRESULT parse(VARIANT input) = 0;
    // Parses a file: a path, or a file:// URL. Its encoding is detected from its bytes.
    virtual HRESULT parseURL(const char16_t* url) = 0;
    // This platform's own: parses length bytes of UTF-8, taken as UTF-8 whatever the XML
    // declaration says, exactly as parse would parse the same text converted to UTF-16. Text that
    // is not well-formed UTF-8 is a parse error. Spares a caller holding UTF-8 two conversions.
    virtual HRESULT parseUtf8(const char* text, size_t length) = 0;

  protected:
    ~ISAXXMLReader() = default;
};

// Creates the SAX2 reader (CLSID_SAXXMLReader) and hands out the interface asked for, with one
// reference. outer must be null (no aggregation); the class context is accepted as given.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, uint32_t classContext, REFIID iid,
                         void** object);
