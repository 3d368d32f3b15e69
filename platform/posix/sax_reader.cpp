// sax_reader.cpp - POSIX: the SAX2 reader object (CLSID_SAXXMLReader) over expat, its three ways
// in (UTF-16 text, a file, UTF-8 text), and CoCreateInstance.
#include <cerrno>
#include <cstdio>
#include <new>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/posix/sax_parse_run.h"
#include "platform/sax.h"
#include "platform/sax_reader_object.h"

namespace platform::posix {
namespace {

// Decides whether a file's bytes are UTF-16 (by its byte-order mark or its first "<"), and if so
// whether they hold an unpaired surrogate, which expat would decode into a wrong character.
bool HasUnpairedSurrogateIfUtf16(const std::string& bytes) {
    if (bytes.size() < 2) {
        return false;
    }
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    bool little = false;
    if ((b0 == 0xFF && b1 == 0xFE) || (b0 == '<' && b1 == 0)) {
        little = true;
    } else if (!((b0 == 0xFE && b1 == 0xFF) || (b0 == 0 && b1 == '<'))) {
        return false;
    }
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
        const auto lo = static_cast<unsigned char>(bytes[2 * i + (little ? 0 : 1)]);
        const auto hi = static_cast<unsigned char>(bytes[2 * i + (little ? 1 : 0)]);
        units[i] = static_cast<char16_t>(hi << 8 | lo);
    }
    return FindUnpairedSurrogate(units) != std::u16string::npos;
}

HRESULT ReadWholeFile(const std::string& path, std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return errno == ENOENT || errno == ENOTDIR ? E_FILE_NOT_FOUND
               : errno == EACCES                   ? E_ACCESS_DENIED
                                                   : E_FAIL;
    }
    HRESULT hr = S_OK;
    char chunk[65536];
    try {
        for (;;) {
            const size_t n = std::fread(chunk, 1, sizeof chunk, file);
            if (n == 0) {
                hr = std::ferror(file) ? E_FAIL : S_OK;
                break;
            }
            if (bytes.size() + n > static_cast<size_t>(kSaxMaxDocumentBytes)) {
                hr = SAX_E_DOCUMENT_TOO_LARGE;
                break;
            }
            bytes.append(chunk, n);
        }
    } catch (...) {
        std::fclose(file);
        throw;
    }
    std::fclose(file);
    return hr;
}

class ExpatReader final : public SaxReaderObject<ExpatReader> {
  public:
    HRESULT Create() { return S_OK; }

    HRESULT getContentHandler(ISAXContentHandler** handler) override {
        return HandOut(m_content.get(), handler);
    }
    HRESULT putContentHandler(ISAXContentHandler* handler) override {
        m_content = ComPtr<ISAXContentHandler>(handler);
        return S_OK;
    }
    HRESULT getErrorHandler(ISAXErrorHandler** handler) override {
        return HandOut(m_errors.get(), handler);
    }
    HRESULT putErrorHandler(ISAXErrorHandler* handler) override {
        m_errors = ComPtr<ISAXErrorHandler>(handler);
        return S_OK;
    }

    HRESULT parse(VARIANT input) override {
        if (input.vt != VT_BSTR) {
            return E_INVALIDARG;
        }
        return Run(std::u16string(), [&](ParseRun& run) {
            const std::u16string_view text(input.bstrVal == nullptr ? u"" : input.bstrVal,
                                           SysStringLen(input.bstrVal));
            const HRESULT hr = run.Create("UTF-8");
            if (FAILED(hr)) {
                return hr;
            }
            if (FindUnpairedSurrogate(text) != std::u16string_view::npos) {
                return run.Report(SAX_E_UNPAIRED_SURROGATE,
                                  u"The text holds an unpaired surrogate.");
            }
            if (text.size() * sizeof(char16_t) > static_cast<size_t>(kSaxMaxDocumentBytes)) {
                return run.Report(SAX_E_DOCUMENT_TOO_LARGE, u"The document is too large.");
            }
            // Read as the same text in UTF-8, which expat reads fastest and which the handlers'
            // events come from anyway: the events are those of the UTF-16 text.
            const std::string utf8 = WideToUtf8(text);
            return run.Parse(utf8.data(), utf8.size());
        });
    }

    HRESULT parseURL(const char16_t* url) override {
        if (url == nullptr) {
            return E_POINTER;
        }
        return Run(url, [&](ParseRun& run) {
            std::string path = WideToUtf8(url);
            if (path.rfind("file://", 0) == 0) {
                path.erase(0, 7);
            }
            HRESULT hr = run.Create(nullptr);
            if (FAILED(hr)) {
                return hr;
            }
            std::string bytes;
            hr = ReadWholeFile(path, bytes);
            if (FAILED(hr)) {
                return run.Report(hr, u"The file cannot be read.");
            }
            if (HasUnpairedSurrogateIfUtf16(bytes)) {
                return run.Report(SAX_E_UNPAIRED_SURROGATE,
                                  u"The text holds an unpaired surrogate.");
            }
            return run.Parse(bytes.data(), bytes.size());
        });
    }

    HRESULT parseUtf8(const char* text, size_t length) override {
        if (text == nullptr && length != 0) {
            return E_POINTER;
        }
        return Run(std::u16string(), [&](ParseRun& run) {
            const HRESULT hr = run.Create("UTF-8");
            if (FAILED(hr)) {
                return hr;
            }
            return run.Parse(text == nullptr ? "" : text, length);
        });
    }

  private:
    struct Busy {
        explicit Busy(bool& flag) : m_flag(flag) { m_flag = true; }
        ~Busy() { m_flag = false; }
        bool& m_flag;
    };

    // One parse: a parse started from inside another is refused, and the handlers stay alive for
    // the whole parse even if one of them is replaced meanwhile.
    template <class Body>
    HRESULT Run(std::u16string url, Body&& body) {
        if (m_parsing) {
            return SAX_E_BUSY;
        }
        Busy busy(m_parsing);
        const ComPtr<ISAXContentHandler> content = m_content;
        const ComPtr<ISAXErrorHandler> errors = m_errors;
        ParseRun run(this, content.get(), errors.get(), std::move(url));
        return body(run);
    }

    ComPtr<ISAXContentHandler> m_content;
    ComPtr<ISAXErrorHandler> m_errors;
    bool m_parsing = false;
};

}  // namespace
}  // namespace platform::posix

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, uint32_t /*classContext*/, REFIID iid,
                         void** object) {
    return platform::posix::ExpatReader::CreateInstance(clsid, outer, iid, object);
}
