// parser_test.cpp - ParseXMLText / ParseXMLURL and the content handler: the trees they build and
// the structures they refuse.
#include "zev/parser.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sax.h"
#include "zev/registry.h"

namespace zev {
namespace {

const std::u16string kTestData = u"" OLVANE_SOURCE_DIR "/zev/testdata/";

// Parses text and returns the top-level element (null when the parse fails), keeping the
// document element in doc.
class Parsed {
  public:
    explicit Parsed(const std::u16string& text) {
        result = ParseXMLText(text.c_str(), &m_doc);
        if (m_doc != nullptr) {
            root.Reset(m_doc->GetChildElement(0));
        }
    }
    ~Parsed() {
        root.Reset();
        ReleaseObject(m_doc);
    }
    CElement* doc() const { return m_doc; }

    HRESULT result = 0;
    CObjectRef<CElement> root;

  private:
    CElement* m_doc = nullptr;
};

std::u16string Text(CElement* e, int child) {
    CObjectRef<CElement> c(e->GetChildElement(child));
    return c ? c->text() : u"<none>";
}

TEST(ParseXMLText, NoTextGives232AndLeavesThePointerAlone) {
    CElement* sentinel = reinterpret_cast<CElement*>(0x1234);
    CElement* doc = sentinel;
    EXPECT_EQ(ParseXMLText(nullptr, &doc), kNoText);
    EXPECT_EQ(ParseXMLText(u"", &doc), kNoText);
    EXPECT_EQ(ParseXMLText(u"-1", &doc), kNoText);
    EXPECT_EQ(doc, sentinel);
    EXPECT_NE(ParseXMLText(u"-1 ", &doc), kNoText);  // only the exact text
    EXPECT_EQ(doc, sentinel);
}

TEST(ParseXMLText, EmptyElementWithAttributes) {
    Parsed p(u"<a xml:lang='en' x='1'/>");
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.doc()->name(), u"");
    EXPECT_EQ(p.doc()->qualifiedName(), u"");
    EXPECT_EQ(p.doc()->GetAttributeCount(), 0);
    EXPECT_EQ(p.doc()->GetChildCount(), 1);
    ASSERT_TRUE(p.root);
    EXPECT_EQ(p.root->name(), u"a");
    EXPECT_EQ(p.root->qualifiedName(), u"a");
    EXPECT_EQ(p.root->text(), u"");
    EXPECT_EQ(p.root->GetChildCount(), 0);
    std::u16string key;
    std::u16string value;
    ASSERT_EQ(p.root->GetAttributeCount(), 2);
    EXPECT_EQ(p.root->GetAttributeAt(0, key, value), 0);
    EXPECT_EQ(key + u"=" + value, u"x=1");
    EXPECT_EQ(p.root->GetAttributeAt(1, key, value), 0);
    EXPECT_EQ(key + u"=" + value, u"xml:lang=en");
}

TEST(ParseXMLText, NamespaceDeclarationsBecomeAttributes) {
    Parsed p(u"<r:a xmlns:r='urn:r' xmlns='urn:default' r:k='v'><b/></r:a>");
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.root->name(), u"a");
    EXPECT_EQ(p.root->qualifiedName(), u"r:a");
    std::u16string value;
    EXPECT_EQ(p.root->GetAttribute(u"xmlns:r", value), 0);
    EXPECT_EQ(value, u"urn:r");
    EXPECT_EQ(p.root->GetAttribute(u"xmlns", value), 0);
    EXPECT_EQ(value, u"urn:default");
    EXPECT_EQ(p.root->GetAttribute(u"r:k", value), 0);
    EXPECT_EQ(p.root->GetAttributeCount(), 3);
    CObjectRef<CElement> b(p.root->GetChildElement(0));
    EXPECT_EQ(b->qualifiedName(), u"b");
    EXPECT_EQ(b->GetAttributeCount(), 0);  // declarations stay on their own element

    EXPECT_LT(ParseXMLText(u"<p:a/>", nullptr), 0);  // undeclared prefix
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
    EXPECT_EQ(Text(p.root.get(), 0), u"second");
    EXPECT_EQ(Text(p.root.get(), 1), u"x & yz!");
    EXPECT_EQ(Text(p.root.get(), 2), u"<raw> & tail");
    EXPECT_EQ(Text(p.root.get(), 3), u"\n  ");
    EXPECT_EQ(p.root->GetChildCount(), 4);  // comments and instructions leave nothing
    CObjectRef<CElement> c(p.root->GetChildElement(1));
    EXPECT_EQ(c->GetChildCount(), 0);
}

TEST(ParseXMLText, MalformedDocumentsGiveNoTree) {
    const size_t before = GetRegisteredObjectCount();
    for (const char16_t* bad : {u"<a><b></a></b>", u"<a>", u"<a/><b/>", u"text", u"<a></A>"}) {
        CElement* doc = nullptr;
        EXPECT_LT(ParseXMLText(bad, &doc), 0);
        EXPECT_EQ(doc, nullptr);
        EXPECT_EQ(GetRegisteredObjectCount(), before);
    }
}

TEST(ParseXMLText, WithoutADocumentPointerNothingIsBuilt) {
    const size_t before = GetRegisteredObjectCount();
    EXPECT_EQ(ParseXMLText(u"<a><b/></a>", nullptr), 0);
    EXPECT_EQ(GetRegisteredObjectCount(), before);
}

TEST(ParseXMLText, DeclaredEncodingDoesNotOverrideTheWideText) {
    Parsed p(u"<?xml version='1.0' encoding='UTF-8'?><a>caf\u00e9 \U0001F600</a>");
    ASSERT_EQ(p.result, 0);
    EXPECT_EQ(p.root->text(), u"caf\u00e9 \U0001F600");
}

TEST(ParseXMLURL, ReadsAFileAndHasNo232Check) {
    CElement* doc = nullptr;
    ASSERT_EQ(ParseXMLURL((kTestData + u"catalog.xml").c_str(), &doc), 0);
    CObjectRef<CElement> root(doc->GetChildElement(0));
    EXPECT_EQ(root->name(), u"catalog");
    EXPECT_EQ(root->GetChildCount(), 2);
    doc->Release();
    EXPECT_EQ(ParseXMLURL(u"/nonexistent-dir/none.xml", &doc), E_FILE_NOT_FOUND);
    EXPECT_EQ(ParseXMLURL(u"-1", nullptr), E_FILE_NOT_FOUND);
}

// The handler's own refusals, which a conforming reader never lets it see.
TEST(CParser, RefusesStructuresAReaderWouldNotDeliver) {
    CParser* parser = new CParser();
    parser->AddRef();
    EXPECT_EQ(parser->characters(u"x", 1), kStructureRefused);
    EXPECT_EQ(parser->endElement(u"", 0, u"a", 1, u"a", 1), kStructureRefused);
    EXPECT_EQ(parser->startDocument(), 0);
    EXPECT_EQ(parser->state(), CParser::kDocumentStarted);
    EXPECT_EQ(parser->startElement(u"", 0, u"a", 1, u"a", 1, nullptr), 0);
    EXPECT_EQ(parser->characters(u"one", 3), 0);
    EXPECT_EQ(parser->characters(u"two", 3), 0);
    EXPECT_EQ(parser->root()->text(), u"onetwo");
    EXPECT_EQ(parser->endElement(u"", 0, u"b", 1, u"b", 1), kStructureRefused);
    EXPECT_EQ(parser->endElement(u"", 0, u"a", 1, u"a", 1), 0);
    EXPECT_EQ(parser->state(), CParser::kElementEnded);
    EXPECT_EQ(parser->startElement(u"", 0, u"z", 1, u"z", 1, nullptr), kStructureRefused);
    EXPECT_EQ(parser->startElement(u"", 0, nullptr, 0, nullptr, 0, nullptr), kStructureRefused);
    EXPECT_EQ(parser->endDocument(), 0);
    EXPECT_EQ(parser->state(), CParser::kDocumentEnded);

    void* object = nullptr;
    EXPECT_EQ(parser->QueryInterface(IID_ISAXErrorHandler, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(parser->QueryInterface(IID_ISAXContentHandler, &object), S_OK);
    EXPECT_EQ(parser->Release(), 1u);
    EXPECT_EQ(parser->Release(), 0u);  // takes the root with it
}

}  // namespace
}  // namespace zev
