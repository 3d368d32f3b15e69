// error_handler.cpp - zev::CErrorHandler.
#include "zev/error_handler.h"

namespace zev {
namespace {

// Reads what a report would show; nothing is recorded or printed.
void ReadPosition(ISAXLocator* locator) {
    if (locator == nullptr) {
        return;
    }
    int line = 0;
    int column = 0;
    const char16_t* publicId = nullptr;
    const char16_t* systemId = nullptr;
    locator->getLineNumber(&line);
    locator->getColumnNumber(&column);
    locator->getPublicId(&publicId);
    locator->getSystemId(&systemId);
}

}  // namespace

HRESULT CErrorHandler::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_ISAXErrorHandler) {
        *object = static_cast<ISAXErrorHandler*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CErrorHandler::AddRef() {
    return static_cast<ULONG>(++m_nRefCount);
}

ULONG CErrorHandler::Release() {
    if (--m_nRefCount == 0) {
        delete this;
        return 0;
    }
    return static_cast<ULONG>(m_nRefCount);
}

HRESULT CErrorHandler::error(ISAXLocator* locator, const char16_t*, HRESULT) {
    ReadPosition(locator);
    return S_OK;
}

HRESULT CErrorHandler::fatalError(ISAXLocator* locator, const char16_t*, HRESULT) {
    ReadPosition(locator);
    return S_OK;
}

HRESULT CErrorHandler::ignorableWarning(ISAXLocator*, const char16_t*, HRESULT) {
    return S_OK;
}

}  // namespace zev
