// meta_data_source.h - CMetaDataSource: one metadata packet stored in a scene, its values grouped
// by namespace, and the rules attached to it.
#pragma once

#include "metadata/bstr_meta_data_tree.h"
#include "metadata/destination.h"
#include "metadata/meta_data.h"
#include "platform/carray.h"
#include "rules/rule.h"
#include "rules/tag_resolver.h"
#include "zev/element.h"

class CMetaDataSource : public CDestination, public ITagResolver {
  public:
    CMetaDataSource();  // one empty CMetaData, no rules, host data 4
    ~CMetaDataSource() override;

    int GetType() const override;  // 1

    // Reading the packet (once, right after construction).
    void Load(const char* packet);
    // Spends flat: its values move into the groups and it is left empty. A group of this source
    // is copied from instead, so that it is whole should the split fail.
    void SplitByNamespace(CMetaData* flat);

    // Namespaces and values.
    POSITION GetFirstNamespacePosition() const;
    bool GetNextNamespace(POSITION& pos, CString& prefix, CString& uri) const;
    CMetaData* FindMetaDataByPrefix(const CString& prefix) const;
    CMetaData* FindMetaDataByNamespace(const CString& uri) const;
    bool GetValue(const CString& tag, CString& value) const override;
    const CString* FindValue(std::u16string_view tag, CString& scratch) const override;
    void GetAllNamespaces(CBSTRMetaDataTree* root) const;

    // Rules.
    void CopyRules(const CArray<CRule*, CRule*>* from);
    CArray<CRule*, CRule*>* CloneRules() const;
    void GetRules(CArray<CRule*, CRule*>* out) const;
    void ParseRules(CArray<CRule*, CRule*>* out) const;
    BSTR GetRulesXML() const;
    void SetRulesXML(const char16_t* text, int append);

    CArray<CMetaData*, CMetaData*> m_MetaData;
    CArray<CRule*, CRule*> m_Rules;
    int m_nEncoding = 8;

  private:
    // Groups the pairs Walk hands out by namespace and replaces the groups with them.
    template <class Walk>
    void Distribute(Walk& walk);
};
