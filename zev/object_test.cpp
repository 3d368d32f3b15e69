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

std::vector<CObject*> Children(CObject* parent) {
    std::vector<CObject*> children;
    parent->GetChildren(children);
    for (CObject* c : children) {
        c->Release();  // the parent still holds them
    }
    return children;
}

// Checks o's parent (which GetParent hands out with a reference).
void ExpectParent(CObject* o, CObject* expected) {
    CObject* parent = o->GetParent();
    EXPECT_EQ(parent, expected);
    ReleaseObject(parent);
}

void ReleaseAll(std::initializer_list<CObject*> objects) {
    for (CObject* o : objects) {
        o->Release();
    }
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

TEST(ObjectTree, RefusalsChangeNothingAndMovesKeepCountsRight) {
    CObject* root = new CObject;
    CObject* mid = new CObject(root);
    CObject* leaf = new CObject(mid);
    CObject* loose = new CObject;
    EXPECT_FALSE(leaf->AddChild(nullptr, -1));
    EXPECT_FALSE(leaf->AddChild(leaf, -1));
    EXPECT_FALSE(leaf->AddChild(root, -1));  // its grandparent
    EXPECT_FALSE(mid->AddChild(leaf, 0));    // already its child
    EXPECT_FALSE(mid->AddChild(loose, 2));   // count + 1
    EXPECT_FALSE(mid->AddChild(loose, -2));
    mid->RemoveChild(root);  // not its child
    mid->RemoveChild(nullptr);
    EXPECT_EQ(Children(root), std::vector<CObject*>{mid});
    EXPECT_EQ(Children(mid), std::vector<CObject*>{leaf});
    EXPECT_EQ(loose->GetRefCount(), 1);
    EXPECT_EQ(leaf->GetRefCount(), 2);
    ExpectParent(leaf, mid);

    // Inserting at an index, appending at index == count, moving to another parent.
    CObject* n = new CObject;
    EXPECT_TRUE(mid->AddChild(n, 0));
    EXPECT_TRUE(mid->AddChild(loose, 2));
    EXPECT_EQ(Children(mid), (std::vector<CObject*>{n, leaf, loose}));
    EXPECT_TRUE(root->AddChild(leaf, -1));
    EXPECT_EQ(Children(mid), (std::vector<CObject*>{n, loose}));
    EXPECT_EQ(leaf->GetRefCount(), 2);  // creator and root; mid let go
    ExpectParent(leaf, root);

    EXPECT_TRUE(mid->MoveChild(loose, 0));
    EXPECT_EQ(Children(mid), (std::vector<CObject*>{loose, n}));
    EXPECT_TRUE(mid->MoveChild(loose, -1));
    EXPECT_EQ(Children(mid), (std::vector<CObject*>{n, loose}));
    EXPECT_FALSE(mid->MoveChild(leaf, 0));
    EXPECT_FALSE(mid->MoveChild(n, 2));
    CObject* last = mid->GetChild(-1);
    EXPECT_EQ(last, loose);
    EXPECT_EQ(loose->GetRefCount(), 3);
    ReleaseObject(last);
    EXPECT_EQ(mid->GetChild(-2), nullptr);

    mid->RemoveChild(n);
    EXPECT_EQ(n->GetRefCount(), 1);
    EXPECT_EQ(n->GetParent(), nullptr);
    ReleaseAll({leaf, mid, loose, root, n});
}

TEST(ObjectTree, NamesAreUniqueAmongSiblingsAndCopiedOutWithinBounds) {
    CObject* p = new CObject;
    CObject* x1 = new CObject(p);
    CObject* x2 = new CObject;
    CObject* unnamed = new CObject(p);
    x1->SetObjectName(u"x");
    x2->SetObjectName(u"x");
    EXPECT_FALSE(p->AddChild(x2, -1));
    (new CObject(p))->Release();  // unnamed children never clash
    EXPECT_EQ(p->GetChildCount(), 3);
    CObject* found = p->FindChild(u"x");
    EXPECT_EQ(found, x1);
    ReleaseObject(found);
    EXPECT_EQ(p->FindChild(u"X"), nullptr);

    x2->SetObjectName(u"longer");
    char16_t buffer[4] = {u'?', u'?', u'?', u'?'};
    EXPECT_EQ(x2->GetObjectName(buffer, 4), 0);
    EXPECT_EQ(std::u16string(buffer), u"lon");
    EXPECT_EQ(x2->GetObjectName(nullptr, 4), 6);
    EXPECT_EQ(unnamed->GetObjectName(buffer, 4), 0);
    EXPECT_EQ(buffer[0], 0);
    ReleaseAll({x1, x2, unnamed, p});
}

TEST(ObjectLife, ReleaseAndDisposeFreeTheTreeButAHeldDescendantSurvivesDetached) {
    const size_t before = GetRegisteredObjectCount();
    CObject* root = new CElement(u"root");
    CObject* child = new CObject(root);
    CObject* grand = new CObject(child);
    (new CObject(root))->Release();
    child->Release();
    EXPECT_EQ(GetRegisteredObjectCount(), before + 4);
    EXPECT_EQ(root->Release(), 0);
    EXPECT_EQ(GetRegisteredObjectCount(), before + 1);
    EXPECT_EQ(grand->GetRefCount(), 1);
    EXPECT_EQ(grand->GetParent(), nullptr);
    EXPECT_EQ(grand->Release(), 0);

    // Disposed early: detached, childless, still alive for its holder; once only.
    CObject* p = new CObject;
    CObject* c = new CObject(p);
    CObject* g = new CObject(c);
    c->Dispose();
    EXPECT_TRUE(c->IsDisposed());
    EXPECT_EQ(c->GetChildCount() + p->GetChildCount(), 0);
    EXPECT_EQ(c->GetRefCount(), 1);
    EXPECT_EQ(g->GetRefCount(), 1);
    EXPECT_EQ(g->GetParent(), nullptr);
    c->Dispose();
    EXPECT_EQ(c->Release(), 0);
    ReleaseAll({g, p});

    // A very deep tree is torn down without recursion. Built from the leaf up, so that no
    // AddChild has ancestors to walk.
    CObject* top = new CElement(u"leaf");
    for (int i = 0; i < 300000; ++i) {
        CObject* parent = i % 2 == 0 ? new CObject : new CElement(u"e");
        ASSERT_TRUE(parent->AddChild(top, -1));
        top->Release();
        top = parent;
    }
    EXPECT_EQ(GetRegisteredObjectCount(), before + 300001);
    top->Release();
    EXPECT_EQ(GetRegisteredObjectCount(), before);
}

TEST(ObjectNotify, EventsSpreadDownButNotThroughElementsAndLinksAreCut) {
    std::vector<std::string> log;
    auto* r = new Probe(log, u"r");
    auto* a = new Probe(log, u"a", r);
    auto* aa = new Probe(log, u"aa", a);
    auto* e = new CElement(u"e");
    r->AddChild(e, -1);
    auto* hidden = new Probe(log, u"hidden", e);
    auto* n = new Probe(log, u"n");
    log.clear();
    r->AddChild(n, -1);
    EXPECT_EQ(log, (std::vector<std::string>{"r:n:0", "a:n:0", "aa:n:0"}));
    log.clear();
    r->RemoveChild(n);
    EXPECT_EQ(log, (std::vector<std::string>{"r:n:1", "a:n:1", "aa:n:1"}));
    ReleaseAll({r, a, aa, e, hidden});

    // An owned link holds a reference and is cut when either side goes.
    auto* b = new Probe(log, u"b");
    n->SetLink(b, true);
    EXPECT_EQ(b->GetRefCount(), 2);
    log.clear();
    b->Dispose();  // n hears of it and gives its reference back
    EXPECT_EQ(log, (std::vector<std::string>{"n:b:1"}));
    EXPECT_EQ(n->GetLink(), nullptr);
    EXPECT_EQ(b->GetRefCount(), 1);
    b->Release();
    auto* c = new Probe(log, u"c");
    n->SetLink(c, false);
    EXPECT_EQ(c->GetRefCount(), 1);
    n->SetLink(c, true);
    c->Release();
    log.clear();
    EXPECT_EQ(n->Release(), 0);  // n's disposal tells c and drops the owned link, freeing c
    EXPECT_EQ(log, (std::vector<std::string>{"c:n:1"}));

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
    ReleaseAll({x, element});
}

}  // namespace
}  // namespace zev
