// utf8_events_test.cpp - expat's reader with a handler that takes UTF-8 events and declines the
// text after some of its tags.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sax.h"

namespace {

// Logs the UTF-8 events; declines the text inside elements named "quiet" and after every end tag.
class Decliner final : public ISAXContentHandler, public ISAXUtf8ContentHandler {
  public:
    std::vector<std::string> events;

    HRESULT QueryInterface(REFIID iid, void** object) override {
        *object = iid == IID_ISAXUtf8ContentHandler ? static_cast<ISAXUtf8ContentHandler*>(this)
                                                    : nullptr;
        return *object != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    HRESULT startElement(const SaxUtf8Name& name, const SaxUtf8Attribute*, size_t) override {
        events.push_back("<" + std::string(name.localName));
        return name.localName == "quiet" ? S_FALSE : S_OK;
    }
    HRESULT endElement() override {
        events.emplace_back(">");
        return S_FALSE;
    }
    HRESULT characters(std::string_view text) override {
        events.emplace_back(text);
        return S_OK;
    }

    HRESULT putDocumentLocator(ISAXLocator*) override { return S_OK; }
    HRESULT startDocument() override { return S_OK; }
    HRESULT endDocument() override { return S_OK; }
    HRESULT startPrefixMapping(const char16_t*, int, const char16_t*, int) override { return S_OK; }
    HRESULT endPrefixMapping(const char16_t*, int) override { return S_OK; }
    HRESULT startElement(const char16_t*, int, const char16_t*, int, const char16_t*, int,
                         ISAXAttributes*) override {
        return E_UNEXPECTED;
    }
    HRESULT endElement(const char16_t*, int, const char16_t*, int, const char16_t*, int) override {
        return E_UNEXPECTED;
    }
    HRESULT characters(const char16_t*, int) override { return E_UNEXPECTED; }
    HRESULT ignorableWhitespace(const char16_t*, int) override { return S_OK; }
    HRESULT processingInstruction(const char16_t*, int, const char16_t*, int) override {
        return S_OK;
    }
    HRESULT skippedEntity(const char16_t*, int) override { return S_OK; }
};

HRESULT Parse(Decliner& handler, const std::string& text) {
    handler.events.clear();
    ComPtr<ISAXXMLReader> reader;
    HRESULT hr = CoCreateInstance(CLSID_SAXXMLReader, nullptr, CLSCTX_ALL, IID_ISAXXMLReader,
                                  reader.PutVoid());
    if (SUCCEEDED(hr)) {
        hr = reader->putContentHandler(&handler);
    }
    return SUCCEEDED(hr) ? reader->parseUtf8(text.data(), text.size()) : hr;
}

TEST(Utf8Events, DeclinedTextIsNotHandedOverUpToTheNextTagButStillLimited) {
    Decliner handler;
    ASSERT_EQ(Parse(handler, "<a>1<quiet>2<?p?>3&amp;</quiet>4<b>5&lt;</b>6</a>"), S_OK);
    EXPECT_EQ(handler.events,
              (std::vector<std::string>{"<a", "1", "<quiet", ">", "<b", "5<", ">", ">"}));

    // Two-byte characters, a processing instruction (which does not end the run) and ASCII: more
    // bytes than the limit, exactly as many units, then one more.
    std::string head = "<a><quiet>";
    for (int i = 0; i < 4'000'000; ++i) {
        head += "\xc3\xa9";
    }
    head += "<?p?>";
    const std::string tail(static_cast<size_t>(kSaxMaxValueLength) - 4'000'000, 'x');
    EXPECT_EQ(Parse(handler, head + tail + "</quiet></a>"), S_OK);
    EXPECT_EQ(Parse(handler, head + tail + "x</quiet></a>"), SAX_E_VALUE_TOO_LONG);
}

}  // namespace
