// meta_data.cpp - CMetaData: flattening a packet's mirrored tree into qualified-name/value pairs.
#include "metadata/meta_data.h"

#include <vector>

#include "metadata/meta_data_tree.h"

namespace {

void CopyAttributes(const CMetaDataTree& node, CMetaData::ValueMap& out) {
    POSITION pos = node.m_Attributes.GetStartPosition();
    while (pos != nullptr) {
        const auto* entry = node.m_Attributes.GetNextAssocPtr(pos);
        out.SetAt(entry->key.view(), entry->value.view());
    }
}

// A property element's value: its text, or the texts of its first child's children joined with
// ", " (the items of an rdf:Bag, rdf:Seq or rdf:Alt).
CString PropertyValue(const CMetaDataTree& node) {
    if (node.m_Children.empty()) {
        return node.m_strText;
    }
    const CMetaDataTree* list = node.m_Children[0].get();
    CString joined;
    if (list == nullptr) {
        return joined;
    }
    for (size_t i = 0; i < list->m_Children.size(); ++i) {
        if (i > 0) {
            joined += CString(u", ");
        }
        if (const CMetaDataTree* item = list->m_Children[i].get(); item != nullptr) {
            joined += item->m_strText;
        }
    }
    return joined;
}

}  // namespace

void CMetaData::Flatten(const CMetaDataTree* node) {
    // Depth-first, children in document order; an explicit stack so that a deeply nested packet
    // cannot exhaust the call stack.
    std::vector<const CMetaDataTree*> pending;
    pending.push_back(node);
    while (!pending.empty()) {
        const CMetaDataTree* n = pending.back();
        pending.pop_back();
        if (n == nullptr) {
            continue;
        }
        if (n->m_strPrefix.CompareNoCase(u"x") == 0) {
            // The wrapper: only its first child is read.
            if (!n->m_Children.empty()) {
                pending.push_back(n->m_Children[0].get());
            }
            continue;
        }
        if (n->m_strPrefix.CompareNoCase(u"rdf") == 0) {
            if (n->m_strName.CompareNoCase(u"Description") == 0 && !n->m_Attributes.IsEmpty()) {
                CopyAttributes(*n, m_Values);
            }
            for (size_t i = n->m_Children.size(); i-- > 0;) {
                pending.push_back(n->m_Children[i].get());
            }
            continue;
        }
        if (!n->m_Attributes.IsEmpty()) {
            CopyAttributes(*n, m_Values);
            continue;
        }
        CString key = n->m_strPrefix;
        key += u':';
        key += n->m_strName;
        m_Values.SetAt(key.view(), PropertyValue(*n).view());
    }
}
