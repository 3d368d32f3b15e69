// element_writer_test.cpp - the exact bytes of CElement's text writer.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "platform/byte_sink.h"
#include "zev/element.h"

namespace zev {
namespace {

std::string Write(CElement* e, int level, bool qualified = false) {
    MemoryByteSink sink;
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

TEST(ElementWriter, IndentsChildrenFourSpacesPerLevelAndEscapesNothing) {
    auto* doc = new CElement(u"doc");
    doc->SetQualifiedName(u"p:doc");
    doc->SetAttribute(u"y", u"<2>");
    doc->SetAttribute(u"b", u"a'b");
    doc->SetText(u" \t\r\n lead & <trail> ");
    Child(doc, u"item")->SetText(u"  hello");
    CElement* group = Child(doc, u"group");
    group->SetText(u"\n  ");  // whitespace only: content, but not written
    Child(group, u"leaf")->SetAttribute(u"x", u"1");
    EXPECT_EQ(Write(doc, 0),
              "<doc b='a'b' y='<2>'>lead & <trail> \r\n"
              "    <item>hello</item>\r\n"
              "    <group>\r\n"
              "        <leaf x='1'/>\r\n"
              "    </group>\r\n"
              "</doc>\r\n");
    // A lone element is one self-closed tag, and the start tag says there is nothing more.
    ObjectRef<CElement> leaf(group->GetChildElement(0));
    MemoryByteSink sink;
    EXPECT_FALSE(leaf->WriteStartTag(&sink, 2, false));
    EXPECT_EQ(sink.str(), "        <leaf x='1'/>\r\n");
    // Qualified tags use the qualified names, empty for elements that have none.
    EXPECT_EQ(Write(group, 0, true), "<>\r\n    < x='1'/>\r\n</>\r\n");
    // Writing stops at a child that is not an element.
    (new CObject(group))->Release();
    Child(group, u"after");
    EXPECT_EQ(Write(group, 1), "    <group>\r\n        <leaf x='1'/>\r\n    </group>\r\n");
    doc->Release();
}

// The locales named here are POSIX ones; Windows' C runtime converts by code page instead.
#if !defined(_WIN32)
TEST(ElementWriter, ConvertsCharactersInThePosixLocaleAndReportsFailedWrites) {
    auto* e = new CElement(u"caf\u00e9");
    e->SetText(u"\U0001F600!");
    EXPECT_EQ(Write(e, 0), "<caf>!</caf>\r\n");  // "C": only ASCII converts
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    EXPECT_EQ(Write(e, 0), "<caf\xc3\xa9>\xf0\x9f\x98\x80!</caf\xc3\xa9>\r\n");
    std::setlocale(LC_CTYPE, previous.c_str());

    e->SetText(u" \n\t");  // whitespace only: content, so not self-closed, but not written
    EXPECT_EQ(Write(e, 0), "<caf></caf>\r\n");
    FileByteSink closed;
    EXPECT_TRUE(e->WriteStartTag(&closed, 0, false));
    EXPECT_EQ(e->WriteEndTag(&closed, 0, false), STG_E_REVERTED);
    e->Release();
}
#endif

}  // namespace
}  // namespace zev
