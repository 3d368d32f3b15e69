// sax_content_handler_impl.cpp - the do-nothing content handler.
#include "zev/sax_content_handler_impl.h"

HRESULT SAXContentHandlerImpl::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_ISAXContentHandler) {
        *object = static_cast<ISAXContentHandler*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG SAXContentHandlerImpl::AddRef() {
    return static_cast<ULONG>(++m_nRefCount);
}

ULONG SAXContentHandlerImpl::Release() {
    if (--m_nRefCount == 0) {
        delete this;
        return 0;
    }
    return static_cast<ULONG>(m_nRefCount);
}

HRESULT SAXContentHandlerImpl::putDocumentLocator(ISAXLocator* /*locator*/) {
    return S_OK;
}
HRESULT SAXContentHandlerImpl::startDocument() {
    return S_OK;
}
HRESULT SAXContentHandlerImpl::endDocument() {
    return S_OK;
}
HRESULT SAXContentHandlerImpl::startPrefixMapping(const char16_t*, int, const char16_t*, int) {
    return S_OK;
}
HRESULT SAXContentHandlerImpl::endPrefixMapping(const char16_t*, int) {
    return S_OK;
}
HRESULT SAXContentHandlerImpl::startElement(const char16_t*, int, const char16_t*, int,
                                            const char16_t*, int, ISAXAttributes*) {
    return S_OK;
}
HRESULT SAXContentHandlerImpl::endElement(const char16_t*, int, const char16_t*, int,
                                          const char16_t*, int) {
    return S_OK;
}
HRESULT SAXContentHandlerImpl::characters(const char16_t*, int) {
    return S_OK;
}
HRESULT SAXContentHandlerImpl::ignorableWhitespace(const char16_t*, int) {
    return S_OK;
}
HRESULT SAXContentHandlerImpl::processingInstruction(const char16_t*, int, const char16_t*, int) {
    return S_OK;
}
HRESULT SAXContentHandlerImpl::skippedEntity(const char16_t*, int) {
    return S_OK;
}
