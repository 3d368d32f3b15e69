// meta_data_tree.cpp - CMetaDataTree: the mirror of a packet's element tree.
#include "metadata/meta_data_tree.h"

#include <new>
#include <vector>

CMetaDataTree::~CMetaDataTree() {
    RemoveAllChildren();
}

void CMetaDataTree::RemoveAllChildren() {
    // Iterative, so that tearing down a deeply nested packet cannot exhaust the call stack. A child
    // is nulled in its parent as soon as it is taken; whatever could not be taken (no memory for
    // the work list) stays owned by its parent and is deleted recursively instead.
    std::vector<CMetaDataTree*> doomed;
    auto take = [&doomed](CMetaDataTree& node) {
        for (INT_PTR i = 0; i < node.m_Children.GetSize(); ++i) {
            if (node.m_Children[i] != nullptr) {
                doomed.push_back(node.m_Children[i]);
                node.m_Children[i] = nullptr;
            }
        }
        node.m_Children.RemoveAll();
    };
    try {
        take(*this);
    } catch (const std::bad_alloc&) {
    }
    while (!doomed.empty()) {
        CMetaDataTree* node = doomed.back();
        doomed.pop_back();
        try {
            take(*node);
        } catch (const std::bad_alloc&) {
        }
        delete node;
    }
    for (INT_PTR i = 0; i < m_Children.GetSize(); ++i) {
        delete m_Children[i];
    }
    m_Children.RemoveAll();
}
