// sax_dual_handler.h - SaxDualHandler: a content handler that takes its element and character
// events in UTF-8 where the SAX reader offers them (expat's: the text of the parse is UTF-8
// already) and in UTF-16 where it does not (MSXML), and hands either to one reading of them,
// Reading<Char>, compiled for either kind of text. A reading that keeps a few names and values
// converts only those, not every name and run of text of a document.
//
// Reading<Char> is constructed from the handler's arguments and provides, with View a
// std::basic_string_view<Char>:
//   void Reset();                                   // a document starts
//   HRESULT Start(View prefix, View localName, const Attributes& attributes);
//   HRESULT End();                                  // the innermost open element ends
// (Start and End answer S_FALSE when the text up to the next tag is not wanted: the UTF-8 reader
// then skips it; the UTF-16 events still carry it, and the reading must ignore it there too)
//   HRESULT Characters(View text);
// where Attributes (SaxUtf16Attributes or SaxUtf8Attributes) has count, Get(index, qName, value)
// into UTF-16, and GetQName and GetValue (the value as it came, a view of type Value) for one
// part. The qualified name is prefix ":" localName, or localName.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/com_object.h"
#include "platform/sax.h"
#include "platform/text_buffer.h"
#include "zev/sax_content_handler_impl.h"

namespace zev {

// Which events a dual handler asks for: UTF-8 where the reader offers them, or UTF-16 always (the
// only kind MSXML gives; the tests hold the two to the same results).
enum class SaxEvents { kUtf8WhereOffered, kUtf16 };

template <class Char>
std::basic_string_view<Char> SaxView(const Char* text, int length) {
    return text == nullptr || length <= 0
               ? std::basic_string_view<Char>()
               : std::basic_string_view<Char>(text, static_cast<size_t>(length));
}

// An element's attributes, read one by one: names into UTF-16, values into UTF-16 or as they came.
struct SaxUtf16Attributes {
    using Value = std::u16string_view;
    ISAXAttributes* list;
    size_t count;

    HRESULT GetQName(size_t i, WideText& qName) const {
        const char16_t* q = nullptr;
        int qLength = 0;
        const HRESULT hr = list->getQName(static_cast<int>(i), &q, &qLength);
        if (SUCCEEDED(hr)) {
            qName.Assign(SaxView(q, qLength));
        }
        return hr;
    }
    HRESULT GetValue(size_t i, std::u16string_view& value) const {
        const char16_t* v = nullptr;
        int vLength = 0;
        const HRESULT hr = list->getValue(static_cast<int>(i), &v, &vLength);
        value = SaxView(v, vLength);
        return hr;
    }
    HRESULT Get(size_t i, WideText& qName, WideText& value) const {
        std::u16string_view v;
        HRESULT hr = GetQName(i, qName);
        if (SUCCEEDED(hr)) {
            hr = GetValue(i, v);
        }
        value.Assign(v);
        return hr;
    }
};
struct SaxUtf8Attributes {
    using Value = std::string_view;
    const SaxUtf8Attribute* list;
    size_t count;

    HRESULT GetQName(size_t i, WideText& qName) const {
        const SaxUtf8Attribute& a = list[i];
        qName.Clear();
        if (!a.name.prefix.empty()) {
            qName.AppendUtf8(a.name.prefix);
            qName.Append(u":");
        }
        qName.AppendUtf8(a.name.localName);
        return S_OK;
    }
    HRESULT GetValue(size_t i, std::string_view& value) const {
        value = list[i].value;
        return S_OK;
    }
    HRESULT Get(size_t i, WideText& qName, WideText& value) const {
        GetQName(i, qName);
        value.AssignUtf8(list[i].value);
        return S_OK;
    }
};

template <template <class> class Reading>
class SaxDualHandler : public SAXContentHandlerImpl {
  public:
    template <class... Args>
    explicit SaxDualHandler(SaxEvents events, Args&&... args)
        : m_events(events),
          m_wide(std::make_unique<Reading<char16_t>>(args...)),
          m_narrow(std::make_unique<Reading<char>>(args...)),
          m_utf8Events(static_cast<ISAXContentHandler*>(this), *m_narrow) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_ISAXUtf8ContentHandler && object != nullptr &&
            m_events == SaxEvents::kUtf8WhereOffered) {
            *object = static_cast<ISAXUtf8ContentHandler*>(&m_utf8Events);
            AddRef();
            return S_OK;
        }
        return SAXContentHandlerImpl::QueryInterface(iid, object);
    }

    HRESULT startDocument() override {
        m_wide->Reset();
        m_narrow->Reset();
        return S_OK;
    }
    HRESULT startElement(const char16_t* /*namespaceUri*/, int /*namespaceUriLength*/,
                         const char16_t* localName, int localNameLength, const char16_t* qName,
                         int qNameLength, ISAXAttributes* attributes) override {
        int count = 0;
        if (attributes != nullptr) {
            const HRESULT hr = attributes->getLength(&count);
            if (FAILED(hr)) {
                return hr;
            }
        }
        // The prefix is the qualified name's text before its first ':'.
        const std::u16string_view qualified = SaxView(qName, qNameLength);
        const size_t colon = qualified.find(u':');
        return Plain(m_wide->Start(
            colon == std::u16string_view::npos ? std::u16string_view() : qualified.substr(0, colon),
            SaxView(localName, localNameLength),
            SaxUtf16Attributes{attributes, count > 0 ? static_cast<size_t>(count) : 0}));
    }
    HRESULT endElement(const char16_t* /*namespaceUri*/, int /*namespaceUriLength*/,
                       const char16_t* /*localName*/, int /*localNameLength*/,
                       const char16_t* /*qName*/, int /*qNameLength*/) override {
        return Plain(m_wide->End());
    }
    HRESULT characters(const char16_t* chars, int length) override {
        return m_wide->Characters(SaxView(chars, length));
    }

  private:
    // A reader of UTF-16 events is told plain success: S_FALSE means something only to the
    // UTF-8 reader.
    static HRESULT Plain(HRESULT hr) { return hr == S_FALSE ? S_OK : hr; }

    // The UTF-8 events; counted on the handler.
    class Utf8Events final
        : public platform::ComPart<ISAXUtf8ContentHandler, IID_ISAXUtf8ContentHandler> {
      public:
        Utf8Events(IUnknown* owner, Reading<char>& reading) : ComPart(owner), m_reading(reading) {}
        HRESULT startElement(const SaxUtf8Name& name, const SaxUtf8Attribute* attributes,
                             size_t count) override {
            return m_reading.Start(name.prefix, name.localName,
                                   SaxUtf8Attributes{attributes, count});
        }
        HRESULT endElement() override { return m_reading.End(); }
        HRESULT characters(std::string_view text) override { return m_reading.Characters(text); }

      private:
        Reading<char>& m_reading;
    };

    SaxEvents m_events;
    std::unique_ptr<Reading<char16_t>> m_wide;
    std::unique_ptr<Reading<char>> m_narrow;
    Utf8Events m_utf8Events;
};

}  // namespace zev
