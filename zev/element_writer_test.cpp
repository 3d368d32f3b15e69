// element_writer_test.cpp - the exact bytes of CElement's text writer.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "platform/byte_sink.h"
#include "zev/element.h"

namespace zev {
namespace {

std::string Write(CElement* e, int level, bool qualified) {
    CMemoryByteSink sink;
    if (e->WriteStartTag(&sink, level, qualified)) {
        e->WriteContent(&sink, level, qualified);
        e->WriteEndTag(&sink, level, qualified);
    }
    return sink.str();
}

CElement* Child(CElement* parent, const char16_t* name) {
    auto* e = new CElement(name);
    parent->AppendChild(e);
    e->Release();
    return e;
}

TEST(ElementWriter, LoneElementIsOneSelfClosedTag) {
    auto* a = new CElement(u"a");
    a->SetAttribute(u"x", u"1");
    CMemoryByteSink sink;
    EXPECT_FALSE(a->WriteStartTag(&sink, 0, false));
    EXPECT_EQ(sink.str(), "<a x='1'/>\r\n");
    EXPECT_EQ(Write(a, 2, false), "        <a x='1'/>\r\n");
    a->Release();
}

TEST(ElementWriter, IndentsChildrenFourSpacesPerLevelAndEscapesNothing) {
    auto* doc = new CElement(u"doc");
    doc->SetQualifiedName(u"p:doc");
    doc->SetAttribute(u"y", u"<2>");
    doc->SetAttribute(u"b", u"a'b");
    doc->SetText(u" \t\r\n lead & <trail> ");
    Child(doc, u"item")->SetText(u"  hello");
    CElement* group = Child(doc, u"group");
    group->SetText(u"\n  ");
    Child(group, u"leaf");
    EXPECT_EQ(Write(doc, 0, false),
              "<doc b='a'b' y='<2>'>lead & <trail> \r\n"
              "    <item>hello</item>\r\n"
              "    <group>\r\n"
              "        <leaf/>\r\n"
              "    </group>\r\n"
              "</doc>\r\n");
    EXPECT_EQ(Write(group, 1, false),
              "    <group>\r\n"
              "        <leaf/>\r\n"
              "    </group>\r\n");
    // Qualified tags use the qualified names, empty for elements that have none.
    EXPECT_EQ(Write(group, 0, true), "<>\r\n    </>\r\n</>\r\n");
    doc->Release();
}

TEST(ElementWriter, WhitespaceOnlyTextIsContentButNotWritten) {
    auto* a = new CElement(u"a");
    a->SetText(u" \n\t");
    EXPECT_EQ(Write(a, 0, false), "<a></a>\r\n");
    a->Release();
}

TEST(ElementWriter, StopsAtAChildThatIsNotAnElement) {
    auto* e = new CElement(u"e");
    Child(e, u"x");
    (new CObject(e))->Release();
    Child(e, u"y");
    EXPECT_EQ(Write(e, 0, false), "<e>\r\n    <x/>\r\n</e>\r\n");
    e->Release();
}

TEST(ElementWriter, ConvertsCharactersInTheCurrentLocale) {
    auto* e = new CElement(u"caf\u00e9");
    e->SetText(u"\U0001F600!");
    EXPECT_EQ(Write(e, 0, false), "<caf>!</caf>\r\n");  // "C": only ASCII converts
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    EXPECT_EQ(Write(e, 0, false), "<caf\xc3\xa9>\xf0\x9f\x98\x80!</caf\xc3\xa9>\r\n");
    std::setlocale(LC_CTYPE, previous.c_str());
    e->Release();
}

TEST(ElementWriter, EndTagReturnsTheResultOfItsWrite) {
    auto* e = new CElement(u"e");
    e->SetText(u"t");
    CFileByteSink closed;
    EXPECT_TRUE(e->WriteStartTag(&closed, 0, false));
    EXPECT_EQ(e->WriteEndTag(&closed, 0, false), STG_E_REVERTED);
    CMemoryByteSink sink;
    EXPECT_EQ(e->WriteEndTag(&sink, 0, false), S_OK);
    e->Release();
}

}  // namespace
}  // namespace zev
