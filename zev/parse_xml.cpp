// parse_xml.cpp - ParseXMLText and ParseXMLURL: a reader, the parser front's handlers, and the
// document element handed to the caller.
#include <string_view>

#include "platform/bstr.h"
#include "platform/sax.h"
#include "zev/error_handler.h"
#include "zev/parser.h"

namespace zev {
namespace {

// Frees a VARIANT's BSTR on every way out, exceptions included.
struct VariantGuard {
    VARIANT value;
    VariantGuard() { VariantInit(&value); }
    ~VariantGuard() { VariantClear(&value); }
    VariantGuard(const VariantGuard&) = delete;
    VariantGuard& operator=(const VariantGuard&) = delete;
};

HRESULT Parse(const char16_t* source, bool isUrl, CElement** document) {
    ComPtr<ISAXXMLReader> reader;
    HRESULT hr = CoCreateInstance(CLSID_SAXXMLReader, nullptr, CLSCTX_ALL, IID_ISAXXMLReader,
                                  reader.PutVoid());
    if (FAILED(hr)) {
        return hr;
    }
    // The parser is born with no reference and lives on the reader's; this call holds one as
    // well, so that it goes on every way out. The error handler is born with its one reference.
    ComPtr<CParser> parser(new CParser());
    ComPtr<CErrorHandler> errors(new CErrorHandler(), false);

    hr = reader->putContentHandler(parser.get());
    if (SUCCEEDED(hr)) {
        hr = reader->putErrorHandler(errors.get());
    }
    if (SUCCEEDED(hr)) {
        VariantGuard input;
        input.value.vt = VT_BSTR;
        input.value.bstrVal = SysAllocString(source);
        if (input.value.bstrVal == nullptr && source != nullptr) {
            return E_OUTOFMEMORY;
        }
        hr = isUrl ? reader->parseURL(input.value.bstrVal) : reader->parse(input.value);
    }

    ObjectRef<CElement> result;
    if (SUCCEEDED(hr) && document != nullptr) {
        result.Reset(new CElement(std::u16string()));
        if (CElement* root = parser->root()) {
            result->AddChild(root, CObject::kLast);
        }
    }
    reader.Reset();  // and with it the reader's reference to the parser
    errors.Reset();
    parser.Reset();
    if (!result) {
        return hr;
    }
    hr = result->Validate();
    if (SUCCEEDED(hr)) {
        *document = result.Detach();
    }
    return hr;
}

// Counts as no text too; GetRulesXML hands it out in place of XML when a scene is missing.
constexpr std::u16string_view kNoTextMarker = u"-1";

}  // namespace

HRESULT ParseXMLText(const char16_t* text, CElement** document) {
    if (text == nullptr || *text == 0 || std::u16string_view(text) == kNoTextMarker) {
        return kNoText;
    }
    return Parse(text, false, document);
}

bool IsAllocationFailure(HRESULT result) {
    return result == E_OUTOFMEMORY || result == kCannotCreate;
}

HRESULT ParseXMLURL(const char16_t* url, CElement** document) {
    return Parse(url, true, document);
}

}  // namespace zev
