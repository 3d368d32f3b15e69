// element_test.cpp - zev::CElement: attributes, child elements, validation and the exact bytes of
// its text writer.
#include "zev/element.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace zev {
namespace {

TEST(Element, AttributesAreOrderedByCodeUnitsAndLookupsAreExact) {
    auto* e = new CElement(u"a");
    for (const char16_t* key : {u"b", u"\u00e9", u"a", u"xml:lang", u"B", u"\u00e9"}) {
        EXPECT_EQ(e->SetAttribute(key, std::u16string(u"v-") + key), 0);
    }
    EXPECT_EQ(e->SetAttribute(u"a", u"second"), 0);
    std::u16string all;
    std::u16string key = u"keep";
    std::u16string value = u"keep";
    for (int i = 0; e->GetAttributeAt(i, key, value) == 0; ++i) {
        all += key + u"=" + value + u";";
    }
    EXPECT_EQ(all, u"B=v-B;a=second;b=v-b;xml:lang=v-xml:lang;\u00e9=v-\u00e9;");
    EXPECT_EQ(e->GetAttributeCount(), 5);
    EXPECT_EQ(e->GetAttribute(u"A", value), kNoAttribute);
    EXPECT_EQ(e->GetAttributeAt(-1, key, value), kNoAttribute);
    EXPECT_EQ(key + value, u"\u00e9v-\u00e9");
    e->Release();
}

// An element class that refuses any tree it is part of.
class Refusing : public CElement {
  public:
    explicit Refusing(int& calls) : CElement(u"r"), m_calls(calls) {}
    HRESULT Validate() override {
        ++m_calls;
        return -5;
    }

  private:
    int& m_calls;
};

TEST(Element, AppendChildMovesOrRefusesAndValidateStopsAtTheFirstRefusal) {
    auto* p = new CElement(u"p");
    auto* q = new CElement(u"q");
    auto* c = new CElement(u"c");
    auto* plain = new CObject(q);
    EXPECT_EQ(p->AppendChild(c), 0);
    EXPECT_EQ(q->AppendChild(c), 0);
    EXPECT_EQ(p->GetChildCount(), 0);
    EXPECT_EQ(c->GetRefCount(), 2);
    EXPECT_EQ(c->AppendChild(q), kStructureRefused);  // its parent
    EXPECT_EQ(q->GetChildElement(0), nullptr);        // the plain object
    EXPECT_EQ(q->GetChildElement(1), c);
    c->Release();

    int calls = 0;
    auto* r1 = new Refusing(calls);
    auto* r2 = new Refusing(calls);
    c->AppendChild(r1);
    q->AppendChild(r2);
    EXPECT_EQ(q->Validate(), -5);
    EXPECT_EQ(calls, 1);  // r2 is never asked
    EXPECT_EQ(p->Validate(), 0);
    for (CObject* o : std::initializer_list<CObject*>{p, q, c, plain, r1, r2}) {
        o->Release();
    }
}

std::string Write(CElement* e, int level, bool qualified = false) {
    MemoryByteSink sink;
    if (e->WriteStartTag(&sink, level, qualified)) {
        e->WriteContent(&sink, level, qualified);
        e->WriteEndTag(&sink, level, qualified);
    }
    return sink.str();
}

CElement* Child(CElement* parent, const char16_t* name) {
    ObjectRef<CElement> e(new CElement(name));
    parent->AppendChild(e.get());
    return e.get();
}

TEST(ElementWriter, IndentsFourSpacesALevelEscapesNothingAndStopsAtAPlainObject) {
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
    EXPECT_EQ(Write(group, 0, true), "<>\r\n    < x='1'/>\r\n</>\r\n");
    (new CObject(group))->Release();
    Child(group, u"after");
    EXPECT_EQ(Write(group, 1), "    <group>\r\n        <leaf x='1'/>\r\n    </group>\r\n");

    // Characters are converted in the current locale; one it cannot convert is left out.
    auto* e = new CElement(u"caf\u00e9");
    e->SetText(u"\U0001F600!");
#if !defined(_WIN32)  // the POSIX locales; Windows converts in the thread's code page
    EXPECT_EQ(Write(e, 0), "<caf>!</caf>\r\n");
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    EXPECT_EQ(Write(e, 0), "<caf\xc3\xa9>\xf0\x9f\x98\x80!</caf\xc3\xa9>\r\n");
    std::setlocale(LC_CTYPE, previous.c_str());
#endif
    EXPECT_EQ(e->WriteEndTag(nullptr, 0, false), E_POINTER);
    e->Release();
    doc->Release();
}

}  // namespace
}  // namespace zev
