// bstr_meta_data_tree.h - CBSTRMetaDataTree: the namespace record handed to the host. Its layout is
// the host's OlvaneNamespace.
#pragma once

#include <cstddef>

#include "olvane/olvane.h"
#include "platform/carray.h"
#include "platform/cmap.h"

class CBSTRMetaDataTree {
  public:
    CBSTRMetaDataTree() = default;
    ~CBSTRMetaDataTree();
    CBSTRMetaDataTree(const CBSTRMetaDataTree&) = delete;
    CBSTRMetaDataTree& operator=(const CBSTRMetaDataTree&) = delete;

    // Frees the strings, every value and every child record.
    void Clear();

    BSTR m_bstrPrefix = nullptr;
    BSTR m_bstrNamespace = nullptr;
    CMap<WCHAR*, WCHAR*, WCHAR*, WCHAR*> m_Values;
    CArray<CBSTRMetaDataTree*, CBSTRMetaDataTree*> m_Children;
};

static_assert(sizeof(CBSTRMetaDataTree) == sizeof(OlvaneNamespace));
static_assert(offsetof(CBSTRMetaDataTree, m_bstrNamespace) == offsetof(OlvaneNamespace, ns_uri));
static_assert(offsetof(CBSTRMetaDataTree, m_Values) == offsetof(OlvaneNamespace, values));
static_assert(offsetof(CBSTRMetaDataTree, m_Children) == offsetof(OlvaneNamespace, children));
