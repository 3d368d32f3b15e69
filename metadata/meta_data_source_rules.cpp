// meta_data_source_rules.cpp - CMetaDataSource's rule list: copies, evaluation against its own
// values, and the rules XML.
#include "metadata/meta_data_source.h"
#include "rules/rule_list.h"
#include "rules/rules_xml.h"

void CMetaDataSource::CopyRules(const CArray<CRule*, CRule*>* from) {
    CopyRuleArray(m_Rules, from);
}

RuleArrayPtr CMetaDataSource::CloneRules() const {
    return RuleArrayPtr(CloneRuleArray(m_Rules));
}

void CMetaDataSource::GetRules(CArray<CRule*, CRule*>* out) const {
    if (out == &m_Rules) {
        return;  // already holds exactly these rules
    }
    GetRuleCopies(m_Rules, out);
}

void CMetaDataSource::ParseRules(CArray<CRule*, CRule*>* out) const {
    if (out == &m_Rules) {
        return;  // the stored rules never change
    }
    EvaluateRules(m_Rules, *this, out);
}

BSTR CMetaDataSource::GetRulesXML() const {
    return WriteRulesXML(m_Rules, m_nEncoding).AllocSysString();
}

void CMetaDataSource::SetRulesXML(const char16_t* text, int append) {
    ReadRulesXML(m_Rules, text, append);
}
