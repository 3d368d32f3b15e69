// sax_reader_test.cpp - the SAX2 reader over expat: its events, its errors, UTF-8 input and files.
// Every limit it enforces is a hostile case (tests/hostile/cases/), at the limit and past it.
#include <expat.h>
#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/sax.h"
#include "tests/support/test_support.h"

namespace {

std::u16string Str(const char16_t* s, int n) {
    return s == nullptr ? std::u16string() : std::u16string(s, static_cast<size_t>(n));
}

// Logs every event as one line; attributes as [uri|local|qname=value]. Asked for UTF-8 events
// (utf8), it takes them instead and declines the text inside "quiet" elements and after end tags.
class Recorder final : public ISAXContentHandler,
                       public ISAXErrorHandler,
                       public ISAXUtf8ContentHandler {
  public:
    std::u16string log;
    std::vector<HRESULT> fatal;
    int line = 0;
    bool utf8 = false;

    HRESULT QueryInterface(REFIID iid, void** object) override {
        *object = utf8 && iid == IID_ISAXUtf8ContentHandler
                      ? static_cast<ISAXUtf8ContentHandler*>(this)
                      : nullptr;
        return *object != nullptr ? S_OK : E_NOINTERFACE;
    }
    HRESULT startElement(const SaxUtf8Name& name, const SaxUtf8Attribute*, size_t) override {
        Log(u"<" + Wide(name.localName));
        return name.localName == "quiet" ? S_FALSE : S_OK;
    }
    HRESULT endElement() override {
        Log(u">");
        return S_FALSE;
    }
    HRESULT characters(std::string_view text) override { return Log(u"'" + Wide(text)); }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT putDocumentLocator(ISAXLocator*) override { return S_OK; }
    HRESULT startDocument() override { return Log(u"{"); }
    HRESULT endDocument() override { return Log(u"}"); }
    HRESULT startPrefixMapping(const char16_t* p, int pn, const char16_t* u, int un) override {
        return Log(u"prefix " + Str(p, pn) + u"=" + Str(u, un));
    }
    HRESULT endPrefixMapping(const char16_t* p, int pn) override { return Log(u"/" + Str(p, pn)); }
    HRESULT startElement(const char16_t* u, int un, const char16_t* l, int ln, const char16_t* q,
                         int qn, ISAXAttributes* attributes) override {
        std::u16string e = u"<" + Str(u, un) + u"|" + Str(l, ln) + u"|" + Str(q, qn);
        int count = 0;
        attributes->getLength(&count);
        const char16_t *au, *al, *aq, *av;
        int aun, aln, aqn, avn;
        for (int i = 0; i < count; ++i) {
            attributes->getName(i, &au, &aun, &al, &aln, &aq, &aqn);
            attributes->getValue(i, &av, &avn);
            e += u" [" + Str(au, aun) + u"|" + Str(al, aln) + u"|" + Str(aq, aqn) + u"=" +
                 Str(av, avn) + u"]";
        }
        EXPECT_EQ(attributes->getValue(count, &av, &avn), E_INVALIDARG);
        return Log(e);
    }
    HRESULT endElement(const char16_t*, int, const char16_t*, int, const char16_t* q,
                       int qn) override {
        return Log(u">" + Str(q, qn));
    }
    HRESULT characters(const char16_t* c, int n) override { return Log(u"'" + Str(c, n)); }
    HRESULT ignorableWhitespace(const char16_t*, int) override { return S_OK; }
    HRESULT processingInstruction(const char16_t* t, int tn, const char16_t* d, int dn) override {
        return Log(u"?" + Str(t, tn) + u" " + Str(d, dn));
    }
    HRESULT skippedEntity(const char16_t* n, int nn) override { return Log(u"&" + Str(n, nn)); }
    HRESULT error(ISAXLocator*, const char16_t*, HRESULT) override { return S_OK; }
    HRESULT fatalError(ISAXLocator* locator, const char16_t*, HRESULT code) override {
        fatal.push_back(code);
        locator->getLineNumber(&line);
        return S_OK;
    }
    HRESULT ignorableWarning(ISAXLocator*, const char16_t*, HRESULT) override { return S_OK; }

  private:
    static std::u16string Wide(std::string_view text) {
        return NarrowToWide(std::string(text).c_str(), text.size());
    }
    HRESULT Log(const std::u16string& e) {
        log += e + u"\n";
        return S_OK;
    }
};

class SaxReader : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(CoCreateInstance(CLSID_SAXXMLReader, nullptr, CLSCTX_ALL, IID_ISAXXMLReader,
                                   reader.PutVoid()),
                  S_OK);
        reader->putContentHandler(&events);
        reader->putErrorHandler(&events);
    }
    HRESULT Parse(const std::u16string& text) {
        events.log.clear();
        events.fatal.clear();
        VARIANT input{VT_BSTR, SysAllocStringLen(text.data(), static_cast<unsigned>(text.size()))};
        const HRESULT hr = reader->parse(input);
        VariantClear(&input);
        return hr;
    }
    HRESULT ParseUtf8(const std::string& text) {
        events.log.clear();
        events.fatal.clear();
        return reader->parseUtf8(text.data(), text.size());
    }
    std::string Log() const { return WideToUtf8(events.log); }

    Recorder events;
    ComPtr<ISAXXMLReader> reader;
};

TEST_F(SaxReader, DeliversNamesAsWrittenAndDeclarationsAmongAttributes) {
    ASSERT_EQ(Parse(u"\uFEFF<?xml version='1.0' encoding='ISO-8859-1'?>"
                    u"<r:a xmlns:r='urn:r' xmlns='urn:d' x='1' xml:lang='en'>"
                    u"<b>t&amp;\u00e9<![CDATA[<c>]]></b><?pi data?><!-- gone --></r:a>"),
              S_OK);
    EXPECT_EQ(Log(),
              "{\nprefix r=urn:r\nprefix =urn:d\n"
              "<urn:r|a|r:a [http://www.w3.org/2000/xmlns/|r|xmlns:r=urn:r]"
              " [http://www.w3.org/2000/xmlns/|xmlns|xmlns=urn:d] [|x|x=1]"
              " [http://www.w3.org/XML/1998/namespace|lang|xml:lang=en]\n"
              "<urn:d|b|b\n't&\xc3\xa9<c>\n>b\n?pi data\n>r:a\n/\n/r\n}\n");
    EXPECT_TRUE(events.fatal.empty());
}

TEST_F(SaxReader, MalformedTextEndsWithOneFatalErrorAndItsCode) {
    EXPECT_EQ(Parse(u"<p:a/>"), SAX_E_PARSE_BASE + XML_ERROR_UNBOUND_PREFIX);
    EXPECT_EQ(events.fatal, std::vector<HRESULT>{SAX_E_PARSE_BASE + XML_ERROR_UNBOUND_PREFIX});
    EXPECT_EQ(Parse(u"<a>\n<b></a>"), SAX_E_PARSE_BASE + XML_ERROR_TAG_MISMATCH);
    EXPECT_EQ(events.line, 2);
    EXPECT_EQ(Parse(u"<a/><b/>"), SAX_E_PARSE_BASE + XML_ERROR_JUNK_AFTER_DOC_ELEMENT);
    // Expat would decode an unpaired surrogate into wrong characters, so it never sees one.
    EXPECT_EQ(Parse(u"<a>x" + std::u16string(1, u'\xDC00') + u"</a>"), SAX_E_UNPAIRED_SURROGATE);
    EXPECT_EQ(Log(), "");
    VARIANT empty{};
    EXPECT_EQ(reader->parse(empty), E_INVALIDARG);
}

// The reader binds prefixes itself: a declaration holds for its element and what it contains,
// hides an outer one of the same prefix, and ends with the element.
TEST_F(SaxReader, NamespacesAreScopedAndCheckedAsTheRecommendationSays) {
    ASSERT_EQ(Parse(u"<r xmlns='urn:d' xmlns:p='urn:1'><p:b xmlns:p='urn:2' p:x='1' x='2'>"
                    u"<c xmlns=''/></p:b><p:d xml:a='3'/></r>"),
              S_OK);
    EXPECT_EQ(Log(),
              "{\nprefix =urn:d\nprefix p=urn:1\n<urn:d|r|r [http://www.w3.org/2000/xmlns/|xmlns|"
              "xmlns=urn:d] [http://www.w3.org/2000/xmlns/|p|xmlns:p=urn:1]\nprefix p=urn:2\n"
              "<urn:2|b|p:b [http://www.w3.org/2000/xmlns/|p|xmlns:p=urn:2] [urn:2|x|p:x=1] "
              "[|x|x=2]\nprefix =\n<|c|c [http://www.w3.org/2000/xmlns/|xmlns|xmlns=]\n>c\n/\n"
              ">p:b\n/p\n<urn:1|d|p:d [http://www.w3.org/XML/1998/namespace|a|xml:a=3]\n>p:d\n"
              ">r\n/p\n/\n}\n");
    // Past a handful of bindings the prefixes are found another way, with the same scoping.
    std::u16string many = u"<r";
    for (int i = 0; i < 20; ++i) {
        const std::string n = std::to_string(i);
        many += u" xmlns:p" + NarrowToWide(n.c_str()) + u"='urn:" + NarrowToWide(n.c_str()) + u"'";
    }
    ASSERT_EQ(Parse(many + u"><p3:a xmlns:p3='urn:x'/><p3:b p19:y='1'/></r>"), S_OK);
    EXPECT_NE(Log().find("<urn:x|a|p3:a [http://www.w3.org/2000/xmlns/|p3|xmlns:p3=urn:x]\n>p3:a\n"
                         "/p3\n<urn:3|b|p3:b [urn:19|y|p19:y=1]\n"),
              std::string::npos);
    // What the random tags below do not reach; the codes are expat's with its own processing.
    constexpr HRESULT kBase = SAX_E_PARSE_BASE;
    for (const auto& [document, result] :
         std::initializer_list<std::pair<const char16_t*, HRESULT>>{
             {u"<!DOCTYPE r [<!ATTLIST r xmlns:p CDATA 'urn:p'>]><r p:x='1'/>", S_OK},
             {u"<!DOCTYPE a:r><a:r xmlns:a='u'><a:r/></a:r>", S_OK},
             {u"<r xmlns:p='u'><p:a xmlns:q='u' p:x='1' q:x='2'/></r>",
              kBase + XML_ERROR_DUPLICATE_ATTRIBUTE},
             {u"<a:\u00b7 xmlns:a='u'/>", kBase + XML_ERROR_INVALID_TOKEN},
             {u"<r xmlns:a='u' a:.x='1'/>", kBase + XML_ERROR_INVALID_TOKEN},
             {u"<?a:b x?><r/>", kBase + XML_ERROR_INVALID_TOKEN},
             {u"<!DOCTYPE r [<!ENTITY a:b 'x'>]><r>&a:b;</r>", kBase + XML_ERROR_SYNTAX},
         }) {
        EXPECT_EQ(Parse(document), result) << WideToUtf8(document);
    }
}

TEST_F(SaxReader, AcceptsAndRefusesWhatExpatsOwnNamespaceProcessingDoes) {
    std::mt19937 random(7);
    const auto pick = [&](const auto& choices) {
        return std::string(choices[random() % std::size(choices)]);
    };
    const char* names[] = {"r",  "a:r", "b:r", "xml:r",      "xmlns:r",    "a:b:c",
                           ":r", "a:",  "a:1", "\xc3\xa9:r", "a:\xc3\xa9", "a:\xcc\x80"};
    const char* attributes[] = {"x", "a:x", "b:x", "xml:x", "a:", "a:1", "a:b:c", "b:y", ":x"};
    const char* declared[] = {"xmlns", "xmlns:a", "xmlns:b", "xmlns:xml", "xmlns:xmlns", "xmlns:"};
    const char* uris[] = {"", "u", "v", "http://www.w3.org/XML/1998/namespace",
                          "http://www.w3.org/2000/xmlns/"};
    std::function<std::string(int)> element = [&](int depth) {
        const std::string name = pick(names);
        std::string tag = "<" + name;
        for (int n = static_cast<int>(random() % 3); n-- > 0;) {
            tag += " " + pick(declared) + "='" + pick(uris) + "'";
        }
        for (int n = static_cast<int>(random() % 3); n-- > 0;) {
            tag += " " + pick(attributes) + "='1'";
        }
        if (depth == 3 || random() % 3 == 0) {
            return tag + "/>";
        }
        tag += random() % 5 == 0 ? "><?a:p?>" : ">";
        for (int n = static_cast<int>(random() % 3); n-- > 0;) {
            tag += element(depth + 1);
        }
        return tag + "</" + name + ">";
    };
    int accepted = 0;
    for (int i = 0; i < 20'000; ++i) {
        const std::string document = element(0);
        XML_Parser expat = XML_ParserCreateNS(nullptr, '\x01');
        const bool ok = XML_Parse(expat, document.data(), static_cast<int>(document.size()),
                                  XML_TRUE) == XML_STATUS_OK;
        const HRESULT expected = ok ? S_OK : SAX_E_PARSE_BASE + XML_GetErrorCode(expat);
        XML_ParserFree(expat);
        const HRESULT result = ParseUtf8(document);
        accepted += result == S_OK;
        if (result != SAX_E_PARSE_BASE + XML_ERROR_DUPLICATE_ATTRIBUTE || ok) {
            ASSERT_EQ(result, expected) << document;
        }
    }
    EXPECT_GT(accepted, 200);  // the mix reaches both answers
}

TEST_F(SaxReader, Utf8TextGivesTheEventsOfTheSameTextInUtf16) {
    for (const char16_t* document :
         {u"<r:a xmlns:r='urn:\u00e9' x='caf\u00e9'><b \u00f1='\U0001F600&#x1F600;'>plain ascii "
          u"then \u00e9\U0001F600<![CDATA[<\u00e9>]]></b><?pi d\u00e9ta?></r:a>",
          u"<?xml version='1.0' encoding='ISO-8859-1'?>\r\n<a v='1\t2'>x\r\ny\u00e9</a>",
          u"<a>\u00e9</b>", u"<a>\u00e9"}) {
        const HRESULT fromUtf16 = Parse(document);
        const std::u16string log = events.log;
        EXPECT_EQ(ParseUtf8(WideToUtf8(document)), fromUtf16);
        EXPECT_EQ(events.log, log);
    }
    // Invalid UTF-8 anywhere fails, and no replacement character ever reaches a handler.
    for (const char* bad : {"\xc3", "\xc0\x80", "\xed\xa0\x80", "\xff"}) {
        for (const char* place : {"<a>t@</a>", "<a v='@'/>", "<a@/>", "<a><!--@--></a>"}) {
            std::string text = place;
            text.replace(text.find('@'), 1, bad);
            EXPECT_TRUE(FAILED(ParseUtf8(text))) << testing::PrintToString(text);
            EXPECT_EQ(events.log.find(u'\uFFFD'), std::u16string::npos);
        }
    }
    // Only the given length is read.
    const std::string buffer = "<a>x\xc3\xa9</a><b/>\xff";
    EXPECT_EQ(reader->parseUtf8(buffer.data(), 10), S_OK);
    EXPECT_EQ(reader->parseUtf8(buffer.data(), 5), SAX_E_PARSE_BASE + XML_ERROR_PARTIAL_CHAR);
    EXPECT_EQ(reader->parseUtf8(nullptr, 3), E_POINTER);
}

TEST_F(SaxReader, ReadsFilesInTheEncodingTheyDeclare) {
    olvane_test::TempDir dir;
    auto parseFile = [&](const std::string& bytes) {
        olvane_test::WriteFile(dir / "f.xml", bytes);
        events.log.clear();
        return reader->parseURL(NarrowToWide((dir / "f.xml").c_str()).c_str());
    };
    EXPECT_EQ(parseFile("<?xml version='1.0' encoding='ISO-8859-1'?><a>\xe9</a>"), S_OK);
    EXPECT_EQ(Log(), "{\n<|a|a\n'\xc3\xa9\n>a\n}\n");
    EXPECT_EQ(parseFile(std::string("\xff\xfe<\0a\0>\0\x00\xd8<\0/\0a\0>\0", 18)),
              SAX_E_UNPAIRED_SURROGATE);
    EXPECT_EQ(reader->parseURL(u"/nonexistent-dir/x.xml"), E_FILE_NOT_FOUND);
    EXPECT_EQ(reader->parseURL(nullptr), E_POINTER);
}

// A handler that takes UTF-8 events gets them instead; text it declines is not handed over up to
// the next tag, but still counts against the limit in UTF-16 units.
TEST_F(SaxReader, Utf8EventsAndDeclinedText) {
    events.utf8 = true;
    ASSERT_EQ(ParseUtf8("<a>1<quiet>2<?p?>3&amp;</quiet>4<b>5&lt;</b>6</a>"), S_OK);
    EXPECT_EQ(Log(), "{\n<a\n'1\n<quiet\n?p \n>\n<b\n'5<\n>\n>\n}\n");

    // Two-byte characters, a processing instruction (which does not end the run) and ASCII: more
    // bytes than the limit, exactly as many units, then one more.
    std::string head = "<a><quiet>";
    for (int i = 0; i < 4'000'000; ++i) {
        head += "\xc3\xa9";
    }
    head += "<?p?>";
    const std::string tail(static_cast<size_t>(kSaxMaxValueLength) - 4'000'000, 'x');
    EXPECT_EQ(ParseUtf8(head + tail + "</quiet></a>"), S_OK);
    EXPECT_EQ(ParseUtf8(head + tail + "x</quiet></a>"), SAX_E_VALUE_TOO_LONG);

    // A document's own entity can make a run longer than the document itself.
    std::string refs;
    for (int i = 0; i < 11; ++i) {
        refs += "&e;";
    }
    EXPECT_EQ(ParseUtf8("<!DOCTYPE a [<!ENTITY e '" + std::string(1'000'000, 'x') +
                        "'>]><a><quiet>" + refs + "</quiet></a>"),
              SAX_E_VALUE_TOO_LONG);
}

}  // namespace
