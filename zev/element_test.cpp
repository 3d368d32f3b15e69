// element_test.cpp - zev::CElement: attributes, child elements, moves and validation.
#include "zev/element.h"

#include <gtest/gtest.h>

#include <string>

namespace zev {
namespace {

TEST(Element, AttributesAreOrderedByCodeUnitsAndLookupsAreExact) {
    auto* e = new CElement(u"a");
    for (const char16_t* key : {u"b", u"\u00e9", u"a", u"xml:lang", u"B"}) {
        EXPECT_EQ(e->SetAttribute(key, std::u16string(u"v-") + key), 0);
    }
    EXPECT_EQ(e->SetAttribute(u"a", u"second"), 0);
    ASSERT_EQ(e->GetAttributeCount(), 5);
    std::u16string order;
    std::u16string key;
    std::u16string value;
    for (int i = 0; i < e->GetAttributeCount(); ++i) {
        ASSERT_EQ(e->GetAttributeAt(i, key, value), 0);
        order += key + u"=" + value + u";";
    }
    EXPECT_EQ(order, u"B=v-B;a=second;b=v-b;xml:lang=v-xml:lang;\u00e9=v-\u00e9;");

    key = value = u"keep";
    EXPECT_EQ(e->GetAttribute(u"A", value), kNoAttribute);
    EXPECT_EQ(e->GetAttributeAt(-1, key, value), kNoAttribute);
    EXPECT_EQ(e->GetAttributeAt(5, key, value), kNoAttribute);
    EXPECT_EQ(key + value, u"keepkeep");
    EXPECT_EQ(e->GetAttribute(u"xml:lang", value), 0);
    EXPECT_EQ(value, u"v-xml:lang");
    e->Release();
}

TEST(Element, AppendChildMovesOrRefusesAndGetChildElementYieldsOnlyElements) {
    auto* p = new CElement(u"p");
    auto* q = new CElement(u"q");
    auto* c = new CElement(u"c");
    auto* plain = new CObject(q);
    EXPECT_EQ(p->AppendChild(c), 0);
    EXPECT_EQ(q->AppendChild(c), 0);
    EXPECT_EQ(p->GetChildCount(), 0);
    EXPECT_EQ(c->GetRefCount(), 2);
    EXPECT_EQ(q->AppendChild(nullptr), kStructureRefused);
    EXPECT_EQ(q->AppendChild(q), kStructureRefused);
    EXPECT_EQ(c->AppendChild(q), kStructureRefused);  // its parent
    EXPECT_EQ(q->GetChildCount(), 2);

    EXPECT_EQ(q->GetChildElement(0), nullptr);  // the plain object
    CElement* child = q->GetChildElement(1);
    EXPECT_EQ(child, c);
    EXPECT_EQ(c->GetRefCount(), 3);
    ReleaseObject(child);
    EXPECT_EQ(q->GetChildElement(2), nullptr);
    for (CObject* o :
         {static_cast<CObject*>(p), static_cast<CObject*>(q), static_cast<CObject*>(c), plain}) {
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
    EXPECT_EQ(root->Validate(), -5);
    EXPECT_EQ(calls, 1);  // r2 is never asked
    r1->Dispose();
    EXPECT_EQ(a->Validate(), 0);
    EXPECT_EQ(root->Validate(), -5);
    EXPECT_EQ(calls, 2);
    for (CElement* e : {root, a, static_cast<CElement*>(r1), static_cast<CElement*>(r2)}) {
        e->Release();
    }
}

}  // namespace
}  // namespace zev
