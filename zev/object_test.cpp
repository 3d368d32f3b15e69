// object_test.cpp - zev::CObject: what the child list refuses and how children move, reference
// counts, names, disposal of deep trees, notifications and links.
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
    for (CObject* refused : {static_cast<CObject*>(nullptr), leaf, root}) {  // itself, an ancestor
        EXPECT_FALSE(leaf->AddChild(refused, -1));
    }
    EXPECT_FALSE(mid->AddChild(leaf, 0));   // already its child
    EXPECT_FALSE(mid->AddChild(loose, 2));  // past the end
    mid->RemoveChild(root);                 // not its child
    EXPECT_EQ(Children(mid), std::vector<CObject*>{leaf});
    EXPECT_EQ(loose->GetRefCount() + leaf->GetRefCount(), 3);

    CObject* n = new CObject;
    EXPECT_TRUE(mid->AddChild(n, 0));
    EXPECT_TRUE(mid->AddChild(loose, 2));  // index == count appends
    EXPECT_EQ(Children(mid), (std::vector<CObject*>{n, leaf, loose}));
    EXPECT_TRUE(root->AddChild(leaf, -1));  // moved to another parent
    EXPECT_EQ(Children(mid), (std::vector<CObject*>{n, loose}));
    EXPECT_EQ(leaf->GetRefCount(), 2);
    EXPECT_EQ(Children(root).back(), leaf);

    CObject* extra = new CObject(mid);
    EXPECT_TRUE(mid->MoveChild(n, 1));
    EXPECT_EQ(Children(mid), (std::vector<CObject*>{loose, n, extra}));
    EXPECT_TRUE(mid->MoveChild(extra, 0));
    EXPECT_TRUE(mid->MoveChild(loose, -1));
    EXPECT_EQ(Children(mid), (std::vector<CObject*>{extra, n, loose}));
    EXPECT_FALSE(mid->MoveChild(leaf, 0));
    EXPECT_FALSE(mid->MoveChild(n, 3));
    EXPECT_EQ(mid->GetChild(-1), loose);
    loose->Release();
    EXPECT_EQ(mid->GetChild(3), nullptr);

    mid->RemoveChild(n);
    EXPECT_EQ(n->GetRefCount(), 1);
    EXPECT_EQ(n->GetParent(), nullptr);
    ReleaseAll({leaf, mid, loose, root, n, extra});
}

TEST(ObjectTree, NamesAreUniqueAmongSiblingsAndCopiedOutWithinBounds) {
    CObject* p = new CObject;
    CObject* x1 = new CObject(p);
    CObject* x2 = new CObject;
    x1->SetObjectName(u"x");
    x2->SetObjectName(u"x");
    EXPECT_FALSE(p->AddChild(x2, -1));
    EXPECT_EQ(p->FindChild(u"x"), x1);
    x1->Release();
    EXPECT_EQ(p->FindChild(u"X"), nullptr);
    x2->SetObjectName(u"longer");
    char16_t buffer[5] = {u'?', u'?', u'?', u'?', u'?'};
    EXPECT_EQ(x2->GetObjectName(buffer, 4), 0);
    EXPECT_EQ(std::u16string(buffer), u"lon");
    EXPECT_EQ(buffer[4], u'?');
    EXPECT_EQ(x2->GetObjectName(nullptr, 4), 6);
    ReleaseAll({x1, x2, p});
}

// Disposal tells the listeners, cuts owned links giving their reference back, frees the children
// (a held one survives) and spreads to the parent's side but not through an element; a deep tree is
// torn down without recursion.
TEST(ObjectLife, DisposeNotifiesAndCutsLinksAndDeepTreesNeedNoRecursion) {
    const size_t before = GetRegisteredObjectCount();
    std::vector<std::string> log;
    auto* r = new Probe(log, u"r");
    auto* a = new Probe(log, u"a", r);
    auto* e = new CElement(u"e");
    r->AddChild(e, -1);
    auto* hidden = new Probe(log, u"hidden", e);
    auto* n = new Probe(log, u"n", r);
    auto* g = new Probe(log, u"g");
    log.clear();
    n->AddChild(g, -1);
    EXPECT_EQ(log, std::vector<std::string>{"n:g:0"});
    auto* b = new Probe(log, u"b");
    g->SetLink(b, true);
    EXPECT_EQ(b->GetRefCount(), 2);
    b->Dispose();
    EXPECT_EQ(g->GetLink(), nullptr);
    EXPECT_EQ(b->Release(), 0);
    g->SetLink(n, false);
    EXPECT_EQ(n->GetRefCount(), 2);  // a link not owned holds no reference
    g->SetLink(n, true);
    log.clear();
    n->Dispose();
    n->Dispose();  // once only
    EXPECT_EQ(log, (std::vector<std::string>{"g:n:1", "n:g:1", "r:n:1", "a:n:1"}));
    EXPECT_EQ(g->GetRefCount() + n->GetChildCount(), 1);
    EXPECT_EQ(g->GetParent(), nullptr);
    EXPECT_EQ(n->Release(), 0);
    ReleaseAll({r, a, e, hidden, g});

    CObject* top = new CElement(u"leaf");
    for (int i = 0; i < 300000; ++i) {
        CObject* parent = i % 2 == 0 ? new CObject : new CElement(u"e");
        ASSERT_TRUE(parent->AddChild(top, -1));
        top->Release();
        top = parent;
    }
    top->Release();
    EXPECT_EQ(GetRegisteredObjectCount(), before);
}

}  // namespace
}  // namespace zev
