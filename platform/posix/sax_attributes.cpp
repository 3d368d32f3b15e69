// sax_attributes.cpp - the attribute list as ISAXAttributes shows it.
#include "platform/posix/sax_attributes.h"

#include <string_view>

#include "platform/codepage.h"

namespace platform::posix {

HRESULT SaxAttributes::getLength(int* length) {
    if (length == nullptr) {
        return E_POINTER;
    }
    *length = static_cast<int>(m_list.size());
    return S_OK;
}
HRESULT SaxAttributes::getURI(int index, const char16_t** uri, int* uriLength) {
    return Field(index, &Attribute::uri, uri, uriLength);
}
HRESULT SaxAttributes::getLocalName(int index, const char16_t** localName, int* localNameLength) {
    return Field(index, &Attribute::localName, localName, localNameLength);
}
HRESULT SaxAttributes::getQName(int index, const char16_t** qName, int* qNameLength) {
    return Field(index, &Attribute::qName, qName, qNameLength);
}
HRESULT SaxAttributes::getName(int index, const char16_t** uri, int* uriLength,
                               const char16_t** localName, int* localNameLength,
                               const char16_t** qName, int* qNameLength) {
    HRESULT hr = Field(index, &Attribute::uri, uri, uriLength);
    if (SUCCEEDED(hr)) {
        hr = Field(index, &Attribute::localName, localName, localNameLength);
    }
    if (SUCCEEDED(hr)) {
        hr = Field(index, &Attribute::qName, qName, qNameLength);
    }
    return hr;
}
HRESULT SaxAttributes::getIndexFromName(const char16_t* uri, int uriLength,
                                        const char16_t* localName, int localNameLength,
                                        int* index) {
    if (index == nullptr || (uri == nullptr && uriLength != 0) ||
        (localName == nullptr && localNameLength != 0) || uriLength < 0 || localNameLength < 0) {
        return E_POINTER;
    }
    const std::u16string_view u(uri == nullptr ? u"" : uri, static_cast<size_t>(uriLength));
    const std::u16string_view l(localName == nullptr ? u"" : localName,
                                static_cast<size_t>(localNameLength));
    for (size_t i = 0; i < m_list.size(); ++i) {
        if (m_list[i].uri.view() == u && m_list[i].localName.view() == l) {
            *index = static_cast<int>(i);
            return S_OK;
        }
    }
    *index = -1;
    return E_INVALIDARG;
}
HRESULT SaxAttributes::getIndexFromQName(const char16_t* qName, int qNameLength, int* index) {
    if (index == nullptr || (qName == nullptr && qNameLength != 0) || qNameLength < 0) {
        return E_POINTER;
    }
    const std::u16string_view q(qName == nullptr ? u"" : qName, static_cast<size_t>(qNameLength));
    for (size_t i = 0; i < m_list.size(); ++i) {
        if (m_list[i].qName.view() == q) {
            *index = static_cast<int>(i);
            return S_OK;
        }
    }
    *index = -1;
    return E_INVALIDARG;
}
HRESULT SaxAttributes::getValue(int index, const char16_t** value, int* valueLength) {
    return Field(index, &Attribute::value, value, valueLength);
}
HRESULT SaxAttributes::getValueFromName(const char16_t* uri, int uriLength,
                                        const char16_t* localName, int localNameLength,
                                        const char16_t** value, int* valueLength) {
    int index = -1;
    const HRESULT hr = getIndexFromName(uri, uriLength, localName, localNameLength, &index);
    return FAILED(hr) ? hr : getValue(index, value, valueLength);
}
HRESULT SaxAttributes::getValueFromQName(const char16_t* qName, int qNameLength,
                                         const char16_t** value, int* valueLength) {
    int index = -1;
    const HRESULT hr = getIndexFromQName(qName, qNameLength, &index);
    return FAILED(hr) ? hr : getValue(index, value, valueLength);
}

HRESULT SaxAttributes::Field(int index, WideText Attribute::*field, const char16_t** text,
                             int* length) const {
    if (text == nullptr || length == nullptr) {
        return E_POINTER;
    }
    if (index < 0 || static_cast<size_t>(index) >= m_list.size()) {
        return E_INVALIDARG;
    }
    const WideText& s = m_list[static_cast<size_t>(index)].*field;
    *text = s.data();
    *length = s.length();
    return S_OK;
}

}  // namespace platform::posix
