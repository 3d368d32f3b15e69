// parser_test.cpp - ParseXMLText / ParseXMLURL and the content handler: the trees they build and
// the structures they refuse.
#include "zev/parser.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sax.h"
#include "zev/registry.h"

// On Windows the system's reader refuses with codes of its own: there only the refusal is checked.
#if defined(_WIN32)
#define EXPECT_REFUSED(result, posixCode) EXPECT_TRUE(FAILED(result))
#else
#define EXPECT_REFUSED(result, posixCode) EXPECT_EQ(result, posixCode)
#endif

namespace zev {
namespace {

// Parses text, keeping the document element and its first child.
struct Parsed {
    explicit Parsed(const std::u16string& text) {
        CElement* doc = nullptr;
        result = ParseXMLText(text.c_str(), &doc);
        document.Reset(doc);
        if (doc != nullptr) {
            root.Reset(doc->GetChildElement(0));
        }
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

TEST(ParseXMLText, NoTextGives232AndLeavesThePointerAlone) {
    CElement* sentinel = reinterpret_cast<CElement*>(0x1234);
    CElement* doc = sentinel;
    EXPECT_EQ(ParseXMLText(nullptr, &doc), kNoText);
    EXPECT_EQ(ParseXMLText(u"", &doc), kNoText);
    EXPECT_EQ(ParseXMLText(u"-1", &doc), kNoText);
    EXPECT_NE(ParseXMLText(u"-1 ", &doc), kNoText);  // only the exact text
    EXPECT_EQ(doc, sentinel);
}

TEST(ParseXMLText, NamesAttributesAndNamespaceDeclarations) {
    Parsed p(u"<r:a xmlns:r='urn:r' xmlns='urn:default' r:k='v' xml:lang='en'><b/></r:a>");
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.document->name() + p.document->qualifiedName(), u"");
    EXPECT_EQ(p.document->GetAttributeCount(), 0);
    EXPECT_EQ(p.document->GetChildCount(), 1);
    EXPECT_EQ(p.root->name(), u"a");
    EXPECT_EQ(p.root->qualifiedName(), u"r:a");
    EXPECT_EQ(p.root->GetAttributeCount(), 4);
    EXPECT_EQ(p.Attribute(u"xmlns:r"), u"urn:r");
    EXPECT_EQ(p.Attribute(u"xmlns"), u"urn:default");
    EXPECT_EQ(p.Attribute(u"r:k"), u"v");
    EXPECT_EQ(p.Attribute(u"xml:lang"), u"en");
    ObjectRef<CElement> b(p.root->GetChildElement(0));
    EXPECT_EQ(b->qualifiedName(), u"b");
    EXPECT_EQ(b->GetAttributeCount(), 0);  // declarations stay on their own element
    EXPECT_EQ(b->text(), u"");
}

TEST(ParseXMLText, TextRunsReplaceJoinAndKeepWhitespace) {
    Parsed p(
        u"<r>"
        u"<a>first<b/>second</a>"
        u"<c>x &amp; y<!-- note -->z<?pi data?>!</c>"
        u"<d><![CDATA[<raw> & ]]>tail</d>"
        u"<e>\n    <f/>\n  </e>"
        u"</r>");
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.ChildText(0), u"second");
    EXPECT_EQ(p.ChildText(1), u"x & yz!");
    EXPECT_EQ(p.ChildText(2), u"<raw> & tail");
    EXPECT_EQ(p.ChildText(3), u"\n  ");
    EXPECT_EQ(p.root->GetChildCount(), 4);  // comments and instructions leave nothing
    ObjectRef<CElement> c(p.root->GetChildElement(1));
    EXPECT_EQ(c->GetChildCount(), 0);
}

TEST(ParseXMLText, MalformedDocumentsGiveNoTree) {
    const size_t before = GetRegisteredObjectCount();
    for (const char16_t* bad :
         {u"<a><b></a></b>", u"<a>", u"<a/><b/>", u"text", u"<a></A>", u"<p:a/>"}) {
        CElement* doc = nullptr;
        EXPECT_LT(ParseXMLText(bad, &doc), 0);
        EXPECT_EQ(doc, nullptr);
        EXPECT_EQ(GetRegisteredObjectCount(), before);
    }
    // Without a document pointer nothing is built.
    EXPECT_EQ(ParseXMLText(u"<a><b/></a>", nullptr), 0);
    EXPECT_EQ(GetRegisteredObjectCount(), before);
}

TEST(ParseXMLURL, ReadsAFileAndHasNo232Check) {
    CElement* doc = nullptr;
    ASSERT_EQ(ParseXMLURL(u"" OLVANE_SOURCE_DIR "/zev/testdata/catalog.xml", &doc), 0);
    ObjectRef<CElement> root(doc->GetChildElement(0));
    EXPECT_EQ(root->name(), u"catalog");
    EXPECT_EQ(root->GetChildCount(), 2);
    doc->Release();
    EXPECT_REFUSED(ParseXMLURL(u"-1", nullptr), E_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace zev
