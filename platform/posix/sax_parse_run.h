// sax_parse_run.h - one parse over expat: the parser, the handlers' view of it (locator and
// attributes), the reader's limits, and what stopped it.
#pragma once

#include <expat.h>

#include <exception>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com_object.h"
#include "platform/posix/namespace_scope.h"
#include "platform/posix/sax_attributes.h"
#include "platform/sax.h"

namespace platform::posix {

// The parse's locator: where expat is, and the file being read. Lives inside the run, on the
// reader's references.
class SaxLocator final : public ComPart<ISAXLocator, IID_ISAXLocator> {
  public:
    SaxLocator(IUnknown* owner, const std::u16string& systemId)
        : ComPart(owner), m_systemId(systemId) {}
    void SetParser(XML_Parser parser) { m_parser = parser; }

    HRESULT getColumnNumber(int* column) override;
    HRESULT getLineNumber(int* line) override;
    HRESULT getPublicId(const char16_t** publicId) override;
    HRESULT getSystemId(const char16_t** systemId) override;

  private:
    const std::u16string& m_systemId;
    XML_Parser m_parser = nullptr;
};

// One parse: the expat parser, the handlers' view of it, and what stopped it. Every expat callback
// goes through Guard, so no C++ exception ever unwinds through expat's frames: it is kept, the
// parser is stopped, and Parse rethrows it once XML_Parse has returned.
class ParseRun {
  public:
    ParseRun(IUnknown* owner, ISAXContentHandler* content, ISAXErrorHandler* errors,
             std::u16string systemId)
        : m_content(content),
          m_errors(errors),
          m_systemId(std::move(systemId)),
          m_locator(owner, m_systemId),
          m_attributesObject(owner, m_attributes) {
        if (content != nullptr) {
            content->QueryInterface(IID_ISAXUtf8ContentHandler, m_utf8.PutVoid());
        }
    }
    ~ParseRun() {
        if (m_parser != nullptr) {
            XML_ParserFree(m_parser);
        }
    }
    ParseRun(const ParseRun&) = delete;
    ParseRun& operator=(const ParseRun&) = delete;

    // encoding: the text's encoding, overriding its XML declaration; null lets expat detect it.
    HRESULT Create(const XML_Char* encoding);

    HRESULT Parse(const char* bytes, size_t count);

    // Tells the error handler about a fatal error and returns its code.
    HRESULT Report(HRESULT code, const char16_t* message);

  private:
    template <auto Method, class... Args>
    static void Guard(void* userData, Args... args) noexcept;

    static int OnExternalEntity(XML_Parser parser, const XML_Char* /*context*/,
                                const XML_Char* /*base*/, const XML_Char* /*systemId*/,
                                const XML_Char* /*publicId*/);

    XML_Status ParseInPieces(const char* bytes, size_t count);
    void Stop();
    void Fail(HRESULT code, const char16_t* message);
    void FailHandler(HRESULT code);

    // Hands the gathered character data over; runGoesOn when no tag ends the run here.
    void Flush(bool runGoesOn);
    // Reads the element's attributes, its namespace declarations first, into m_utf8Attributes
    // (an element with neither needs no call), binding the declared prefixes; false when a limit
    // or a namespace error stopped the parse.
    bool ReadAttributes(const XML_Char** atts);
    // Binds a declaration and tells the handler; false when that stopped the parse.
    bool ReadDeclaration(const SaxUtf8Attribute& declaration);
    // Stops the parse with expat's error (one of its namespace errors).
    void FailXml(XML_Error error);
    void DeliverStart(const SaxUtf8Name& element);
    // Records whether the handler declined the text up to the next tag (its answer was S_FALSE).
    void DeclineText(bool declined);
    void Deliver(HRESULT hr);
    void OnStartElement(const XML_Char* name, const XML_Char** atts);
    void OnEndElement(const XML_Char* name);
    void OnCharacters(const XML_Char* s, int length);
    void OnProcessingInstruction(const XML_Char* target, const XML_Char* data);
    void OnSkippedEntity(const XML_Char* name, int isParameterEntity);
    void OnEntityDecl(const XML_Char* name, int isParameterEntity, const XML_Char* value,
                      int valueLength, const XML_Char* /*base*/, const XML_Char* /*systemId*/,
                      const XML_Char* /*publicId*/, const XML_Char* /*notationName*/);

    // Expat expands nested entity references recursively; a long enough chain of them would
    // exhaust the stack, so the chains are measured before any reference is expanded.
    void OnEndDoctype();

    // The nesting depth of an entity's expansion (1 for a plain text), cut off once above the
    // limit. A cycle counts as nothing here: expat refuses it when it expands it.
    int EntityDepth(std::string_view name, std::map<std::string_view, int>& depths, int level);

    ISAXContentHandler* m_content;
    ComPtr<ISAXUtf8ContentHandler> m_utf8;  // when the handler takes its events in UTF-8
    ISAXErrorHandler* m_errors;
    std::u16string m_systemId;
    SaxLocator m_locator;
    AttributeList m_attributes;
    SaxAttributes m_attributesObject;
    XML_Parser m_parser = nullptr;

    bool m_stopped = false;
    HRESULT m_failure = S_OK;
    const char16_t* m_failureMessage = u"";
    std::u16string m_xmlMessage;  // expat's message for an error found here
    std::exception_ptr m_exception;

    int m_depth = 0;
    bool m_skipText = false;    // the handler declined the text up to the next tag
    bool m_textUnread = false;  // and expat does not hand it over at all
    bool m_shortRest = false;   // no run of the rest of the document can be too long
    size_t m_documentBytes = 0;
    size_t m_runLength = 0;  // UTF-16 units of the current run handed over so far
    static constexpr size_t kUncounted = ~size_t{0};
    TextBuffer<char> m_pending;          // the run's character data not yet handed over
    size_t m_pendingUnits = kUncounted;  // its UTF-16 units, once counted
    NamespaceScope m_scope;
    static constexpr size_t kKeptAttributes = 1024;
    std::vector<SaxUtf8Attribute> m_utf8Attributes;
    std::map<std::string, std::string, std::less<>> m_entities;
    // The name of each open element, by depth: an end tag names its start tag, so endElement
    // hands over the start's conversion instead of converting the name again.
    std::vector<ElementName> m_names;
    WideText m_text;
};

}  // namespace platform::posix
