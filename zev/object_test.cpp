// object_test.cpp - zev::CObject: child-list refusals and moves, reference counts, disposal,
// notifications and links.
#include "zev/object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/codepage.h"
#include "zev/element.h"
#include "zev/registry.h"

namespace zev {
namespace {

size_t Live() {
    return GetRegisteredObjectCount();
}

CObject* Named(const char16_t* name, CObject* parent = nullptr) {
    auto* object = new CObject(parent);
    object->SetObjectName(name);
    return object;
}

std::vector<CObject*> Children(CObject* parent) {
    std::vector<CObject*> children;
    parent->GetChildren(children);
    for (CObject* c : children) {
        c->Release();  // the parent still holds them
    }
    return children;
}

// Logs "receiver:sender:event" for every notification it receives.
class Probe : public CObject {
  public:
    Probe(std::vector<std::string>& log, const char16_t* name, CObject* parent = nullptr)
        : CObject(parent), m_log(log) {
        SetObjectName(name);
    }
    void Notify(CObject* sender, int event) override {
        m_log.push_back(WideToUtf8(GetObjectName()) + ":" + WideToUtf8(sender->GetObjectName()) +
                        ":" + std::to_string(event));
        CObject::Notify(sender, event);
    }

  private:
    std::vector<std::string>& m_log;
};

TEST(ObjectTree, AddChildRefusalsChangeNothing) {
    CObject* root = new CObject;
    CObject* mid = new CObject(root);
    CObject* leaf = new CObject(mid);
    CObject* loose = new CObject;
    EXPECT_EQ(mid->GetRefCount(), 2);

    EXPECT_FALSE(leaf->AddChild(nullptr, -1));
    EXPECT_FALSE(leaf->AddChild(leaf, -1));
    EXPECT_FALSE(leaf->AddChild(root, -1));  // its grandparent
    EXPECT_FALSE(mid->AddChild(leaf, -1));   // already its child
    EXPECT_FALSE(mid->AddChild(leaf, 0));
    EXPECT_FALSE(mid->AddChild(loose, 2));  // count + 1
    EXPECT_FALSE(mid->AddChild(loose, -2));

    EXPECT_EQ(mid->GetChildCount(), 1);
    EXPECT_EQ(root->GetChildCount(), 1);
    EXPECT_EQ(leaf->GetChildCount(), 0);
    EXPECT_EQ(loose->GetParent(), nullptr);
    EXPECT_EQ(loose->GetRefCount(), 1);
    EXPECT_EQ(leaf->GetRefCount(), 2);
    CObject* parent = leaf->GetParent();
    EXPECT_EQ(parent, mid);
    ReleaseObject(parent);

    for (CObject* o : {leaf, mid, loose, root}) {
        o->Release();
    }
}

TEST(ObjectTree, InsertsAtAnIndexMovesBetweenParentsAndReorders) {
    CObject* p = new CObject;
    CObject* q = new CObject;
    CObject* a = new CObject(p);
    CObject* b = new CObject(p);
    CObject* n = new CObject;
    CObject* c = new CObject;
    EXPECT_TRUE(p->AddChild(n, 0));
    EXPECT_TRUE(p->AddChild(c, 3));  // index == count appends
    EXPECT_EQ(Children(p), (std::vector<CObject*>{n, a, b, c}));

    EXPECT_TRUE(q->AddChild(a, -1));
    EXPECT_EQ(Children(p), (std::vector<CObject*>{n, b, c}));
    EXPECT_EQ(a->GetRefCount(), 2);  // creator and q; p let go
    CObject* parent = a->GetParent();
    EXPECT_EQ(parent, q);
    ReleaseObject(parent);

    EXPECT_TRUE(p->MoveChild(c, 0));
    EXPECT_EQ(Children(p), (std::vector<CObject*>{c, n, b}));
    EXPECT_TRUE(p->MoveChild(c, -1));
    EXPECT_EQ(Children(p), (std::vector<CObject*>{n, b, c}));
    EXPECT_FALSE(p->MoveChild(a, 0));
    EXPECT_FALSE(p->MoveChild(n, 3));
    EXPECT_EQ(p->GetChildIndex(b), 1);
    EXPECT_EQ(p->GetChildIndex(a), -1);

    CObject* last = p->GetChild(-1);
    EXPECT_EQ(last, c);
    EXPECT_EQ(c->GetRefCount(), 3);
    ReleaseObject(last);
    EXPECT_EQ(p->GetChild(3), nullptr);
    EXPECT_EQ(p->GetChild(-2), nullptr);
    EXPECT_EQ(a->GetChild(-1), nullptr);
    EXPECT_EQ(a->GetChild(0), nullptr);

    for (CObject* o : {a, b, n, c, p, q}) {
        o->Release();
    }
}

TEST(ObjectTree, NamesAreUniqueAmongSiblingsAndCopiedOutWithinBounds) {
    CObject* p = new CObject;
    CObject* x1 = Named(u"x");
    CObject* x2 = Named(u"x");
    CObject* u1 = new CObject;
    CObject* u2 = new CObject;
    EXPECT_TRUE(p->AddChild(x1, -1));
    EXPECT_FALSE(p->AddChild(x2, -1));
    EXPECT_TRUE(p->AddChild(u1, -1));
    EXPECT_TRUE(p->AddChild(u2, -1));  // unnamed children never clash
    EXPECT_EQ(p->GetChildCount(), 3);

    CObject* found = p->FindChild(u"x");
    EXPECT_EQ(found, x1);
    ReleaseObject(found);
    EXPECT_EQ(p->FindChild(u""), nullptr);
    EXPECT_EQ(p->FindChild(u"X"), nullptr);

    x2->SetObjectName(u"longer");
    char16_t buffer[4] = {u'?', u'?', u'?', u'?'};
    EXPECT_EQ(x2->GetObjectName(buffer, 4), 0);
    EXPECT_EQ(std::u16string(buffer), u"lon");
    EXPECT_EQ(x2->GetObjectName(nullptr, 4), 6);
    EXPECT_EQ(x2->GetObjectName(buffer, 0), 6);
    EXPECT_EQ(u1->GetObjectName(nullptr, 0), 0);
    EXPECT_EQ(u1->GetObjectName(buffer, 4), 0);
    EXPECT_EQ(buffer[0], 0);

    for (CObject* o : {x1, x2, u1, u2, p}) {
        o->Release();
    }
}

TEST(ObjectTree, RemoveChildLeavesStrangersAlone) {
    CObject* p = new CObject;
    CObject* q = new CObject;
    CObject* a = new CObject(p);
    CObject* s = new CObject(q);
    p->RemoveChild(s);
    p->RemoveChild(nullptr);
    EXPECT_EQ(p->GetChildCount(), 1);
    EXPECT_EQ(s->GetRefCount(), 2);
    CObject* parent = s->GetParent();
    EXPECT_EQ(parent, q);
    ReleaseObject(parent);

    p->RemoveChild(a);
    EXPECT_EQ(p->GetChildCount(), 0);
    EXPECT_EQ(a->GetRefCount(), 1);
    EXPECT_EQ(a->GetParent(), nullptr);
    for (CObject* o : {a, s, p, q}) {
        o->Release();
    }
    EXPECT_EQ(ReleaseObject(nullptr), 0);
}

TEST(ObjectLife, ReleasingTheTopFreesTheTreeButAHeldDescendantSurvivesDetached) {
    const size_t before = Live();
    CObject* root = new CElement(u"root");
    CObject* child = new CObject(root);
    CObject* grand = new CObject(child);
    CObject* sibling = new CObject(root);
    child->Release();
    sibling->Release();
    EXPECT_EQ(Live(), before + 4);

    EXPECT_EQ(root->Release(), 0);
    EXPECT_EQ(Live(), before + 1);
    EXPECT_EQ(grand->GetRefCount(), 1);
    EXPECT_EQ(grand->GetParent(), nullptr);
    EXPECT_EQ(grand->Release(), 0);
    EXPECT_EQ(Live(), before);
}

TEST(ObjectLife, EarlyDisposeLeavesADetachedChildlessObject) {
    CObject* p = new CObject;
    CObject* c = new CObject(p);
    CObject* g = new CObject(c);
    c->Dispose();
    EXPECT_TRUE(c->IsDisposed());
    EXPECT_EQ(c->GetChildCount(), 0);
    EXPECT_EQ(p->GetChildCount(), 0);
    EXPECT_EQ(c->GetRefCount(), 1);
    EXPECT_EQ(g->GetRefCount(), 1);
    EXPECT_EQ(g->GetParent(), nullptr);
    c->Dispose();  // once only
    EXPECT_EQ(c->Release(), 0);
    g->Release();
    p->Release();
}

TEST(ObjectLife, VeryDeepTreeIsTornDownWithoutRecursion) {
    const size_t before = Live();
    // Built from the leaf up, so that no AddChild has ancestors to walk.
    CObject* top = new CElement(u"leaf");
    for (int i = 0; i < 300000; ++i) {
        CObject* parent = i % 2 == 0 ? new CObject : new CElement(u"e");
        ASSERT_TRUE(parent->AddChild(top, -1));
        top->Release();
        top = parent;
    }
    EXPECT_EQ(Live(), before + 300001);
    top->Release();
    EXPECT_EQ(Live(), before);
}

TEST(ObjectNotify, EventsSpreadDownToChildrenButNotThroughElements) {
    std::vector<std::string> log;
    auto* r = new Probe(log, u"r");
    auto* a = new Probe(log, u"a", r);
    auto* aa = new Probe(log, u"aa", a);
    auto* e = new CElement(u"e");
    r->AddChild(e, -1);
    auto* hidden = new Probe(log, u"hidden", e);
    log.clear();

    auto* n = new Probe(log, u"n");
    r->AddChild(n, -1);
    EXPECT_EQ(log, (std::vector<std::string>{"r:n:0", "a:n:0", "aa:n:0"}));
    log.clear();
    r->RemoveChild(n);
    EXPECT_EQ(log, (std::vector<std::string>{"r:n:1", "a:n:1", "aa:n:1"}));

    for (CObject* o :
         {static_cast<CObject*>(r), static_cast<CObject*>(a), static_cast<CObject*>(aa),
          static_cast<CObject*>(e), static_cast<CObject*>(hidden), static_cast<CObject*>(n)}) {
        o->Release();
    }
}

TEST(ObjectLinks, OwnedLinkHoldsAReferenceAndIsCutWhenEitherSideGoes) {
    std::vector<std::string> log;
    auto* a = new Probe(log, u"a");
    auto* b = new Probe(log, u"b");
    a->SetLink(b, true);
    EXPECT_EQ(b->GetRefCount(), 2);
    CObject* link = a->GetLink();
    EXPECT_EQ(link, b);
    ReleaseObject(link);

    log.clear();
    b->Dispose();  // a hears of it and gives its reference back
    EXPECT_EQ(log, (std::vector<std::string>{"a:b:1"}));
    EXPECT_EQ(a->GetLink(), nullptr);
    EXPECT_EQ(b->GetRefCount(), 1);
    b->Release();

    auto* c = new Probe(log, u"c");
    a->SetLink(c, false);
    EXPECT_EQ(c->GetRefCount(), 1);
    a->SetLink(c, true);
    EXPECT_EQ(c->GetRefCount(), 2);
    c->Release();
    log.clear();
    EXPECT_EQ(a->Release(), 0);  // a's disposal tells c and drops the owned link, freeing c
    EXPECT_EQ(log, (std::vector<std::string>{"c:a:1"}));

    // Listeners forget each other when one goes; elements take no listeners.
    auto* x = new Probe(log, u"x");
    auto* y = new Probe(log, u"y");
    auto* element = new CElement(u"e");
    x->AddListener(y);
    x->AddListener(element);
    y->Release();
    log.clear();
    x->Dispose();
    EXPECT_TRUE(log.empty());
    x->Release();
    element->Release();
}

}  // namespace
}  // namespace zev
