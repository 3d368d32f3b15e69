// sax_reader.cpp - the SAX2 reader (CLSID_SAXXMLReader) over expat, and CoCreateInstance.
#include <expat.h>

#include <atomic>
#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <map>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/sax.h"

namespace {

// U+0001 cannot occur in an XML 1.0 document, not even as a character reference, so it can never
// be part of a namespace URI or a name.
constexpr XML_Char kNsSeparator = '\x01';
constexpr std::u16string_view kXmlnsUri = u"http://www.w3.org/2000/xmlns/";

static_assert(sizeof(XML_Char) == 1, "the reader expects expat's UTF-8 build");

// The number of UTF-16 units that a well-formed UTF-8 text of n bytes converts to.
size_t Utf16Length(const char* s, size_t n) {
    size_t units = 0;
    for (size_t i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if ((b & 0xC0) != 0x80) {
            units += b >= 0xF0 ? 2 : 1;
        }
    }
    return units;
}

// Expat allocates through operator new too, so that a test that fails the N-th allocation reaches
// the reader's own memory. Each block carries its size in front of it, for realloc.
constexpr size_t kBlockHeader = alignof(std::max_align_t);

// Expat does not always say that it stopped for want of memory (a failed lookup can come out as an
// unbound prefix), so the reader counts the failures itself.
thread_local unsigned t_expatAllocationFailures = 0;

void* ExpatMalloc(size_t size) {
    if (size > SIZE_MAX - kBlockHeader) {
        ++t_expatAllocationFailures;
        return nullptr;
    }
    auto* block = static_cast<unsigned char*>(::operator new(kBlockHeader + size, std::nothrow));
    if (block == nullptr) {
        ++t_expatAllocationFailures;
        return nullptr;
    }
    std::memcpy(block, &size, sizeof size);
    return block + kBlockHeader;
}

void ExpatFree(void* p) {
    if (p != nullptr) {
        ::operator delete(static_cast<unsigned char*>(p) - kBlockHeader);
    }
}

void* ExpatRealloc(void* p, size_t size) {
    if (p == nullptr) {
        return ExpatMalloc(size);
    }
    void* moved = ExpatMalloc(size);
    if (moved == nullptr) {
        return nullptr;  // the old block stays valid, as with realloc
    }
    size_t old = 0;
    std::memcpy(&old, static_cast<unsigned char*>(p) - kBlockHeader, sizeof old);
    std::memcpy(moved, p, old < size ? old : size);
    ExpatFree(p);
    return moved;
}

const XML_Memory_Handling_Suite kExpatMemory = {ExpatMalloc, ExpatRealloc, ExpatFree};

int ClampToInt(size_t n) {
    return n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(n);
}

HRESULT FromExpatError(XML_Error error) {
    switch (error) {
        case XML_ERROR_NO_MEMORY:
            return E_OUTOFMEMORY;
        case XML_ERROR_EXTERNAL_ENTITY_HANDLING:
            return SAX_E_EXTERNAL_ENTITY;
        default:
            return SAX_E_PARSE_BASE + static_cast<HRESULT>(error);
    }
}

struct Attribute {
    std::u16string uri;
    std::u16string localName;
    std::u16string qName;
    std::u16string value;
};

// The attributes of the current element. Slots outlive their element, so that their strings keep
// their storage for the next one instead of being freed and allocated again.
struct AttributeList {
    std::vector<Attribute> slots;
    size_t count = 0;

    void Clear() { count = 0; }
    Attribute& Next() {
        if (count == slots.size()) {
            slots.emplace_back();
        }
        return slots[count++];
    }
    size_t size() const { return count; }
    const Attribute& operator[](size_t i) const { return slots[i]; }
};

// Splits an expat name ("uri SEP local SEP prefix", "uri SEP local" or "local") into its parts;
// the qualified name is rebuilt as written. The strings keep their storage from call to call.
void SplitName(const XML_Char* name, std::u16string& uri, std::u16string& localName,
               std::u16string& qName) {
    const char* first = std::strchr(name, kNsSeparator);
    if (first == nullptr) {
        uri.clear();
        NarrowToWideInto(name, std::strlen(name), localName);
        qName = localName;
        return;
    }
    NarrowToWideInto(name, static_cast<size_t>(first - name), uri);
    const char* local = first + 1;
    const char* second = std::strchr(local, kNsSeparator);
    if (second == nullptr) {
        NarrowToWideInto(local, std::strlen(local), localName);
        qName = localName;
        return;
    }
    NarrowToWideInto(local, static_cast<size_t>(second - local), localName);
    NarrowToWideInto(second + 1, std::strlen(second + 1), qName);
    qName += u':';
    qName += localName;
}

// The locator and the attribute list live inside one parse; their references are the reader's.
class CLocator final : public ISAXLocator {
  public:
    CLocator(IUnknown* owner, const std::u16string& systemId)
        : m_owner(owner), m_systemId(systemId) {}
    void SetParser(XML_Parser parser) { m_parser = parser; }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_ISAXLocator) {
            *object = static_cast<ISAXLocator*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return m_owner->AddRef(); }
    ULONG Release() override { return m_owner->Release(); }

    HRESULT getColumnNumber(int* column) override {
        if (column == nullptr) {
            return E_POINTER;
        }
        *column = m_parser == nullptr
                      ? 0
                      : ClampToInt(static_cast<size_t>(XML_GetCurrentColumnNumber(m_parser)) + 1);
        return S_OK;
    }
    HRESULT getLineNumber(int* line) override {
        if (line == nullptr) {
            return E_POINTER;
        }
        *line = m_parser == nullptr
                    ? 0
                    : ClampToInt(static_cast<size_t>(XML_GetCurrentLineNumber(m_parser)));
        return S_OK;
    }
    HRESULT getPublicId(const char16_t** publicId) override {
        if (publicId == nullptr) {
            return E_POINTER;
        }
        *publicId = nullptr;
        return S_OK;
    }
    HRESULT getSystemId(const char16_t** systemId) override {
        if (systemId == nullptr) {
            return E_POINTER;
        }
        *systemId = m_systemId.empty() ? nullptr : m_systemId.c_str();
        return S_OK;
    }

  private:
    IUnknown* m_owner;
    const std::u16string& m_systemId;
    XML_Parser m_parser = nullptr;
};

class CAttributes final : public ISAXAttributes {
  public:
    CAttributes(IUnknown* owner, const AttributeList& list) : m_owner(owner), m_list(list) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_ISAXAttributes) {
            *object = static_cast<ISAXAttributes*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return m_owner->AddRef(); }
    ULONG Release() override { return m_owner->Release(); }

    HRESULT getLength(int* length) override {
        if (length == nullptr) {
            return E_POINTER;
        }
        *length = static_cast<int>(m_list.size());
        return S_OK;
    }
    HRESULT getURI(int index, const char16_t** uri, int* uriLength) override {
        return Field(index, &Attribute::uri, uri, uriLength);
    }
    HRESULT getLocalName(int index, const char16_t** localName, int* localNameLength) override {
        return Field(index, &Attribute::localName, localName, localNameLength);
    }
    HRESULT getQName(int index, const char16_t** qName, int* qNameLength) override {
        return Field(index, &Attribute::qName, qName, qNameLength);
    }
    HRESULT getName(int index, const char16_t** uri, int* uriLength, const char16_t** localName,
                    int* localNameLength, const char16_t** qName, int* qNameLength) override {
        HRESULT hr = Field(index, &Attribute::uri, uri, uriLength);
        if (SUCCEEDED(hr)) {
            hr = Field(index, &Attribute::localName, localName, localNameLength);
        }
        if (SUCCEEDED(hr)) {
            hr = Field(index, &Attribute::qName, qName, qNameLength);
        }
        return hr;
    }
    HRESULT getIndexFromName(const char16_t* uri, int uriLength, const char16_t* localName,
                             int localNameLength, int* index) override {
        if (index == nullptr || (uri == nullptr && uriLength != 0) ||
            (localName == nullptr && localNameLength != 0) || uriLength < 0 ||
            localNameLength < 0) {
            return E_POINTER;
        }
        const std::u16string_view u(uri == nullptr ? u"" : uri, static_cast<size_t>(uriLength));
        const std::u16string_view l(localName == nullptr ? u"" : localName,
                                    static_cast<size_t>(localNameLength));
        for (size_t i = 0; i < m_list.size(); ++i) {
            if (m_list[i].uri == u && m_list[i].localName == l) {
                *index = static_cast<int>(i);
                return S_OK;
            }
        }
        *index = -1;
        return E_INVALIDARG;
    }
    HRESULT getIndexFromQName(const char16_t* qName, int qNameLength, int* index) override {
        if (index == nullptr || (qName == nullptr && qNameLength != 0) || qNameLength < 0) {
            return E_POINTER;
        }
        const std::u16string_view q(qName == nullptr ? u"" : qName,
                                    static_cast<size_t>(qNameLength));
        for (size_t i = 0; i < m_list.size(); ++i) {
            if (m_list[i].qName == q) {
                *index = static_cast<int>(i);
                return S_OK;
            }
        }
        *index = -1;
        return E_INVALIDARG;
    }
    HRESULT getValue(int index, const char16_t** value, int* valueLength) override {
        return Field(index, &Attribute::value, value, valueLength);
    }
    HRESULT getValueFromName(const char16_t* uri, int uriLength, const char16_t* localName,
                             int localNameLength, const char16_t** value,
                             int* valueLength) override {
        int index = -1;
        const HRESULT hr = getIndexFromName(uri, uriLength, localName, localNameLength, &index);
        return FAILED(hr) ? hr : getValue(index, value, valueLength);
    }
    HRESULT getValueFromQName(const char16_t* qName, int qNameLength, const char16_t** value,
                              int* valueLength) override {
        int index = -1;
        const HRESULT hr = getIndexFromQName(qName, qNameLength, &index);
        return FAILED(hr) ? hr : getValue(index, value, valueLength);
    }

  private:
    HRESULT Field(int index, std::u16string Attribute::*field, const char16_t** text,
                  int* length) const {
        if (text == nullptr || length == nullptr) {
            return E_POINTER;
        }
        if (index < 0 || static_cast<size_t>(index) >= m_list.size()) {
            return E_INVALIDARG;
        }
        const std::u16string& s = m_list[static_cast<size_t>(index)].*field;
        *text = s.c_str();
        *length = static_cast<int>(s.size());
        return S_OK;
    }

    IUnknown* m_owner;
    const AttributeList& m_list;
};

// One parse: the expat parser, the handlers' view of it, and what stopped it. Every expat callback
// goes through Guard, so no C++ exception ever unwinds through expat's frames: it is kept, the
// parser is stopped, and Parse rethrows it once XML_Parse has returned.
class CParseRun {
  public:
    CParseRun(IUnknown* owner, ISAXContentHandler* content, ISAXErrorHandler* errors,
              std::u16string systemId)
        : m_content(content),
          m_errors(errors),
          m_systemId(std::move(systemId)),
          m_locator(owner, m_systemId),
          m_attributesObject(owner, m_attributes) {}
    ~CParseRun() {
        if (m_parser != nullptr) {
            XML_ParserFree(m_parser);
        }
    }
    CParseRun(const CParseRun&) = delete;
    CParseRun& operator=(const CParseRun&) = delete;

    // encoding: the text's encoding, overriding its XML declaration; null lets expat detect it.
    HRESULT Create(const XML_Char* encoding) {
        const XML_Char separator[] = {kNsSeparator, '\0'};
        m_parser = XML_ParserCreate_MM(encoding, &kExpatMemory, separator);
        if (m_parser == nullptr) {
            return E_OUTOFMEMORY;
        }
        m_locator.SetParser(m_parser);
        XML_SetUserData(m_parser, this);
        XML_SetReturnNSTriplet(m_parser, XML_TRUE);
        // External DTD subsets and parameter entities are never read; an external general entity
        // is refused by the handler below. Expat's amplification protection stays at its
        // defaults.
        XML_SetParamEntityParsing(m_parser, XML_PARAM_ENTITY_PARSING_NEVER);
        XML_SetExternalEntityRefHandler(m_parser, &CParseRun::OnExternalEntity);
        XML_SetElementHandler(m_parser,
                              &Guard<&CParseRun::OnStartElement, const XML_Char*, const XML_Char**>,
                              &Guard<&CParseRun::OnEndElement, const XML_Char*>);
        XML_SetCharacterDataHandler(m_parser,
                                    &Guard<&CParseRun::OnCharacters, const XML_Char*, int>);
        XML_SetProcessingInstructionHandler(
            m_parser,
            &Guard<&CParseRun::OnProcessingInstruction, const XML_Char*, const XML_Char*>);
        XML_SetNamespaceDeclHandler(
            m_parser, &Guard<&CParseRun::OnStartNamespace, const XML_Char*, const XML_Char*>,
            &Guard<&CParseRun::OnEndNamespace, const XML_Char*>);
        XML_SetSkippedEntityHandler(m_parser,
                                    &Guard<&CParseRun::OnSkippedEntity, const XML_Char*, int>);
        XML_SetEntityDeclHandler(
            m_parser, &Guard<&CParseRun::OnEntityDecl, const XML_Char*, int, const XML_Char*, int,
                             const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*>);
        XML_SetEndDoctypeDeclHandler(m_parser, &Guard<&CParseRun::OnEndDoctype>);
        return S_OK;
    }

    HRESULT Parse(const char* bytes, size_t count) {
        if (count > static_cast<size_t>(kSaxMaxDocumentBytes)) {
            return Report(SAX_E_DOCUMENT_TOO_LARGE, u"The document is too large.");
        }
        if (m_content != nullptr) {
            HRESULT hr = m_content->putDocumentLocator(&m_locator);
            if (SUCCEEDED(hr)) {
                hr = m_content->startDocument();
            }
            if (FAILED(hr)) {
                return Report(hr, u"The content handler refused the document.");
            }
        }
        const unsigned allocationFailures = t_expatAllocationFailures;
        const XML_Status status = XML_Parse(m_parser, bytes, static_cast<int>(count), XML_TRUE);
        if (m_exception) {
            std::rethrow_exception(m_exception);
        }
        if (status != XML_STATUS_OK) {
            if (FAILED(m_failure)) {
                return Report(m_failure, m_failureMessage);
            }
            if (t_expatAllocationFailures != allocationFailures) {
                return Report(E_OUTOFMEMORY, u"Out of memory.");
            }
            const XML_Error error = XML_GetErrorCode(m_parser);
            const std::u16string message = NarrowToWide(XML_ErrorString(error));
            return Report(FromExpatError(error), message.c_str());
        }
        if (m_content != nullptr) {
            const HRESULT hr = m_content->endDocument();
            if (FAILED(hr)) {
                return Report(hr, u"The content handler refused the document.");
            }
        }
        return S_OK;
    }

    // Tells the error handler about a fatal error and returns its code.
    HRESULT Report(HRESULT code, const char16_t* message) {
        if (m_errors != nullptr) {
            m_errors->fatalError(&m_locator, message, code);
        }
        return code;
    }

  private:
    template <auto Method, class... Args>
    static void Guard(void* userData, Args... args) noexcept {
        auto* run = static_cast<CParseRun*>(userData);
        if (run->m_stopped) {
            return;  // expat may still deliver an event or two after a stop
        }
        try {
            (run->*Method)(args...);
        } catch (...) {
            run->m_exception = std::current_exception();
            run->Stop();
        }
    }

    static int OnExternalEntity(XML_Parser parser, const XML_Char* /*context*/,
                                const XML_Char* /*base*/, const XML_Char* /*systemId*/,
                                const XML_Char* /*publicId*/) {
        auto* run = static_cast<CParseRun*>(XML_GetUserData(parser));
        run->m_failure = SAX_E_EXTERNAL_ENTITY;
        run->m_failureMessage = u"External entities are not loaded.";
        return XML_STATUS_ERROR;
    }

    void Stop() {
        m_stopped = true;
        XML_StopParser(m_parser, XML_FALSE);
    }
    void Fail(HRESULT code, const char16_t* message) {
        m_failure = code;
        m_failureMessage = message;
        Stop();
    }
    void FailHandler(HRESULT code) { Fail(code, u"The content handler refused the document."); }

    bool CheckRun(size_t units) {
        m_runLength += units;
        if (m_runLength > static_cast<size_t>(kSaxMaxValueLength)) {
            Fail(SAX_E_VALUE_TOO_LONG, u"A run of character data is too long.");
            return false;
        }
        return true;
    }

    void OnStartElement(const XML_Char* name, const XML_Char** atts) {
        if (++m_depth > kSaxMaxElementDepth) {
            Fail(SAX_E_TOO_DEEP, u"Elements are nested too deeply.");
            return;
        }
        m_runLength = 0;
        SplitName(name, m_uri, m_localName, m_qName);
        size_t count = m_pendingDeclarations.size();
        for (size_t i = 0; atts[i] != nullptr; i += 2) {
            ++count;
        }
        if (count > kSaxMaxAttributes) {
            Fail(SAX_E_TOO_MANY_ATTRIBUTES, u"An element has too many attributes.");
            return;
        }
        m_attributes.Clear();
        for (const auto& [prefix, uri] : m_pendingDeclarations) {
            Attribute& a = m_attributes.Next();
            a.uri = kXmlnsUri;
            if (prefix.empty()) {
                a.localName = u"xmlns";
                a.qName = u"xmlns";
            } else {
                a.localName = prefix;
                a.qName = u"xmlns:";
                a.qName += prefix;
            }
            a.value = uri;
        }
        m_pendingDeclarations.clear();
        for (size_t i = 0; atts[i] != nullptr; i += 2) {
            const size_t bytes = std::strlen(atts[i + 1]);
            if (bytes > static_cast<size_t>(kSaxMaxValueLength) &&
                Utf16Length(atts[i + 1], bytes) > static_cast<size_t>(kSaxMaxValueLength)) {
                Fail(SAX_E_VALUE_TOO_LONG, u"An attribute value is too long.");
                return;
            }
            Attribute& a = m_attributes.Next();
            SplitName(atts[i], a.uri, a.localName, a.qName);
            NarrowToWideInto(atts[i + 1], bytes, a.value);
        }
        if (m_content == nullptr) {
            return;
        }
        const HRESULT hr = m_content->startElement(
            m_uri.c_str(), static_cast<int>(m_uri.size()), m_localName.c_str(),
            static_cast<int>(m_localName.size()), m_qName.c_str(), static_cast<int>(m_qName.size()),
            &m_attributesObject);
        if (FAILED(hr)) {
            FailHandler(hr);
        }
    }

    void OnEndElement(const XML_Char* name) {
        --m_depth;
        m_runLength = 0;
        if (m_content == nullptr) {
            return;
        }
        SplitName(name, m_uri, m_localName, m_qName);
        const HRESULT hr =
            m_content->endElement(m_uri.c_str(), static_cast<int>(m_uri.size()),
                                  m_localName.c_str(), static_cast<int>(m_localName.size()),
                                  m_qName.c_str(), static_cast<int>(m_qName.size()));
        if (FAILED(hr)) {
            FailHandler(hr);
        }
    }

    void OnCharacters(const XML_Char* s, int length) {
        const auto bytes = static_cast<size_t>(length);
        if (m_content == nullptr) {
            CheckRun(Utf16Length(s, bytes));
            return;
        }
        NarrowToWideInto(s, bytes, m_text);
        if (!CheckRun(m_text.size())) {
            return;
        }
        const HRESULT hr = m_content->characters(m_text.c_str(), static_cast<int>(m_text.size()));
        if (FAILED(hr)) {
            FailHandler(hr);
        }
    }

    void OnProcessingInstruction(const XML_Char* target, const XML_Char* data) {
        if (m_content == nullptr) {
            return;
        }
        const std::u16string t = NarrowToWide(target);
        const std::u16string d = NarrowToWide(data);
        const HRESULT hr = m_content->processingInstruction(t.c_str(), static_cast<int>(t.size()),
                                                            d.c_str(), static_cast<int>(d.size()));
        if (FAILED(hr)) {
            FailHandler(hr);
        }
    }

    void OnStartNamespace(const XML_Char* prefix, const XML_Char* uri) {
        std::u16string p = NarrowToWide(prefix);
        std::u16string u = NarrowToWide(uri);
        if (u.size() > static_cast<size_t>(kSaxMaxValueLength)) {
            Fail(SAX_E_VALUE_TOO_LONG, u"An attribute value is too long.");
            return;
        }
        m_pendingDeclarations.emplace_back(std::move(p), std::move(u));
        if (m_content == nullptr) {
            return;
        }
        const auto& [declaredPrefix, declaredUri] = m_pendingDeclarations.back();
        const HRESULT hr = m_content->startPrefixMapping(
            declaredPrefix.c_str(), static_cast<int>(declaredPrefix.size()), declaredUri.c_str(),
            static_cast<int>(declaredUri.size()));
        if (FAILED(hr)) {
            FailHandler(hr);
        }
    }

    void OnEndNamespace(const XML_Char* prefix) {
        if (m_content == nullptr) {
            return;
        }
        const std::u16string p = NarrowToWide(prefix);
        const HRESULT hr = m_content->endPrefixMapping(p.c_str(), static_cast<int>(p.size()));
        if (FAILED(hr)) {
            FailHandler(hr);
        }
    }

    void OnSkippedEntity(const XML_Char* name, int isParameterEntity) {
        if (m_content == nullptr) {
            return;
        }
        std::u16string n = isParameterEntity ? u"%" : u"";
        n += NarrowToWide(name);
        const HRESULT hr = m_content->skippedEntity(n.c_str(), static_cast<int>(n.size()));
        if (FAILED(hr)) {
            FailHandler(hr);
        }
    }

    void OnEntityDecl(const XML_Char* name, int isParameterEntity, const XML_Char* value,
                      int valueLength, const XML_Char* /*base*/, const XML_Char* /*systemId*/,
                      const XML_Char* /*publicId*/, const XML_Char* /*notationName*/) {
        if (!isParameterEntity && value != nullptr) {
            m_entities.emplace(name, std::string(value, static_cast<size_t>(valueLength)));
        }
    }

    // Expat expands nested entity references recursively; a long enough chain of them would
    // exhaust the stack, so the chains are measured before any reference is expanded.
    void OnEndDoctype() {
        std::map<std::string_view, int> depths;
        for (const auto& [name, value] : m_entities) {
            if (EntityDepth(name, depths, 1) > kSaxMaxEntityDepth) {
                Fail(SAX_E_ENTITY_NESTING, u"Entities are nested too deeply.");
                return;
            }
        }
    }

    // The nesting depth of an entity's expansion (1 for a plain text), cut off once above the
    // limit. A cycle counts as nothing here: expat refuses it when it expands it.
    int EntityDepth(std::string_view name, std::map<std::string_view, int>& depths, int level) {
        if (level > kSaxMaxEntityDepth) {
            return level;
        }
        auto [it, fresh] = depths.emplace(name, 0);
        if (!fresh) {
            return it->second;
        }
        const auto entity = m_entities.find(name);
        if (entity == m_entities.end()) {
            return 0;
        }
        const std::string_view value = entity->second;
        int deepest = 0;
        for (size_t at = value.find('&'); at != std::string_view::npos;
             at = value.find('&', at + 1)) {
            if (at + 1 < value.size() && value[at + 1] == '#') {
                continue;  // a character reference
            }
            const size_t end = value.find(';', at + 1);
            if (end == std::string_view::npos) {
                break;
            }
            const int depth = EntityDepth(value.substr(at + 1, end - at - 1), depths, level + 1);
            deepest = depth > deepest ? depth : deepest;
            if (deepest > kSaxMaxEntityDepth) {
                break;
            }
        }
        it->second = deepest + 1;
        return deepest + 1;
    }

    ISAXContentHandler* m_content;
    ISAXErrorHandler* m_errors;
    std::u16string m_systemId;
    CLocator m_locator;
    AttributeList m_attributes;
    CAttributes m_attributesObject;
    XML_Parser m_parser = nullptr;

    bool m_stopped = false;
    HRESULT m_failure = S_OK;
    const char16_t* m_failureMessage = u"";
    std::exception_ptr m_exception;

    int m_depth = 0;
    size_t m_runLength = 0;
    std::vector<std::pair<std::u16string, std::u16string>> m_pendingDeclarations;
    std::map<std::string, std::string, std::less<>> m_entities;
    std::u16string m_uri;
    std::u16string m_localName;
    std::u16string m_qName;
    std::u16string m_text;
};

// Decides whether a file's bytes are UTF-16 (by its byte-order mark or its first "<"), and if so
// whether they hold an unpaired surrogate, which expat would decode into a wrong character.
bool HasUnpairedSurrogateIfUtf16(const std::string& bytes) {
    if (bytes.size() < 2) {
        return false;
    }
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    bool little = false;
    if ((b0 == 0xFF && b1 == 0xFE) || (b0 == '<' && b1 == 0)) {
        little = true;
    } else if (!((b0 == 0xFE && b1 == 0xFF) || (b0 == 0 && b1 == '<'))) {
        return false;
    }
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
        const auto lo = static_cast<unsigned char>(bytes[2 * i + (little ? 0 : 1)]);
        const auto hi = static_cast<unsigned char>(bytes[2 * i + (little ? 1 : 0)]);
        units[i] = static_cast<char16_t>(hi << 8 | lo);
    }
    return FindUnpairedSurrogate(units) != std::u16string::npos;
}

HRESULT ReadWholeFile(const std::string& path, std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return errno == ENOENT || errno == ENOTDIR ? E_FILE_NOT_FOUND
               : errno == EACCES                   ? E_ACCESS_DENIED
                                                   : E_FAIL;
    }
    HRESULT hr = S_OK;
    char chunk[65536];
    try {
        for (;;) {
            const size_t n = std::fread(chunk, 1, sizeof chunk, file);
            if (n == 0) {
                hr = std::ferror(file) ? E_FAIL : S_OK;
                break;
            }
            if (bytes.size() + n > static_cast<size_t>(kSaxMaxDocumentBytes)) {
                hr = SAX_E_DOCUMENT_TOO_LARGE;
                break;
            }
            bytes.append(chunk, n);
        }
    } catch (...) {
        std::fclose(file);
        throw;
    }
    std::fclose(file);
    return hr;
}

class CSaxReader final : public ISAXXMLReader {
  public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_ISAXXMLReader) {
            *object = static_cast<ISAXXMLReader*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return m_refs.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override {
        const ULONG left = m_refs.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT getFeature(const char16_t* name, bool* value) override {
        if (name == nullptr || value == nullptr) {
            return E_POINTER;
        }
        if (!IsKnownFeature(name)) {
            return E_INVALIDARG;
        }
        *value = true;
        return S_OK;
    }
    HRESULT putFeature(const char16_t* name, bool value) override {
        if (name == nullptr) {
            return E_POINTER;
        }
        if (!IsKnownFeature(name)) {
            return E_INVALIDARG;
        }
        return value ? S_OK : E_NOTIMPL;
    }
    HRESULT getContentHandler(ISAXContentHandler** handler) override {
        return Get(m_content, handler);
    }
    HRESULT putContentHandler(ISAXContentHandler* handler) override {
        m_content = ComPtr<ISAXContentHandler>(handler);
        return S_OK;
    }
    HRESULT getErrorHandler(ISAXErrorHandler** handler) override { return Get(m_errors, handler); }
    HRESULT putErrorHandler(ISAXErrorHandler* handler) override {
        m_errors = ComPtr<ISAXErrorHandler>(handler);
        return S_OK;
    }

    HRESULT parse(VARIANT input) override {
        if (input.vt != VT_BSTR) {
            return E_INVALIDARG;
        }
        return Run(std::u16string(), [&](CParseRun& run) {
            const std::u16string_view text(input.bstrVal == nullptr ? u"" : input.bstrVal,
                                           SysStringLen(input.bstrVal));
            const HRESULT hr =
                run.Create(std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE");
            if (FAILED(hr)) {
                return hr;
            }
            if (FindUnpairedSurrogate(text) != std::u16string_view::npos) {
                return run.Report(SAX_E_UNPAIRED_SURROGATE,
                                  u"The text holds an unpaired surrogate.");
            }
            return run.Parse(reinterpret_cast<const char*>(text.data()),
                             text.size() * sizeof(char16_t));
        });
    }

    HRESULT parseURL(const char16_t* url) override {
        if (url == nullptr) {
            return E_POINTER;
        }
        return Run(url, [&](CParseRun& run) {
            std::string path = WideToUtf8(url);
            if (path.rfind("file://", 0) == 0) {
                path.erase(0, 7);
            }
            HRESULT hr = run.Create(nullptr);
            if (FAILED(hr)) {
                return hr;
            }
            std::string bytes;
            hr = ReadWholeFile(path, bytes);
            if (FAILED(hr)) {
                return run.Report(hr, u"The file cannot be read.");
            }
            if (HasUnpairedSurrogateIfUtf16(bytes)) {
                return run.Report(SAX_E_UNPAIRED_SURROGATE,
                                  u"The text holds an unpaired surrogate.");
            }
            return run.Parse(bytes.data(), bytes.size());
        });
    }

    HRESULT parseUtf8(const char* text, size_t length) override {
        if (text == nullptr && length != 0) {
            return E_POINTER;
        }
        return Run(std::u16string(), [&](CParseRun& run) {
            const HRESULT hr = run.Create("UTF-8");
            if (FAILED(hr)) {
                return hr;
            }
            return run.Parse(text == nullptr ? "" : text, length);
        });
    }

  private:
    struct Busy {
        explicit Busy(bool& flag) : m_flag(flag) { m_flag = true; }
        ~Busy() { m_flag = false; }
        bool& m_flag;
    };

    // One parse: a parse started from inside another is refused, and the handlers stay alive for
    // the whole parse even if one of them is replaced meanwhile.
    template <class Body>
    HRESULT Run(std::u16string url, Body&& body) {
        if (m_parsing) {
            return SAX_E_BUSY;
        }
        Busy busy(m_parsing);
        const ComPtr<ISAXContentHandler> content = m_content;
        const ComPtr<ISAXErrorHandler> errors = m_errors;
        CParseRun run(this, content.get(), errors.get(), std::move(url));
        return body(run);
    }

    static bool IsKnownFeature(const char16_t* name) {
        const std::u16string_view n(name);
        return n == kSaxFeatureNamespaces || n == kSaxFeatureNamespacePrefixes;
    }

    template <class T>
    static HRESULT Get(const ComPtr<T>& held, T** out) {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = held.get();
        if (*out != nullptr) {
            (*out)->AddRef();
        }
        return S_OK;
    }

    std::atomic<ULONG> m_refs{1};
    ComPtr<ISAXContentHandler> m_content;
    ComPtr<ISAXErrorHandler> m_errors;
    bool m_parsing = false;
};

}  // namespace

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, uint32_t /*classContext*/, REFIID iid,
                         void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    if (!(clsid == CLSID_SAXXMLReader)) {
        return REGDB_E_CLASSNOTREG;
    }
    auto* reader = new (std::nothrow) CSaxReader();
    if (reader == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = reader->QueryInterface(iid, object);
    reader->Release();
    return hr;
}
