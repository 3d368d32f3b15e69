// meta_data_tree.h - CMetaDataTree: the mirror of a packet's element tree, alive only while a
// packet is read.
#pragma once

#include <memory>
#include <vector>

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
    // A new last child, named prefix:name, with nothing in it.
    CMetaDataTree& AddChild(const CString& prefix, const CString& name);

    const CString& GetPrefix() const { return m_strPrefix; }
    const CString& GetName() const { return m_strName; }
    const CString& GetText() const { return m_strText; }
    const CMap<CString, LPCWSTR, CString, LPCWSTR>& GetAttributes() const { return m_Attributes; }
    const std::vector<std::unique_ptr<CMetaDataTree>>& GetChildren() const { return m_Children; }

  private:
    struct Mirror;  // fills nodes from an element tree

    CString m_strPrefix;
    CString m_strName;
    CString m_strText;
    CMap<CString, LPCWSTR, CString, LPCWSTR> m_Attributes;
    std::vector<std::unique_ptr<CMetaDataTree>> m_Children;  // in document order
};
