// msxml_events.cpp - MSXML's events forwarded to the platform's handlers, within the limits.
#include "platform/win32/msxml_events.h"

#include <utility>

namespace platform::win32 {
namespace {

// The system's attributes and locator hand out wchar_t text; char16_t is the same unit.
template <class Interface, class Method, class... Args>
HRESULT Ask(Interface* system, Method method, Args... args) {
    return system == nullptr ? E_UNEXPECTED : (system->*method)(args...);
}

}  // namespace

HRESULT AttributesView::getLength(int* length) {
    return Ask(m_system, &msxml::ISAXAttributes::getLength, length);
}
HRESULT AttributesView::getURI(int index, const char16_t** uri, int* uriLength) {
    return Ask(m_system, &msxml::ISAXAttributes::getURI, index, uri, uriLength);
}
HRESULT AttributesView::getLocalName(int index, const char16_t** localName, int* length) {
    return Ask(m_system, &msxml::ISAXAttributes::getLocalName, index, localName, length);
}
HRESULT AttributesView::getQName(int index, const char16_t** qName, int* qNameLength) {
    return Ask(m_system, &msxml::ISAXAttributes::getQName, index, qName, qNameLength);
}
HRESULT AttributesView::getName(int index, const char16_t** uri, int* uriLength,
                                const char16_t** localName, int* localNameLength,
                                const char16_t** qName, int* qNameLength) {
    return Ask(m_system, &msxml::ISAXAttributes::getName, index, uri, uriLength, localName,
               localNameLength, qName, qNameLength);
}
HRESULT AttributesView::getIndexFromName(const char16_t* uri, int uriLength,
                                         const char16_t* localName, int localNameLength,
                                         int* index) {
    return Ask(m_system, &msxml::ISAXAttributes::getIndexFromName, uri, uriLength, localName,
               localNameLength, index);
}
HRESULT AttributesView::getIndexFromQName(const char16_t* qName, int qNameLength, int* index) {
    return Ask(m_system, &msxml::ISAXAttributes::getIndexFromQName, qName, qNameLength, index);
}
HRESULT AttributesView::getValue(int index, const char16_t** value, int* valueLength) {
    return Ask(m_system, &msxml::ISAXAttributes::getValue, index, value, valueLength);
}
HRESULT AttributesView::getValueFromName(const char16_t* uri, int uriLength,
                                         const char16_t* localName, int localNameLength,
                                         const char16_t** value, int* valueLength) {
    return Ask(m_system, &msxml::ISAXAttributes::getValueFromName, uri, uriLength, localName,
               localNameLength, value, valueLength);
}
HRESULT AttributesView::getValueFromQName(const char16_t* qName, int qNameLength,
                                          const char16_t** value, int* valueLength) {
    return Ask(m_system, &msxml::ISAXAttributes::getValueFromQName, qName, qNameLength, value,
               valueLength);
}

HRESULT LocatorView::getColumnNumber(int* column) {
    if (m_system == nullptr && column != nullptr) {
        *column = 0;
        return S_OK;
    }
    return Ask(m_system, &msxml::ISAXLocator::getColumnNumber, column);
}
HRESULT LocatorView::getLineNumber(int* line) {
    if (m_system == nullptr && line != nullptr) {
        *line = 0;
        return S_OK;
    }
    return Ask(m_system, &msxml::ISAXLocator::getLineNumber, line);
}
HRESULT LocatorView::getPublicId(const char16_t** publicId) {
    if (m_system == nullptr && publicId != nullptr) {
        *publicId = nullptr;
        return S_OK;
    }
    return Ask(m_system, &msxml::ISAXLocator::getPublicId, publicId);
}
HRESULT LocatorView::getSystemId(const char16_t** systemId) {
    if (m_system == nullptr && systemId != nullptr) {
        *systemId = nullptr;
        return S_OK;
    }
    return Ask(m_system, &msxml::ISAXLocator::getSystemId, systemId);
}

MsxmlEvents::MsxmlEvents(::IUnknown* owner) : m_attributes(owner), m_locator(owner) {}

void MsxmlEvents::SetContentHandler(::ISAXContentHandler* handler) {
    m_content = ComPtr<::ISAXContentHandler>(handler);
}
void MsxmlEvents::SetErrorHandler(::ISAXErrorHandler* handler) {
    m_errors = ComPtr<::ISAXErrorHandler>(handler);
}

void MsxmlEvents::StartRun() {
    m_depth = 0;
    m_runLength = 0;
    m_failure = S_OK;
    m_reported = false;
    m_exception = nullptr;
    m_locator.Show(nullptr);
}

HRESULT MsxmlEvents::EndRun(HRESULT parseResult) {
    m_locator.Show(nullptr);
    m_attributes.Show(nullptr);
    if (m_exception) {
        std::rethrow_exception(std::exchange(m_exception, nullptr));
    }
    // MSXML passes a handler's failure on as it likes; the failure itself is the result.
    const HRESULT result = FAILED(m_failure) ? m_failure : parseResult;
    if (FAILED(result) && !m_reported) {
        Report(result, u"The document cannot be read.");
    }
    return result;
}

HRESULT MsxmlEvents::Report(HRESULT code, const char16_t* message) {
    m_reported = true;
    if (m_errors) {
        m_errors->fatalError(&m_locator, message, code);
    }
    return code;
}

HRESULT MsxmlEvents::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_ISAXContentHandler) {
        *object = static_cast<msxml::ISAXContentHandler*>(this);
    } else if (iid == IID_ISAXErrorHandler) {
        *object = static_cast<msxml::ISAXErrorHandler*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}
ULONG MsxmlEvents::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_refs));
}
ULONG MsxmlEvents::Release() {
    const long left = InterlockedDecrement(&m_refs);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

template <class Call>
HRESULT MsxmlEvents::Forward(Call&& call) noexcept {
    if (FAILED(m_failure)) {
        return m_failure;  // MSXML may deliver an event or two after a stop
    }
    try {
        const HRESULT hr = call();
        return FAILED(hr) ? Stop(hr) : hr;
    } catch (...) {
        m_exception = std::current_exception();
        return Stop(E_FAIL);
    }
}

HRESULT MsxmlEvents::Stop(HRESULT code) {
    m_failure = code;
    return code;
}

// One attribute value, or one run of character data, within kSaxMaxValueLength units.
bool MsxmlEvents::CheckValue(int length) {
    return length >= 0 && length <= kSaxMaxValueLength;
}

HRESULT MsxmlEvents::putDocumentLocator(msxml::ISAXLocator* locator) {
    m_locator.Show(locator);
    return Forward([&] { return m_content ? m_content->putDocumentLocator(&m_locator) : S_OK; });
}

HRESULT MsxmlEvents::startDocument() {
    return Forward([&] { return m_content ? m_content->startDocument() : S_OK; });
}

HRESULT MsxmlEvents::endDocument() {
    return Forward([&] { return m_content ? m_content->endDocument() : S_OK; });
}

HRESULT MsxmlEvents::startPrefixMapping(const char16_t* prefix, int prefixLength,
                                        const char16_t* uri, int uriLength) {
    return Forward([&] {
        if (!CheckValue(uriLength)) {
            return SAX_E_VALUE_TOO_LONG;
        }
        return m_content ? m_content->startPrefixMapping(prefix, prefixLength, uri, uriLength)
                         : S_OK;
    });
}

HRESULT MsxmlEvents::endPrefixMapping(const char16_t* prefix, int prefixLength) {
    return Forward(
        [&] { return m_content ? m_content->endPrefixMapping(prefix, prefixLength) : S_OK; });
}

HRESULT MsxmlEvents::startElement(const char16_t* namespaceUri, int namespaceUriLength,
                                  const char16_t* localName, int localNameLength,
                                  const char16_t* qName, int qNameLength,
                                  msxml::ISAXAttributes* attributes) {
    return Forward([&] {
        if (++m_depth > kSaxMaxElementDepth) {
            return SAX_E_TOO_DEEP;
        }
        m_runLength = 0;
        m_attributes.Show(attributes);
        int count = 0;
        HRESULT hr = m_attributes.getLength(&count);
        if (FAILED(hr)) {
            return hr;
        }
        if (static_cast<size_t>(count) > kSaxMaxAttributes) {
            return SAX_E_TOO_MANY_ATTRIBUTES;
        }
        for (int i = 0; i < count; ++i) {
            const char16_t* value = nullptr;
            int length = 0;
            hr = m_attributes.getValue(i, &value, &length);
            if (FAILED(hr)) {
                return hr;
            }
            if (!CheckValue(length)) {
                return SAX_E_VALUE_TOO_LONG;
            }
        }
        if (!m_content) {
            return S_OK;
        }
        hr = m_content->startElement(namespaceUri, namespaceUriLength, localName, localNameLength,
                                     qName, qNameLength, &m_attributes);
        m_attributes.Show(nullptr);
        return hr;
    });
}

HRESULT MsxmlEvents::endElement(const char16_t* namespaceUri, int namespaceUriLength,
                                const char16_t* localName, int localNameLength,
                                const char16_t* qName, int qNameLength) {
    --m_depth;
    m_runLength = 0;
    return Forward([&] {
        return m_content ? m_content->endElement(namespaceUri, namespaceUriLength, localName,
                                                 localNameLength, qName, qNameLength)
                         : S_OK;
    });
}

HRESULT MsxmlEvents::characters(const char16_t* chars, int length) {
    return Forward([&] {
        m_runLength += static_cast<size_t>(length < 0 ? 0 : length);
        if (m_runLength > static_cast<size_t>(kSaxMaxValueLength)) {
            return SAX_E_VALUE_TOO_LONG;
        }
        return m_content ? m_content->characters(chars, length) : S_OK;
    });
}

// MSXML reports whitespace it may ignore only where a DTD says so; it is still character data.
HRESULT MsxmlEvents::ignorableWhitespace(const char16_t* chars, int length) {
    return Forward(
        [&] { return m_content ? m_content->ignorableWhitespace(chars, length) : S_OK; });
}

HRESULT MsxmlEvents::processingInstruction(const char16_t* target, int targetLength,
                                           const char16_t* data, int dataLength) {
    return Forward([&] {
        return m_content ? m_content->processingInstruction(target, targetLength, data, dataLength)
                         : S_OK;
    });
}

HRESULT MsxmlEvents::skippedEntity(const char16_t* name, int nameLength) {
    return Forward([&] { return m_content ? m_content->skippedEntity(name, nameLength) : S_OK; });
}

HRESULT MsxmlEvents::error(msxml::ISAXLocator* locator, const char16_t* message, HRESULT code) {
    m_locator.Show(locator);
    return Forward([&] { return m_errors ? m_errors->error(&m_locator, message, code) : S_OK; });
}

// A failure of ours stopped the parse: the error handler hears of that failure, not of MSXML's
// report of it.
HRESULT MsxmlEvents::fatalError(msxml::ISAXLocator* locator, const char16_t* message,
                                HRESULT code) {
    m_locator.Show(locator);
    const HRESULT reported = FAILED(m_failure) ? m_failure : code;
    m_reported = true;
    if (m_exception || !m_errors) {
        return S_OK;
    }
    try {
        m_errors->fatalError(&m_locator, message, reported);
    } catch (...) {
        m_exception = std::current_exception();
    }
    return S_OK;
}

HRESULT MsxmlEvents::ignorableWarning(msxml::ISAXLocator* locator, const char16_t* message,
                                      HRESULT code) {
    m_locator.Show(locator);
    return Forward(
        [&] { return m_errors ? m_errors->ignorableWarning(&m_locator, message, code) : S_OK; });
}

}  // namespace platform::win32
