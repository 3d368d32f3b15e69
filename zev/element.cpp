// element.cpp - zev::CElement: names, text, attributes, child elements and validation.
#include "zev/element.h"

#include <algorithm>

namespace zev {
namespace {

bool KeyLess(const std::pair<std::u16string, std::u16string>& entry, const std::u16string& key) {
    return entry.first < key;  // char16_t is unsigned: code-unit order
}

}  // namespace

CElement::CElement(const std::u16string& name)
    : CObject(nullptr, RegisterLater()), m_strName(name) {
    EnableNotifications(false);
    RegisterObject(this);
}

CElement::~CElement() {
    // Children go before this element's own fields.
    Dispose();
}

const char16_t* CElement::GetClassName() const {
    return u"CElement";
}

HRESULT CElement::AppendChild(CElement* child) {
    if (child != nullptr) {
        if (CObject* parent = child->GetParent()) {
            parent->RemoveChild(child);
            parent->Release();
        }
    }
    return AddChild(child, kLast) ? S_OK : kStructureRefused;
}

void CElement::SetText(const std::u16string& text) {
    m_strText = text;
}

void CElement::AppendText(const std::u16string& text) {
    m_strText += text;
}

HRESULT CElement::Validate() {
    for (int i = 0;; ++i) {
        ObjectRef<CObject> child(GetChild(i));
        if (!child) {
            return S_OK;
        }
        if (auto* element = dynamic_cast<CElement*>(child.get())) {
            const HRESULT hr = element->Validate();
            if (FAILED(hr)) {
                return hr;
            }
        }
    }
}

HRESULT CElement::SetAttribute(const std::u16string& key, const std::u16string& value) {
    // Keys usually arrive in order (the parser sorts them), so appending is the common case.
    if (m_Attributes.empty() || m_Attributes.back().first < key) {
        m_Attributes.emplace_back(key, value);
        return S_OK;
    }
    const auto it = std::lower_bound(m_Attributes.begin(), m_Attributes.end(), key, KeyLess);
    if (it != m_Attributes.end() && it->first == key) {
        it->second = value;
    } else {
        m_Attributes.emplace(it, key, value);
    }
    return S_OK;
}

HRESULT CElement::GetAttribute(const std::u16string& key, std::u16string& value) const {
    const auto it = std::lower_bound(m_Attributes.begin(), m_Attributes.end(), key, KeyLess);
    if (it == m_Attributes.end() || it->first != key) {
        return kNoAttribute;
    }
    value = it->second;
    return S_OK;
}

HRESULT CElement::GetAttributeAt(int index, std::u16string& key, std::u16string& value) const {
    if (index < 0 || index >= GetAttributeCount()) {
        return kNoAttribute;
    }
    const auto& entry = m_Attributes[static_cast<size_t>(index)];
    key = entry.first;
    value = entry.second;
    return S_OK;
}

CElement* CElement::GetChildElement(int index) {
    ObjectRef<CObject> child(GetChild(index));
    auto* element = dynamic_cast<CElement*>(child.get());
    if (element != nullptr) {
        child.Detach();
    }
    return element;
}

}  // namespace zev
