// bstr_meta_data_tree.cpp - CBSTRMetaDataTree: the namespace records handed to the host.
#include "metadata/bstr_meta_data_tree.h"

CBSTRMetaDataTree::~CBSTRMetaDataTree() {
    Clear();
}

void CBSTRMetaDataTree::Clear() {
    SysFreeString(m_bstrNamespace);
    m_bstrNamespace = nullptr;
    SysFreeString(m_bstrPrefix);
    m_bstrPrefix = nullptr;
    POSITION pos = m_Values.GetStartPosition();
    while (pos != nullptr) {
        const auto* entry = m_Values.GetNextAssocPtr(pos);
        SysFreeString(entry->key);
        SysFreeString(entry->value);
    }
    // Emptied as well, so that a second Clear (the destructor after an explicit one) frees
    // nothing twice.
    m_Values.RemoveAll();
    for (INT_PTR i = 0; i < m_Children.GetSize(); ++i) {
        delete m_Children[i];
    }
    m_Children.RemoveAll();
}
