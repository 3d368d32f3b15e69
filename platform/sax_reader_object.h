// sax_reader_object.h - what both backends' reader objects share: the features (both always on),
// handing out a held handler, and CoCreateInstance's checks around making one.
#pragma once

#include <new>
#include <string_view>

#include "platform/com_object.h"
#include "platform/sax.h"

namespace platform {

template <class Derived>
class SaxReaderObject : public ComObject<Derived, ISAXXMLReader, IID_ISAXXMLReader> {
  public:
    HRESULT getFeature(const char16_t* name, bool* value) override {
        if (name == nullptr || value == nullptr) {
            return E_POINTER;
        }
        if (!IsKnownFeature(name)) {
            return E_INVALIDARG;
        }
        *value = true;
        return S_OK;
    }
    HRESULT putFeature(const char16_t* name, bool value) override {
        if (name == nullptr) {
            return E_POINTER;
        }
        if (!IsKnownFeature(name)) {
            return E_INVALIDARG;
        }
        return value ? S_OK : E_NOTIMPL;
    }

    // CoCreateInstance for the reader class: no aggregation, one reference handed out.
    static HRESULT CreateInstance(REFCLSID clsid, IUnknown* outer, REFIID iid, void** object) {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        if (!(clsid == CLSID_SAXXMLReader)) {
            return REGDB_E_CLASSNOTREG;
        }
        auto* reader = new (std::nothrow) Derived();
        if (reader == nullptr) {
            return E_OUTOFMEMORY;
        }
        HRESULT hr = reader->Create();
        if (SUCCEEDED(hr)) {
            hr = reader->QueryInterface(iid, object);
        }
        reader->Release();
        return hr;
    }

  protected:
    ~SaxReaderObject() = default;

    // Hands out a held handler with a reference for the caller.
    template <class T>
    static HRESULT HandOut(T* held, T** out) {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = held;
        if (held != nullptr) {
            held->AddRef();
        }
        return S_OK;
    }

  private:
    static bool IsKnownFeature(const char16_t* name) {
        const std::u16string_view n(name);
        return n == kSaxFeatureNamespaces || n == kSaxFeatureNamespacePrefixes;
    }
};

}  // namespace platform
