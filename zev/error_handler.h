// error_handler.h - zev::CErrorHandler: the parser's error handler, which accepts every report.
#pragma once

#include "platform/sax.h"

namespace zev {

class CErrorHandler : public ISAXErrorHandler {
  public:
    CErrorHandler() = default;
    CErrorHandler(const CErrorHandler&) = delete;
    CErrorHandler& operator=(const CErrorHandler&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;   // the count starts at 1
    ULONG Release() override;  // deletes the handler at 0

    // Read the position from the locator and return S_OK; the reader decides whether to go on.
    HRESULT error(ISAXLocator* locator, const char16_t* message, HRESULT code) override;
    HRESULT fatalError(ISAXLocator* locator, const char16_t* message, HRESULT code) override;
    HRESULT ignorableWarning(ISAXLocator* locator, const char16_t* message, HRESULT code) override;

    virtual ~CErrorHandler() = default;

  private:
    long m_nRefCount = 1;
};

}  // namespace zev
