// rule_sentence.cpp - CRulesCreator::DescribeRule and PrepareRuleText: the sentence shown for a
// rule in the Rules list.
#include "dialog/rules_creator.h"

#include "metadata/destination.h"
#include "metadata/meta_data.h"

namespace {

struct SentenceForm {
    const char16_t* format;  // tag, second text, ending
    bool resolve;            // the second text is a destination key
    bool prefixForm;         // the tag is shown with its namespace's prefix
};

// Indexed by type code 1 to 10.
constexpr SentenceForm kForms[] = {
    {u"Data from tag \"%s\" to template \"%s\"%s", true, true},
    {u"Check to see if tag \"%s\" is the same as \"%s\"%s", false, true},
    {u"Check to see if tag \"%s\" is the same as template \"%s\"%s", true, false},
    {u"Check to see if tag \"%s\" is different than \"%s\"%s", false, false},
    {u"Check to see if tag \"%s\" is different from template \"%s\"%s", true, false},
    {u"Check to see if tag \"%s\" contains \"%s\"%s", false, false},
    {u"Check to see if tag \"%s\" contains string from template \"%s\"%s", true, false},
    {u"Check to see if tag \"%s\" doesn't contain \"%s\"%s", false, false},
    {u"Check to see if tag \"%s\" doesn't contain string from template \"%s\"%s", true, false},
    {u"Check to see if tag \"%s\" is any of \"%s\"%s", false, false},
};

}  // namespace

CString CRulesCreator::DescribeRule(const CRule* rule) const {
    if (rule == nullptr) {
        return CString();
    }
    if (rule->m_nType < RuleTypePush || rule->m_nType > RuleTypeIsOneOf) {
        return CString(u"Unknown Rule Type");
    }
    const SentenceForm& form = kForms[rule->m_nType - RuleTypePush];

    CString text;
    CString tag;
    CString second;
    if (!PrepareRuleText(rule, text, tag, second, form.resolve)) {
        return text;
    }
    if (form.prefixForm && m_pSource != nullptr) {
        const int colon = tag.Find(u':', kFirstTagColon);
        if (colon >= 0) {
            const CMetaData* group = m_pSource->FindMetaDataByNamespace(tag.Left(colon));
            if (group != nullptr) {
                tag = group->m_strPrefix + tag.Mid(colon);
            }
        }
    }
    const char16_t* ending = rule->m_bValidation ? u"  (Validation Rule)" : u"";
    text.Format(form.format, tag.GetString(), second.GetString(), ending);
    return text;
}

bool CRulesCreator::PrepareRuleText(const CRule* rule, CString& text, CString& tag, CString& second,
                                    bool resolve) const {
    if (rule == nullptr) {
        return false;
    }
    tag = rule->GetArg(0);
    second = rule->GetArg(1);
    if (resolve) {
        const CDestination* object =
            m_pScene != nullptr ? m_pScene->FindDestination(second) : nullptr;
        if (object == nullptr) {
            text.Format(u"Cannot display rule: GUID %s refers to an object that does not exist",
                        second.GetString());
            return false;
        }
        second = object->GetName();
    }
    return true;
}
