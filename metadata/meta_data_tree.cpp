// meta_data_tree.cpp - CMetaDataTree: the mirror of a packet's element tree.
#include "metadata/meta_data_tree.h"

#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "zev/object.h"
#include "zev/parser.h"

namespace {

// A mirror node still to be filled from its element; the element's reference belongs to the
// walk.
struct Pending {
    CMetaDataTree* node;
    zev::CElement* element;
};

// Releases every reference still held in the list on the way out.
struct HeldObjects {
    std::vector<zev::CObject*> items;
    HeldObjects() = default;
    HeldObjects(const HeldObjects&) = delete;
    HeldObjects& operator=(const HeldObjects&) = delete;
    ~HeldObjects() {
        for (zev::CObject* object : items) {
            zev::ReleaseObject(object);
        }
    }
};

// Fills node from element alone: names, text, attributes, and one empty child node per child of
// the element. Children that are elements are queued (with their reference) to be filled in turn;
// any other child is released and its node stays empty.
void MirrorOne(CMetaDataTree& node, zev::CElement& element, std::vector<Pending>& pending) {
    node.RemoveAllChildren();
    node.m_Attributes.RemoveAll();

    const std::u16string& qualified = element.qualifiedName();
    const size_t colon = qualified.find(u':');
    node.m_strPrefix = colon == std::u16string::npos ? CString() : CString(qualified.data(), colon);
    node.m_strName = CString(element.name());
    node.m_strText = CString(element.text());

    const int attributes = element.GetAttributeCount();
    std::u16string key;
    std::u16string value;
    for (int i = 0; i < attributes; ++i) {
        if (element.GetAttributeAt(i, key, value) == S_OK) {
            node.m_Attributes.SetAt(CString(key), CString(value));
        }
    }

    HeldObjects children;
    element.GetChildren(children.items);
    const size_t count = children.items.size();
    node.m_Children.resize(count);
    pending.reserve(pending.size() + count);  // no push below can throw
    for (size_t i = 0; i < count; ++i) {
        node.m_Children[i] = std::make_unique<CMetaDataTree>();
        zev::CObject*& child = children.items[i];
        if (auto* childElement = dynamic_cast<zev::CElement*>(child)) {
            pending.push_back({node.m_Children[i].get(), childElement});
            child = nullptr;  // the reference now travels with the queue
        }
    }
}

}  // namespace

CMetaDataTree::~CMetaDataTree() {
    RemoveAllChildren();
}

void CMetaDataTree::RemoveAllChildren() {
    // Iterative, so that tearing down a deeply nested packet cannot exhaust the call stack: a node
    // goes only once its children have moved to the work list. Whatever could not move (no memory
    // for the list) stays with its parent and is deleted recursively instead.
    std::vector<std::unique_ptr<CMetaDataTree>> doomed;
    auto take = [&doomed](CMetaDataTree& node) {
        for (std::unique_ptr<CMetaDataTree>& child : node.m_Children) {
            if (child != nullptr) {
                doomed.push_back(std::move(child));
            }
        }
        node.m_Children.clear();
    };
    try {
        take(*this);
    } catch (const std::bad_alloc&) {
    }
    while (!doomed.empty()) {
        const std::unique_ptr<CMetaDataTree> node = std::move(doomed.back());
        doomed.pop_back();
        try {
            take(*node);
        } catch (const std::bad_alloc&) {
        }
    }
    m_Children.clear();
}

void CMetaDataTree::Load(const char* packet) {
    RemoveAllChildren();
    m_Attributes.RemoveAll();
    m_strPrefix.Empty();
    m_strName.Empty();
    m_strText.Empty();

    std::u16string wide;
    const char16_t* text = zev::Utf8ToWide(wide, packet == nullptr ? "" : packet);
    zev::CElement* parsed = nullptr;
    const HRESULT result = zev::ParseXMLText(text, &parsed);
    if (zev::IsAllocationFailure(result)) {
        // Not an unreadable packet: storing an empty source would replace what the scene holds.
        throw std::bad_alloc();
    }
    if (result != S_OK || parsed == nullptr) {
        return;  // unreadable: the node stays empty
    }
    // The parser hands back a nameless document whose child 0 is the document element.
    zev::ObjectRef<zev::CElement> root;
    {
        zev::ObjectRef<zev::CElement> document(parsed);
        root.Reset(document->GetChildElement(0));
    }
    FromElement(root.get());
}

void CMetaDataTree::FromElement(zev::CElement* element) {
    if (element == nullptr) {
        return;
    }
    // The walk keeps its to-do list on the heap, so nesting depth costs no call stack. The
    // caller's reference to element stays the caller's.
    std::vector<Pending> pending;
    struct Releaser {
        std::vector<Pending>& list;
        ~Releaser() {
            for (const Pending& p : list) {
                zev::ReleaseObject(p.element);
            }
        }
    } releaser{pending};
    MirrorOne(*this, *element, pending);
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        zev::ObjectRef<zev::CElement> held(next.element);
        MirrorOne(*next.node, *next.element, pending);
    }
}
