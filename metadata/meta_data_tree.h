// meta_data_tree.h - CMetaDataTree: the mirror of a packet's element tree, alive only while a
// packet is read.
#pragma once

#include "platform/carray.h"
#include "platform/cmap.h"
#include "platform/cstring.h"
#include "zev/element.h"

class CMetaDataTree {
  public:
    CMetaDataTree() = default;
    ~CMetaDataTree();
    CMetaDataTree(const CMetaDataTree&) = delete;
    CMetaDataTree& operator=(const CMetaDataTree&) = delete;

    // Parses the UTF-8 packet; an unreadable packet leaves the node empty.
    void Load(const char* packet);
    void FromElement(zev::CElement* element);
    void RemoveAllChildren();

    CString m_strPrefix;
    CString m_strName;
    CString m_strText;
    CMap<CString, LPCWSTR, CString, LPCWSTR> m_Attributes;
    CArray<CMetaDataTree*, CMetaDataTree*> m_Children;
};
