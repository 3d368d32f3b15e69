// parser.cpp - zev::CParser: builds the element tree from the reader's events.
#include "zev/parser.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

namespace zev {
namespace {

std::u16string Copy(const char16_t* text, int length) {
    return text == nullptr || length <= 0 ? std::u16string()
                                          : std::u16string(text, static_cast<size_t>(length));
}

}  // namespace

CParser::~CParser() {
    ReleaseObject(m_pRoot);
    if (m_pLocator != nullptr) {
        m_pLocator->Release();
    }
    PopAll();
}

void CParser::PopAll() {
    while (!m_Stack.empty()) {
        CElement* element = m_Stack.back();
        m_Stack.pop_back();
        element->Release();
    }
}

HRESULT CParser::startDocument() {
    m_nState = kDocumentStarted;
    ReleaseObject(std::exchange(m_pRoot, nullptr));
    return S_OK;
}

HRESULT CParser::endDocument() {
    m_nState = kDocumentEnded;
    PopAll();
    return S_OK;
}

HRESULT CParser::startElement(const char16_t* /*namespaceUri*/, int /*namespaceUriLength*/,
                              const char16_t* localName, int localNameLength, const char16_t* qName,
                              int qNameLength, ISAXAttributes* attributes) {
    m_nState = kElementStarted;
    const std::u16string name = Copy(localName, localNameLength);
    ObjectRef<CElement> element(new (std::nothrow) CElement(name));
    if (!element) {
        return kCannotCreate;
    }
    element->SetQualifiedName(Copy(qName, qNameLength));

    int count = 0;
    if (attributes != nullptr) {
        const HRESULT hr = attributes->getLength(&count);
        if (FAILED(hr)) {
            return hr;
        }
    }
    // Sorted first, so that each SetAttribute appends: an element with a great many attributes
    // in any order costs n log n, not n squared.
    std::vector<std::pair<std::u16string, std::u16string>> pairs;
    pairs.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const char16_t* uri = nullptr;
        const char16_t* local = nullptr;
        const char16_t* qualified = nullptr;
        const char16_t* value = nullptr;
        int uriLength = 0;
        int localLength = 0;
        int qualifiedLength = 0;
        int valueLength = 0;
        HRESULT hr = attributes->getName(i, &uri, &uriLength, &local, &localLength, &qualified,
                                         &qualifiedLength);
        if (SUCCEEDED(hr)) {
            hr = attributes->getLocalName(i, &local, &localLength);
        }
        if (SUCCEEDED(hr)) {
            hr = attributes->getValue(i, &value, &valueLength);
        }
        if (FAILED(hr)) {
            return hr;
        }
        pairs.emplace_back(Copy(qualified, qualifiedLength), Copy(value, valueLength));
    }
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [key, value] : pairs) {
        const HRESULT hr = element->SetAttribute(key, value);
        if (FAILED(hr)) {
            return hr;
        }
    }

    HRESULT hr = S_OK;
    if (m_Stack.empty()) {
        if (m_pRoot != nullptr) {
            hr = kStructureRefused;  // a second top-level element
        } else {
            m_pRoot = element.get();
            m_pRoot->AddRef();
        }
    } else {
        hr = m_Stack.back()->AppendChild(element.get());
    }
    if (SUCCEEDED(hr)) {
        m_Stack.push_back(element.get());
        element->AddRef();
    }
    return hr;
}

HRESULT CParser::endElement(const char16_t* /*namespaceUri*/, int /*namespaceUriLength*/,
                            const char16_t* localName, int localNameLength,
                            const char16_t* /*qName*/, int /*qNameLength*/) {
    m_nState = kElementEnded;
    if (m_Stack.empty() || m_Stack.back()->name() != Copy(localName, localNameLength)) {
        return kStructureRefused;
    }
    CElement* element = m_Stack.back();
    m_Stack.pop_back();
    element->Release();
    return S_OK;
}

HRESULT CParser::characters(const char16_t* chars, int length) {
    if (m_Stack.empty()) {
        return kStructureRefused;
    }
    const bool continuing = m_nState == kCharacters;
    m_nState = kCharacters;
    const std::u16string text = Copy(chars, length);
    if (continuing) {
        m_Stack.back()->AppendText(text);
    } else {
        m_Stack.back()->SetText(text);
    }
    return S_OK;
}

}  // namespace zev
