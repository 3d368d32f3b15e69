// meta_data.cpp - CMetaData: flattening a packet's mirrored tree into qualified-name/value pairs.
#include "metadata/meta_data.h"

#include <vector>

#include "metadata/meta_data_tree.h"

namespace {

void CopyAttributes(const CMetaDataTree& node, CMetaData::ValueMap& out) {
    POSITION pos = node.GetAttributes().GetStartPosition();
    while (pos != nullptr) {
        const auto* entry = node.GetAttributes().GetNextAssocPtr(pos);
        out.SetAt(entry->key.view(), entry->value.view());
    }
}

// A property element's value: its text, or the texts of its first child's children joined with
// ", " (the items of an rdf:Bag, rdf:Seq or rdf:Alt).
CString PropertyValue(const CMetaDataTree& node) {
    if (node.GetChildren().empty()) {
        return node.GetText();
    }
    const CMetaDataTree* list = node.GetChildren()[0].get();
    CString joined;
    if (list == nullptr) {
        return joined;
    }
    for (size_t i = 0; i < list->GetChildren().size(); ++i) {
        if (i > 0) {
            joined += CString(u", ");
        }
        if (const CMetaDataTree* item = list->GetChildren()[i].get(); item != nullptr) {
            joined += item->GetText();
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
        if (n->GetPrefix().CompareNoCase(u"x") == 0) {
            // The wrapper: only its first child is read.
            if (!n->GetChildren().empty()) {
                pending.push_back(n->GetChildren()[0].get());
            }
            continue;
        }
        if (n->GetPrefix().CompareNoCase(u"rdf") == 0) {
            if (n->GetName().CompareNoCase(u"Description") == 0 && !n->GetAttributes().IsEmpty()) {
                CopyAttributes(*n, m_Values);
            }
            for (size_t i = n->GetChildren().size(); i-- > 0;) {
                pending.push_back(n->GetChildren()[i].get());
            }
            continue;
        }
        if (!n->GetAttributes().IsEmpty()) {
            CopyAttributes(*n, m_Values);
            continue;
        }
        CString key = n->GetPrefix();
        key += u':';
        key += n->GetName();
        m_Values.SetAt(key.view(), PropertyValue(*n).view());
    }
}
