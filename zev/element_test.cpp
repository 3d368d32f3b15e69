// element_test.cpp - zev::CElement: attributes, child elements, moves and validation.
#include "zev/element.h"

#include <gtest/gtest.h>

#include <string>

namespace zev {
namespace {

TEST(Element, AttributesAreOrderedByCodeUnitsAndLookupsAreExact) {
    auto* e = new CElement(u"a");
    EXPECT_EQ(e->name(), u"a");
    EXPECT_EQ(e->qualifiedName(), u"");
    EXPECT_EQ(e->text(), u"");
    for (const char16_t* key : {u"b", u"\u00e9", u"a", u"xml:lang", u"B"}) {
        EXPECT_EQ(e->SetAttribute(key, std::u16string(u"v-") + key), 0);
    }
    EXPECT_EQ(e->SetAttribute(u"a", u"second"), 0);
    ASSERT_EQ(e->GetAttributeCount(), 5);

    std::u16string order;
    for (int i = 0; i < e->GetAttributeCount(); ++i) {
        std::u16string key;
        std::u16string value;
        ASSERT_EQ(e->GetAttributeAt(i, key, value), 0);
        order += key + u"=" + value + u";";
    }
    EXPECT_EQ(order, u"B=v-B;a=second;b=v-b;xml:lang=v-xml:lang;\u00e9=v-\u00e9;");

    std::u16string key = u"keep";
    std::u16string value = u"keep";
    EXPECT_EQ(e->GetAttribute(u"A", value), kNoAttribute);
    EXPECT_EQ(e->GetAttributeAt(-1, key, value), kNoAttribute);
    EXPECT_EQ(e->GetAttributeAt(5, key, value), kNoAttribute);
    EXPECT_EQ(key + value, u"keepkeep");
    EXPECT_EQ(e->GetAttribute(u"xml:lang", value), 0);
    EXPECT_EQ(value, u"v-xml:lang");
    e->Release();
}

TEST(Element, AppendChildMovesTheChildOrRefuses) {
    auto* p = new CElement(u"p");
    auto* q = new CElement(u"q");
    auto* c = new CElement(u"c");
    EXPECT_EQ(p->AppendChild(c), 0);
    EXPECT_EQ(q->AppendChild(c), 0);
    EXPECT_EQ(p->GetChildCount(), 0);
    EXPECT_EQ(q->GetChildCount(), 1);
    EXPECT_EQ(c->GetRefCount(), 2);

    EXPECT_EQ(q->AppendChild(nullptr), kStructureRefused);
    EXPECT_EQ(q->AppendChild(q), kStructureRefused);
    EXPECT_EQ(c->AppendChild(q), kStructureRefused);  // its parent
    EXPECT_EQ(q->GetChildCount(), 1);
    for (CElement* e : {p, q, c}) {
        e->Release();
    }
}

TEST(Element, GetChildElementYieldsOnlyElements) {
    auto* e = new CElement(u"e");
    auto* plain = new CObject(e);
    auto* x = new CElement(u"x");
    e->AppendChild(x);
    EXPECT_EQ(e->GetChildElement(0), nullptr);
    EXPECT_EQ(plain->GetRefCount(), 2);
    CElement* child = e->GetChildElement(1);
    EXPECT_EQ(child, x);
    EXPECT_EQ(x->GetRefCount(), 3);
    ReleaseObject(child);
    EXPECT_EQ(e->GetChildElement(2), nullptr);
    EXPECT_EQ(std::u16string(plain->GetClassName()), u"CObject");
    for (CObject* o : {static_cast<CObject*>(e), plain, static_cast<CObject*>(x)}) {
        o->Release();
    }
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

TEST(Element, ValidateReturnsTheFirstRefusalFoundDepthFirst) {
    int calls = 0;
    auto* root = new CElement(u"root");
    auto* a = new CElement(u"a");
    auto* r1 = new Refusing(calls);
    auto* r2 = new Refusing(calls);
    root->AppendChild(a);
    a->AppendChild(r1);
    root->AppendChild(r2);
    (new CObject(root))->Release();  // not an element: skipped; root holds it

    EXPECT_EQ(a->Validate(), -5);
    EXPECT_EQ(root->Validate(), -5);
    EXPECT_EQ(calls, 2);  // r2 is never asked
    root->RemoveChild(a);
    EXPECT_EQ(root->Validate(), -5);
    EXPECT_EQ(calls, 3);
    root->AppendChild(a);
    r1->Dispose();
    EXPECT_EQ(a->Validate(), 0);
    for (CElement* e : {root, a, static_cast<CElement*>(r1), static_cast<CElement*>(r2)}) {
        e->Release();
    }
}

}  // namespace
}  // namespace zev
