// sax_parse_run.cpp - one parse over expat: events turned into SAX calls, the limits, errors.
#include "platform/posix/sax_parse_run.h"

#include <cstring>

#include "platform/codepage.h"
#include "platform/posix/expat_memory.h"

namespace platform::posix {
namespace {

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

}  // namespace

HRESULT CLocator::getColumnNumber(int* column) {
    if (column == nullptr) {
        return E_POINTER;
    }
    *column = m_parser == nullptr
                  ? 0
                  : ClampToInt(static_cast<size_t>(XML_GetCurrentColumnNumber(m_parser)) + 1);
    return S_OK;
}
HRESULT CLocator::getLineNumber(int* line) {
    if (line == nullptr) {
        return E_POINTER;
    }
    *line = m_parser == nullptr
                ? 0
                : ClampToInt(static_cast<size_t>(XML_GetCurrentLineNumber(m_parser)));
    return S_OK;
}
HRESULT CLocator::getPublicId(const char16_t** publicId) {
    if (publicId == nullptr) {
        return E_POINTER;
    }
    *publicId = nullptr;
    return S_OK;
}
HRESULT CLocator::getSystemId(const char16_t** systemId) {
    if (systemId == nullptr) {
        return E_POINTER;
    }
    *systemId = m_systemId.empty() ? nullptr : m_systemId.c_str();
    return S_OK;
}

HRESULT CParseRun::Create(const XML_Char* encoding) {
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
    XML_SetCharacterDataHandler(m_parser, &Guard<&CParseRun::OnCharacters, const XML_Char*, int>);
    XML_SetProcessingInstructionHandler(
        m_parser, &Guard<&CParseRun::OnProcessingInstruction, const XML_Char*, const XML_Char*>);
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

HRESULT CParseRun::Parse(const char* bytes, size_t count) {
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
    const unsigned allocationFailures = ExpatAllocationFailures();
    const XML_Status status = XML_Parse(m_parser, bytes, static_cast<int>(count), XML_TRUE);
    if (m_exception) {
        std::rethrow_exception(m_exception);
    }
    if (status != XML_STATUS_OK) {
        if (FAILED(m_failure)) {
            return Report(m_failure, m_failureMessage);
        }
        if (ExpatAllocationFailures() != allocationFailures) {
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

HRESULT CParseRun::Report(HRESULT code, const char16_t* message) {
    if (m_errors != nullptr) {
        m_errors->fatalError(&m_locator, message, code);
    }
    return code;
}

template <auto Method, class... Args>
void CParseRun::Guard(void* userData, Args... args) noexcept {
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

int CParseRun::OnExternalEntity(XML_Parser parser, const XML_Char* /*context*/,
                                const XML_Char* /*base*/, const XML_Char* /*systemId*/,
                                const XML_Char* /*publicId*/) {
    auto* run = static_cast<CParseRun*>(XML_GetUserData(parser));
    run->m_failure = SAX_E_EXTERNAL_ENTITY;
    run->m_failureMessage = u"External entities are not loaded.";
    return XML_STATUS_ERROR;
}

void CParseRun::Stop() {
    m_stopped = true;
    XML_StopParser(m_parser, XML_FALSE);
}

void CParseRun::Fail(HRESULT code, const char16_t* message) {
    m_failure = code;
    m_failureMessage = message;
    Stop();
}

void CParseRun::FailHandler(HRESULT code) {
    Fail(code, u"The content handler refused the document.");
}

bool CParseRun::CheckRun(size_t units) {
    m_runLength += units;
    if (m_runLength > static_cast<size_t>(kSaxMaxValueLength)) {
        Fail(SAX_E_VALUE_TOO_LONG, u"A run of character data is too long.");
        return false;
    }
    return true;
}

void CParseRun::OnStartElement(const XML_Char* name, const XML_Char** atts) {
    if (++m_depth > kSaxMaxElementDepth) {
        Fail(SAX_E_TOO_DEEP, u"Elements are nested too deeply.");
        return;
    }
    m_runLength = 0;
    if (m_names.size() < static_cast<size_t>(m_depth)) {
        m_names.emplace_back();
    }
    ElementName& element = m_names[static_cast<size_t>(m_depth) - 1];
    SplitName(name, element);
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
        a.uri.Assign(kXmlnsUri);
        if (prefix.empty()) {
            a.localName.Assign(u"xmlns");
            a.qName.Assign(u"xmlns");
        } else {
            a.localName.Assign(prefix);
            a.qName.Assign(u"xmlns:");
            a.qName.Append(prefix);
        }
        a.value.Assign(uri);
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
        SplitName(atts[i], a);
        a.value.AssignUtf8(atts[i + 1], bytes);
    }
    if (m_content == nullptr) {
        return;
    }
    const HRESULT hr =
        m_content->startElement(element.uri.data(), element.uri.length(), element.localName.data(),
                                element.localName.length(), element.qName.data(),
                                element.qName.length(), &m_attributesObject);
    if (FAILED(hr)) {
        FailHandler(hr);
    }
}

void CParseRun::OnEndElement(const XML_Char* /*name*/) {
    const ElementName& element = m_names[static_cast<size_t>(--m_depth)];
    m_runLength = 0;
    if (m_content == nullptr) {
        return;
    }
    const HRESULT hr = m_content->endElement(element.uri.data(), element.uri.length(),
                                             element.localName.data(), element.localName.length(),
                                             element.qName.data(), element.qName.length());
    if (FAILED(hr)) {
        FailHandler(hr);
    }
}

void CParseRun::OnCharacters(const XML_Char* s, int length) {
    const auto bytes = static_cast<size_t>(length);
    if (m_content == nullptr) {
        CheckRun(Utf16Length(s, bytes));
        return;
    }
    m_text.AssignUtf8(s, bytes);
    if (!CheckRun(m_text.size())) {
        return;
    }
    const HRESULT hr = m_content->characters(m_text.data(), m_text.length());
    if (FAILED(hr)) {
        FailHandler(hr);
    }
}

void CParseRun::OnProcessingInstruction(const XML_Char* target, const XML_Char* data) {
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

void CParseRun::OnStartNamespace(const XML_Char* prefix, const XML_Char* uri) {
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

void CParseRun::OnEndNamespace(const XML_Char* prefix) {
    if (m_content == nullptr) {
        return;
    }
    const std::u16string p = NarrowToWide(prefix);
    const HRESULT hr = m_content->endPrefixMapping(p.c_str(), static_cast<int>(p.size()));
    if (FAILED(hr)) {
        FailHandler(hr);
    }
}

void CParseRun::OnSkippedEntity(const XML_Char* name, int isParameterEntity) {
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

void CParseRun::OnEntityDecl(const XML_Char* name, int isParameterEntity, const XML_Char* value,
                             int valueLength, const XML_Char* /*base*/,
                             const XML_Char* /*systemId*/, const XML_Char* /*publicId*/,
                             const XML_Char* /*notationName*/) {
    if (!isParameterEntity && value != nullptr) {
        m_entities.emplace(name, std::string(value, static_cast<size_t>(valueLength)));
    }
}

void CParseRun::OnEndDoctype() {
    std::map<std::string_view, int> depths;
    for (const auto& [name, value] : m_entities) {
        if (EntityDepth(name, depths, 1) > kSaxMaxEntityDepth) {
            Fail(SAX_E_ENTITY_NESTING, u"Entities are nested too deeply.");
            return;
        }
    }
}

int CParseRun::EntityDepth(std::string_view name, std::map<std::string_view, int>& depths,
                           int level) {
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
    for (size_t at = value.find('&'); at != std::string_view::npos; at = value.find('&', at + 1)) {
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

}  // namespace platform::posix
