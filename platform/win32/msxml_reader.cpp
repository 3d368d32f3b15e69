// msxml_reader.cpp - Windows: the platform's SAX2 reader is the system's MSXML 3.0 reader,
// created through CoCreateInstance and driven through MsxmlEvents. The object here adds what
// sax.h promises beyond MSXML: namespace declarations among the attributes, no external entity
// ever loaded, the limits, UTF-8 input, and COM on a thread whose host has not started it.
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "platform/bstr.h"
#include "platform/codepage.h"
#include "platform/sax.h"
#include "platform/sax_reader_object.h"
#include "platform/win32/msxml.h"
#include "platform/win32/msxml_events.h"

namespace platform::win32 {
namespace {

constexpr HRESULT kChangedMode = MakeHresult(0x80010106);  // RPC_E_CHANGED_MODE

// Holds one reference to a system COM object.
template <class T>
struct SystemRef {
    T* p = nullptr;
    SystemRef() = default;
    SystemRef(const SystemRef&) = delete;
    SystemRef& operator=(const SystemRef&) = delete;
    ~SystemRef() { Reset(); }
    void Reset() {
        if (p != nullptr) {
            std::exchange(p, nullptr)->Release();
        }
    }
};

class MsxmlReader final : public SaxReaderObject<MsxmlReader> {
  public:
    // COM is started on this thread for the reader's life when the host has not started it (a
    // plug-in may not assume it has, and must undo only what it did itself).
    MsxmlReader() {
        const HRESULT hr = msxml::CoInitializeEx(nullptr, msxml::kCoinitApartmentThreaded);
        m_uninitialize = SUCCEEDED(hr);                    // S_OK and S_FALSE both count
        m_comReady = SUCCEEDED(hr) || hr == kChangedMode;  // kChangedMode: started otherwise
    }
    ~MsxmlReader() {
        if (m_events != nullptr) {
            // The platform's handlers go when the reader goes, however long MSXML keeps ours.
            m_events->SetContentHandler(nullptr);
            m_events->SetErrorHandler(nullptr);
            m_events->Release();
        }
        m_system.Reset();
        if (m_uninitialize) {
            msxml::CoUninitialize();
        }
    }

    HRESULT Create() {
        if (!m_comReady) {
            return CO_E_NOTINITIALIZED_HR;
        }
        HRESULT hr =
            msxml::CoCreateInstance(CLSID_SAXXMLReader, nullptr, CLSCTX_ALL, IID_ISAXXMLReader,
                                    reinterpret_cast<void**>(&m_system.p));
        if (FAILED(hr)) {
            return hr;
        }
        m_events = new (std::nothrow) MsxmlEvents(this);
        if (m_events == nullptr) {
            return E_OUTOFMEMORY;
        }
        hr = m_system.p->putContentHandler(m_events);
        if (SUCCEEDED(hr)) {
            hr = m_system.p->putErrorHandler(m_events);
        }
        // What sax.h promises: namespaces on, their declarations among the attributes, and
        // nothing loaded from outside the text.
        for (const auto& [name, on] :
             {std::pair{kSaxFeatureNamespaces, true}, std::pair{kSaxFeatureNamespacePrefixes, true},
              std::pair{msxml::kFeatureExternalGeneralEntities, false},
              std::pair{msxml::kFeatureExternalParameterEntities, false}}) {
            if (SUCCEEDED(hr)) {
                hr = m_system.p->putFeature(name, on ? msxml::kVariantTrue : msxml::kVariantFalse);
            }
        }
        return hr;
    }

    HRESULT getContentHandler(ISAXContentHandler** handler) override {
        return HandOut(m_events->contentHandler(), handler);
    }
    HRESULT putContentHandler(ISAXContentHandler* handler) override {
        m_events->SetContentHandler(handler);
        return S_OK;
    }
    HRESULT getErrorHandler(ISAXErrorHandler** handler) override {
        return HandOut(m_events->errorHandler(), handler);
    }
    HRESULT putErrorHandler(ISAXErrorHandler* handler) override {
        m_events->SetErrorHandler(handler);
        return S_OK;
    }

    HRESULT parse(VARIANT input) override {
        if (input.vt != VT_BSTR) {
            return E_INVALIDARG;
        }
        // The platform's BSTRs are oleaut32's: the text goes to MSXML as it is.
        return ParseText(input.bstrVal);
    }

    HRESULT parseURL(const char16_t* url) override {
        if (url == nullptr) {
            return E_POINTER;
        }
        return Run([&] { return m_system.p->parseURL(url); });
    }

    HRESULT parseUtf8(const char* text, size_t length) override {
        if (text == nullptr && length != 0) {
            return E_POINTER;
        }
        if (length > static_cast<size_t>(kSaxMaxDocumentBytes)) {
            return Refuse(SAX_E_DOCUMENT_TOO_LARGE, u"The document is too large.");
        }
        std::u16string wide;
        uint32_t error = 0;
        if (!Utf8ToUtf16Strict(text, length, wide, &error)) {
            return Refuse(SAX_E_INVALID_UTF8, u"The text is not well-formed UTF-8.");
        }
        BSTR copy = AllocBstrOrThrow(wide.data(), static_cast<unsigned int>(wide.size()));
        wide = std::u16string();
        const HRESULT hr = ParseText(copy);
        SysFreeString(copy);
        return hr;
    }

  private:
    HRESULT ParseText(BSTR text) {
        const std::u16string_view view(text == nullptr ? u"" : text, SysStringLen(text));
        if (view.size() * sizeof(char16_t) > static_cast<size_t>(kSaxMaxDocumentBytes)) {
            return Refuse(SAX_E_DOCUMENT_TOO_LARGE, u"The document is too large.");
        }
        if (FindUnpairedSurrogate(view) != std::u16string_view::npos) {
            return Refuse(SAX_E_UNPAIRED_SURROGATE, u"The text holds an unpaired surrogate.");
        }
        // A byte-order mark, or an encoding named in the XML declaration, means nothing in text
        // that is already UTF-16, but some MSXML versions (wine's) act on them: they go.
        std::u16string plain;
        if (NeedsPlainDeclaration(view)) {
            plain = PlainDeclaration(view);
        }
        BSTR owned = plain.empty()
                         ? nullptr
                         : AllocBstrOrThrow(plain.data(), static_cast<unsigned int>(plain.size()));
        msxml::Variant input;
        input.vt = VT_BSTR;
        input.bstrVal = owned != nullptr ? owned : text;
        struct Free {
            BSTR b;
            ~Free() { SysFreeString(b); }
        } free{owned};
        return Run([&] { return m_system.p->parse(input); });
    }

    static bool NeedsPlainDeclaration(std::u16string_view text) {
        return (!text.empty() && text[0] == u'\uFEFF') || DeclaredEncoding(text).second != 0;
    }

    // Where the XML declaration's encoding value stands (offset, length), or (0, 0).
    static std::pair<size_t, size_t> DeclaredEncoding(std::u16string_view text) {
        const size_t start = !text.empty() && text[0] == u'\uFEFF' ? 1 : 0;
        if (text.substr(start, 6) != u"<?xml ") {
            return {0, 0};
        }
        const size_t end = text.find(u"?>", start);
        const size_t name = text.substr(0, end).find(u"encoding", start);
        if (end == std::u16string_view::npos || name == std::u16string_view::npos) {
            return {0, 0};
        }
        const size_t open = text.find_first_of(u"'\"", name);
        const size_t close = open < end ? text.find(text[open], open + 1) : end;
        return close < end ? std::pair{open + 1, close - open - 1}
                           : std::pair<size_t, size_t>{0, 0};
    }

    static std::u16string PlainDeclaration(std::u16string_view text) {
        const auto [at, length] = DeclaredEncoding(text);
        std::u16string plain(text);
        if (length != 0) {
            plain.replace(at, length, u"UTF-16");
        }
        if (!plain.empty() && plain[0] == u'\uFEFF') {
            plain.erase(0, 1);
        }
        return plain;
    }

    // One parse: a parse started from inside another is refused, and the handlers stay alive
    // for the whole parse even if one of them is replaced meanwhile.
    template <class Body>
    HRESULT Run(Body&& body) {
        if (m_parsing) {
            return SAX_E_BUSY;
        }
        m_parsing = true;
        const ComPtr<ISAXContentHandler> content(m_events->contentHandler());
        const ComPtr<ISAXErrorHandler> errors(m_events->errorHandler());
        m_events->StartRun();
        const HRESULT hr = body();
        m_parsing = false;
        return m_events->EndRun(hr);
    }

    HRESULT Refuse(HRESULT code, const char16_t* message) {
        if (m_parsing) {
            return SAX_E_BUSY;
        }
        m_events->StartRun();
        return m_events->Report(code, message);
    }

    static constexpr HRESULT CO_E_NOTINITIALIZED_HR = MakeHresult(0x800401F0);

    SystemRef<msxml::ISAXXMLReader> m_system;
    MsxmlEvents* m_events = nullptr;
    bool m_uninitialize = false;
    bool m_comReady = false;
    bool m_parsing = false;
};

}  // namespace
}  // namespace platform::win32

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, uint32_t /*classContext*/, REFIID iid,
                         void** object) {
    return platform::win32::MsxmlReader::CreateInstance(clsid, outer, iid, object);
}
