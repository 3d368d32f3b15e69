// sax_parse_run.cpp - one parse over expat: events turned into SAX calls, the limits, errors.
#include "platform/posix/sax_parse_run.h"

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"
#include "platform/posix/expat_memory.h"

namespace platform::posix {
namespace {

static_assert(sizeof(XML_Char) == 1, "the reader expects expat's UTF-8 build");

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

HRESULT SaxLocator::getColumnNumber(int* column) {
    if (column == nullptr) {
        return E_POINTER;
    }
    *column = m_parser == nullptr
                  ? 0
                  : ClampToInt(static_cast<size_t>(XML_GetCurrentColumnNumber(m_parser)) + 1);
    return S_OK;
}
HRESULT SaxLocator::getLineNumber(int* line) {
    if (line == nullptr) {
        return E_POINTER;
    }
    *line = m_parser == nullptr
                ? 0
                : ClampToInt(static_cast<size_t>(XML_GetCurrentLineNumber(m_parser)));
    return S_OK;
}
HRESULT SaxLocator::getPublicId(const char16_t** publicId) {
    if (publicId == nullptr) {
        return E_POINTER;
    }
    *publicId = nullptr;
    return S_OK;
}
HRESULT SaxLocator::getSystemId(const char16_t** systemId) {
    if (systemId == nullptr) {
        return E_POINTER;
    }
    *systemId = m_systemId.empty() ? nullptr : m_systemId.c_str();
    return S_OK;
}

// Expat reads names as written; the namespaces are ours (NamespaceScope).
HRESULT ParseRun::Create(const XML_Char* encoding) {
    m_parser = XML_ParserCreate_MM(encoding, &kExpatMemory, nullptr);
    if (m_parser == nullptr) {
        return E_OUTOFMEMORY;
    }
    m_locator.SetParser(m_parser);
    XML_SetUserData(m_parser, this);
    // External DTD subsets and parameter entities are never read; an external general entity
    // is refused by the handler below. Expat's amplification protection stays at its
    // defaults.
    XML_SetParamEntityParsing(m_parser, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetExternalEntityRefHandler(m_parser, &ParseRun::OnExternalEntity);
    XML_SetElementHandler(m_parser,
                          &Guard<&ParseRun::OnStartElement, const XML_Char*, const XML_Char**>,
                          &Guard<&ParseRun::OnEndElement, const XML_Char*>);
    XML_SetCharacterDataHandler(m_parser, &Guard<&ParseRun::OnCharacters, const XML_Char*, int>);
    XML_SetProcessingInstructionHandler(
        m_parser, &Guard<&ParseRun::OnProcessingInstruction, const XML_Char*, const XML_Char*>);
    XML_SetSkippedEntityHandler(m_parser, &Guard<&ParseRun::OnSkippedEntity, const XML_Char*, int>);
    XML_SetEntityDeclHandler(
        m_parser, &Guard<&ParseRun::OnEntityDecl, const XML_Char*, int, const XML_Char*, int,
                         const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*>);
    XML_SetEndDoctypeDeclHandler(m_parser, &Guard<&ParseRun::OnEndDoctype>);
    return S_OK;
}

HRESULT ParseRun::Parse(const char* bytes, size_t count) {
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
    m_documentBytes = count;
    const unsigned allocationFailures = ExpatAllocationFailures();
    const XML_Status status = ParseInPieces(bytes, count);
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

// XML_Parse copies the whole text into a buffer of its own, rounded up to a power of two: 16 MiB
// for a packet of 9 MB, more than anything the reader keeps. Handed over a piece at a time, the
// text goes through a buffer of about one piece; the events are the same (character data split at
// a piece's end is joined again before it is handed on). Expat scans a token cut by a piece's end
// again from its start when the next piece comes, and a Description can be a start tag of
// megabytes: pieces of 1 MiB cut such a tag rarely. Expat counts lines and columns over every
// piece but the final one, a tenth of its time: the final piece takes up to 4 MiB, which costs
// about 3 MiB more at the peak and spares counting them.
XML_Status ParseRun::ParseInPieces(const char* bytes, size_t count) {
    constexpr size_t kPiece = size_t{1} << 20;
    constexpr size_t kFinalPiece = 4 * kPiece;
    size_t done = 0;
    for (;;) {
        const size_t n = count - done <= kFinalPiece ? count - done : kPiece;
        void* buffer = XML_GetBuffer(m_parser, static_cast<int>(n));
        if (buffer == nullptr) {
            return XML_STATUS_ERROR;  // expat's error code says why
        }
        if (n > 0) {
            std::memcpy(buffer, bytes + done, n);
        }
        done += n;
        const XML_Status status = XML_ParseBuffer(m_parser, static_cast<int>(n), done == count);
        if (status != XML_STATUS_OK || done == count) {
            return status;
        }
    }
}

HRESULT ParseRun::Report(HRESULT code, const char16_t* message) {
    if (m_errors != nullptr) {
        m_errors->fatalError(&m_locator, message, code);
    }
    return code;
}

template <auto Method, class... Args>
void ParseRun::Guard(void* userData, Args... args) noexcept {
    auto* run = static_cast<ParseRun*>(userData);
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

int ParseRun::OnExternalEntity(XML_Parser parser, const XML_Char* /*context*/,
                               const XML_Char* /*base*/, const XML_Char* /*systemId*/,
                               const XML_Char* /*publicId*/) {
    auto* run = static_cast<ParseRun*>(XML_GetUserData(parser));
    run->m_failure = SAX_E_EXTERNAL_ENTITY;
    run->m_failureMessage = u"External entities are not loaded.";
    return XML_STATUS_ERROR;
}

void ParseRun::Stop() {
    m_stopped = true;
    XML_StopParser(m_parser, XML_FALSE);
}

void ParseRun::Fail(HRESULT code, const char16_t* message) {
    m_failure = code;
    m_failureMessage = message;
    Stop();
}

void ParseRun::FailHandler(HRESULT code) {
    Fail(code, u"The content handler refused the document.");
}

void ParseRun::Flush(bool runGoesOn) {
    if (m_pending.size() == 0) {
        return;
    }
    const std::string_view text = m_pending.view();
    if (m_utf8) {
        Deliver(m_utf8->characters(text));
    } else if (m_content != nullptr) {
        m_text.AssignUtf8(text);
        Deliver(m_content->characters(m_text.data(), m_text.length()));
    }
    // Past a processing instruction or a skipped entity the run goes on, and so does its count.
    if (runGoesOn) {
        m_runLength +=
            m_pendingUnits != kUncounted ? m_pendingUnits : WideLength(text.data(), text.size());
    }
    m_pending.Clear();
    m_pendingUnits = kUncounted;
}

void ParseRun::FailXml(XML_Error error) {
    // The message lives as long as the run: Report hands it over after the parse.
    m_xmlMessage = NarrowToWide(XML_ErrorString(error));
    Fail(SAX_E_PARSE_BASE + static_cast<HRESULT>(error), m_xmlMessage.c_str());
}

bool ParseRun::ReadDeclaration(const SaxUtf8Attribute& declaration) {
    const SaxUtf8Name& name = declaration.name;
    const std::string_view prefix = name.prefix.empty() ? std::string_view() : name.localName;
    const std::string_view uri = declaration.value;
    const XML_Error error = m_scope.Bind(prefix, uri, m_depth);
    if (error != XML_ERROR_NONE) {
        FailXml(error);
        return false;
    }
    if (m_content != nullptr) {
        const std::u16string widePrefix = NarrowToWide(prefix.data(), prefix.size());
        const std::u16string wideUri = NarrowToWide(uri.data(), uri.size());
        Deliver(m_content->startPrefixMapping(widePrefix.c_str(),
                                              static_cast<int>(widePrefix.size()), wideUri.c_str(),
                                              static_cast<int>(wideUri.size())));
    }
    return !m_stopped;
}

// Every name and value of the tag is read before any declaration binds: a name out of form is
// found first, as expat's own processing finds it when it reads the tag. A declaration is an
// attribute named "xmlns", or "xmlns:" and a prefix; the declarations bind in their order, before
// any other name of the element is resolved, and are handed over first.
bool ParseRun::ReadAttributes(const XML_Char** atts) {
    m_utf8Attributes.clear();
    size_t count = 0;
    for (size_t i = 0; atts[i] != nullptr; i += 2) {
        ++count;
    }
    if (count > kSaxMaxAttributes) {
        Fail(SAX_E_TOO_MANY_ATTRIBUTES, u"An element has too many attributes.");
        return false;
    }
    const auto isDeclaration = [](const SaxUtf8Attribute& a) { return a.name.uri == kXmlnsUri; };
    size_t declarations = 0;
    for (size_t i = 0; atts[i] != nullptr; i += 2) {
        SaxUtf8Name name;
        if (!SplitQName(atts[i], name)) {
            FailXml(XML_ERROR_INVALID_TOKEN);
            return false;
        }
        const std::string_view value(atts[i + 1]);
        if (value.size() > static_cast<size_t>(kSaxMaxValueLength) &&
            WideLength(value.data(), value.size()) > static_cast<size_t>(kSaxMaxValueLength)) {
            Fail(SAX_E_VALUE_TOO_LONG, u"An attribute value is too long.");
            return false;
        }
        if (name.prefix == "xmlns" || (name.prefix.empty() && name.localName == "xmlns")) {
            name.uri = kXmlnsUri;
            ++declarations;
        }
        m_utf8Attributes.push_back({name, value});
    }
    if (declarations > 0) {
        for (const SaxUtf8Attribute& a : m_utf8Attributes) {
            if (isDeclaration(a) && !ReadDeclaration(a)) {
                return false;
            }
        }
        std::stable_partition(m_utf8Attributes.begin(), m_utf8Attributes.end(), isDeclaration);
    }
    const auto others = m_utf8Attributes.begin() + static_cast<std::ptrdiff_t>(declarations);
    for (auto a = others; a != m_utf8Attributes.end(); ++a) {
        if (!m_scope.Resolve(a->name, false)) {
            FailXml(XML_ERROR_UNBOUND_PREFIX);
            return false;
        }
    }
    if (HasExpandedDuplicate(m_utf8Attributes.data() + declarations, count - declarations)) {
        FailXml(XML_ERROR_DUPLICATE_ATTRIBUTE);
        return false;
    }
    return true;
}

void ParseRun::Deliver(HRESULT hr) {
    if (FAILED(hr)) {
        FailHandler(hr);
    }
}

void ParseRun::OnStartElement(const XML_Char* name, const XML_Char** atts) {
    if (m_pending.size() != 0) {
        Flush(false);
        if (m_stopped) {
            return;
        }
    }
    if (++m_depth > kSaxMaxElementDepth) {
        Fail(SAX_E_TOO_DEEP, u"Elements are nested too deeply.");
        return;
    }
    m_runLength = 0;
    SaxUtf8Name element;
    if (!SplitQName(name, element)) {
        FailXml(XML_ERROR_INVALID_TOKEN);
        return;
    }
    if (atts[0] == nullptr) {
        m_utf8Attributes.clear();  // most elements
    } else if (!ReadAttributes(atts)) {
        return;
    }
    // Declarations may have moved the bindings; the prefix resolves after them.
    if (!m_scope.Resolve(element, true)) {
        FailXml(XML_ERROR_UNBOUND_PREFIX);
        return;
    }
    DeliverStart(element);
    // The attributes' storage is kept for the next element, unless it was an outsized one (a
    // packet's Description can carry tens of thousands): that storage goes.
    if (m_utf8Attributes.size() > kKeptAttributes) {
        m_utf8Attributes = std::vector<SaxUtf8Attribute>();
        m_attributes = AttributeList();
    }
}

void ParseRun::DeliverStart(const SaxUtf8Name& element) {
    if (m_utf8) {
        const HRESULT hr =
            m_utf8->startElement(element, m_utf8Attributes.data(), m_utf8Attributes.size());
        DeclineText(hr == S_FALSE);
        Deliver(hr);
        return;
    }
    if (m_content == nullptr) {
        return;
    }
    if (m_names.size() < static_cast<size_t>(m_depth)) {
        m_names.emplace_back();
    }
    ElementName& wide = m_names[static_cast<size_t>(m_depth) - 1];
    wide.AssignUtf8(element);
    m_attributes.Clear();
    for (const SaxUtf8Attribute& a : m_utf8Attributes) {
        Attribute& w = m_attributes.Next();
        w.AssignUtf8(a.name);
        w.value.AssignUtf8(a.value);
    }
    Deliver(m_content->startElement(wide.uri.data(), wide.uri.length(), wide.localName.data(),
                                    wide.localName.length(), wide.qName.data(), wide.qName.length(),
                                    &m_attributesObject));
}

// Declined text is only counted, at a call per piece (most of them the indentation between
// elements). Where no run can be too long, expat is not asked for it at all: UTF-8 never has fewer
// bytes than UTF-16 units, so a run is no longer than the bytes left, unless an entity of the
// document's own expands a reference to more text than the reference (the document type, with its
// entities, comes before the first element).
void ParseRun::DeclineText(bool declined) {
    m_skipText = declined;
    if (declined && !m_shortRest && m_entities.empty()) {
        const auto at = static_cast<size_t>(XML_GetCurrentByteIndex(m_parser));
        m_shortRest = m_documentBytes - at <= static_cast<size_t>(kSaxMaxValueLength);
    }
    const bool unread = declined && m_shortRest;
    if (unread != m_textUnread) {
        m_textUnread = unread;
        XML_SetCharacterDataHandler(
            m_parser, unread ? nullptr : &Guard<&ParseRun::OnCharacters, const XML_Char*, int>);
    }
}

void ParseRun::OnEndElement(const XML_Char* /*name*/) {
    if (m_pending.size() != 0) {
        Flush(false);
        if (m_stopped) {
            return;
        }
    }
    const int depth = m_depth--;
    m_runLength = 0;
    if (m_utf8) {
        const HRESULT hr = m_utf8->endElement();
        DeclineText(hr == S_FALSE);
        Deliver(hr);
    } else if (m_content != nullptr) {
        // An end tag names its start tag: the start's conversion is handed over again.
        const ElementName& wide = m_names[static_cast<size_t>(m_depth)];
        Deliver(m_content->endElement(wide.uri.data(), wide.uri.length(), wide.localName.data(),
                                      wide.localName.length(), wide.qName.data(),
                                      wide.qName.length()));
    }
    m_scope.End(depth, [this](std::string_view prefix) {
        if (m_content != nullptr && !m_stopped) {
            const std::u16string p = NarrowToWide(prefix.data(), prefix.size());
            Deliver(m_content->endPrefixMapping(p.c_str(), static_cast<int>(p.size())));
        }
    });
}

// Character data is gathered and handed over a run at a time, at the next tag, processing
// instruction or skipped entity: expat delivers a run in pieces (each line break apart, each
// entity reference apart), and a call per piece cost more than the text it carried.
void ParseRun::OnCharacters(const XML_Char* s, int length) {
    const auto bytes = static_cast<size_t>(length);
    if (m_skipText) {
        // Text the handler declined is neither kept nor handed over, only counted.
        m_runLength += WideLength(s, bytes);
        if (m_runLength > static_cast<size_t>(kSaxMaxValueLength)) {
            Fail(SAX_E_VALUE_TOO_LONG, u"A run of character data is too long.");
        }
        return;
    }
    m_pending.Append({s, bytes});
    // UTF-8 never has fewer bytes than UTF-16 units: the units are counted only once the bytes
    // could be over the limit, and from then on piece by piece.
    if (m_pendingUnits != kUncounted) {
        m_pendingUnits += WideLength(s, bytes);
    } else if (m_runLength + m_pending.size() > static_cast<size_t>(kSaxMaxValueLength)) {
        m_pendingUnits = WideLength(m_pending.data(), m_pending.size());
    }
    if (m_pendingUnits != kUncounted &&
        m_runLength + m_pendingUnits > static_cast<size_t>(kSaxMaxValueLength)) {
        Fail(SAX_E_VALUE_TOO_LONG, u"A run of character data is too long.");
    }
}

// Namespaces leave no colon to the names of processing instructions and entities.
void ParseRun::OnProcessingInstruction(const XML_Char* target, const XML_Char* data) {
    Flush(true);
    if (!m_stopped && std::strchr(target, ':') != nullptr) {
        FailXml(XML_ERROR_INVALID_TOKEN);
    }
    if (m_content == nullptr || m_stopped) {
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

void ParseRun::OnSkippedEntity(const XML_Char* name, int isParameterEntity) {
    Flush(true);
    if (!m_stopped && std::strchr(name, ':') != nullptr) {
        FailXml(XML_ERROR_INVALID_TOKEN);
    }
    if (m_content == nullptr || m_stopped) {
        return;
    }
    std::u16string n = isParameterEntity ? u"%" : u"";
    n += NarrowToWide(name);
    const HRESULT hr = m_content->skippedEntity(n.c_str(), static_cast<int>(n.size()));
    if (FAILED(hr)) {
        FailHandler(hr);
    }
}

void ParseRun::OnEntityDecl(const XML_Char* name, int isParameterEntity, const XML_Char* value,
                            int valueLength, const XML_Char* /*base*/, const XML_Char* /*systemId*/,
                            const XML_Char* /*publicId*/, const XML_Char* /*notationName*/) {
    if (std::strchr(name, ':') != nullptr) {
        FailXml(XML_ERROR_SYNTAX);
        return;
    }
    if (!isParameterEntity && value != nullptr) {
        m_entities.emplace(name, std::string(value, static_cast<size_t>(valueLength)));
    }
}

void ParseRun::OnEndDoctype() {
    std::map<std::string_view, int> depths;
    for (const auto& [name, value] : m_entities) {
        if (EntityDepth(name, depths, 1) > kSaxMaxEntityDepth) {
            Fail(SAX_E_ENTITY_NESTING, u"Entities are nested too deeply.");
            return;
        }
    }
}

int ParseRun::EntityDepth(std::string_view name, std::map<std::string_view, int>& depths,
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
