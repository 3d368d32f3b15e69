// parser_test.cpp - the parser front: the trees ParseXMLText and ParseXMLURL build and the texts
// they refuse, and Utf8ToWide with its message.
#include "zev/parser.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "platform/sax.h"

// On Windows the system's reader refuses with codes of its own: there only the refusal is checked.
#if defined(_WIN32)
#define EXPECT_REFUSED(result, posixCode) EXPECT_TRUE(FAILED(result))
#else
#define EXPECT_REFUSED(result, posixCode) EXPECT_EQ(result, posixCode)
#endif

namespace zev {
namespace {

// Parses text, keeping the document element and the top-level element.
struct Parsed {
    explicit Parsed(const std::u16string& text) {
        CElement* doc = nullptr;
        result = ParseXMLText(text.c_str(), &doc);
        document.Reset(doc);
        root.Reset(doc != nullptr ? doc->GetChildElement(0) : nullptr);
    }
    std::u16string Attribute(const char16_t* name) const {
        std::u16string value = u"<none>";
        root->GetAttribute(name, value);
        return value;
    }
    std::u16string ChildText(int child) const {
        ObjectRef<CElement> c(root->GetChildElement(child));
        return c ? c->text() : u"<none>";
    }
    HRESULT result = 0;
    ObjectRef<CElement> document;
    ObjectRef<CElement> root;
};

TEST(ParseXMLText, NoTextGives232AndLeavesThePointerAloneButALocationIsTried) {
    CElement* sentinel = reinterpret_cast<CElement*>(0x1234);
    CElement* doc = sentinel;
    for (const char16_t* none : {static_cast<const char16_t*>(nullptr), u"", u"-1"}) {
        EXPECT_EQ(ParseXMLText(none, &doc), kNoText);
    }
    EXPECT_LT(ParseXMLText(u"-1 ", &doc), 0);  // only the exact text
    EXPECT_EQ(doc, sentinel);
    EXPECT_REFUSED(ParseXMLURL(u"-1", nullptr), E_FILE_NOT_FOUND);  // a location, never no text
}

TEST(ParseXMLText, BuildsNamesAttributesDeclarationsAndTextRuns) {
    Parsed p(
        u"<r:a xmlns:r='urn:r' xmlns='urn:default' r:k='v' xml:lang='en'>"
        u"<b>first<i/>second</b><c>x &amp; y<!-- note -->z<?pi data?>!</c>"
        u"<d><![CDATA[<raw> & ]]>tail</d><e>\n    <f/>\n  </e></r:a>");
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.document->name() + p.document->qualifiedName(), u"");
    EXPECT_EQ(p.document->GetChildCount(), 1);
    EXPECT_EQ(p.root->name() + u"|" + p.root->qualifiedName(), u"a|r:a");
    EXPECT_EQ(p.root->GetAttributeCount(), 4);
    EXPECT_EQ(p.Attribute(u"xmlns:r") + p.Attribute(u"xmlns") + p.Attribute(u"r:k") +
                  p.Attribute(u"xml:lang"),
              u"urn:rurn:defaultven");
    // An element's text is its last run; a run the reader delivers in pieces is joined.
    EXPECT_EQ(p.ChildText(0), u"second");
    EXPECT_EQ(p.ChildText(1), u"x & yz!");
    EXPECT_EQ(p.ChildText(2), u"<raw> & tail");
    EXPECT_EQ(p.ChildText(3), u"\n  ");
    ObjectRef<CElement> b(p.root->GetChildElement(0));
    EXPECT_EQ(b->GetAttributeCount(), 0);  // declarations stay on their own element
}

TEST(Utf8ToWide, ConvertsOrPrintsItsMessageAndLeavesTheTextEmpty) {
    std::u16string out = u"old";
    EXPECT_EQ(std::u16string(Utf8ToWide(out, nullptr)), u"");
    EXPECT_EQ(std::u16string(Utf8ToWide(out, "<a>\xf0\x9f\x98\x80</a>")), u"<a>\U0001F600</a>");
    testing::internal::CaptureStdout();
    const char16_t* p = Utf8ToWide(out, "<a>\xc3\x28</a>");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR - MultiByteToWideChar - Invalid character found in source string.. (0x459)");
    EXPECT_EQ(std::u16string(p), u"");
}

}  // namespace
}  // namespace zev
