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

// The encoding number a source writes into its rules XML declaration ("utf-%d").
constexpr int kRulesXmlEncoding = 8;

// A tag's ':' between URI and local name is the first at this index or later; an earlier one
// belongs to the URI's scheme.
constexpr int kFirstTagColon = 5;

class CMetaDataSource : public CDestination, public ITagResolver {
  public:
    CMetaDataSource();  // one empty CMetaData, no rules, kMetaDataSourceHostData
    ~CMetaDataSource() override;

    int GetType() const override;  // DestinationType::kMetaDataSource

    // Reading the packet (once, right after construction).
    void Load(const char* packet);
    // Spends flat: the groups take its values (sharing its texts) and it is left empty. Should the
    // split fail, flat and the groups are as they were.
    void SplitByNamespace(CMetaData* flat);

    // Namespaces and values.
    POSITION GetFirstNamespacePosition() const;
    bool GetNextNamespace(POSITION& pos, CString& prefix, CString& uri) const;
    CMetaData* FindMetaDataByPrefix(const CString& prefix) const;
    CMetaData* FindMetaDataByNamespace(const CString& uri) const;
    bool GetValue(const CString& tag, CString& value) const override;
    std::optional<std::u16string_view> FindValue(std::u16string_view tag,
                                                 CString& scratch) const override;
    void GetAllNamespaces(CBSTRMetaDataTree* root) const;
    // Element 0 the namespace list, then one value group per declared namespace, in its order.
    const CArray<CMetaData*, CMetaData*>& GetMetaData() const { return m_MetaData; }

    // Rules.
    const CRuleArray& GetStoredRules() const { return m_Rules; }
    void CopyRules(const CArray<CRule*, CRule*>* from);
    RuleArrayPtr CloneRules() const;
    void GetRules(CArray<CRule*, CRule*>* out) const;
    void ParseRules(CArray<CRule*, CRule*>* out) const;
    BSTR GetRulesXML() const;
    void SetRulesXML(const char16_t* text, int append);

  private:
    CArray<CMetaData*, CMetaData*> m_MetaData;  // owns the groups
    CArray<CRule*, CRule*> m_Rules;             // owns the rules
    int m_nEncoding = kRulesXmlEncoding;
};
