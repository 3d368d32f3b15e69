// rule_list.cpp - copies of a rule list and its evaluation against a source's values.
#include "rules/rule_list.h"

#include <memory>

#include "platform/bstr.h"
#include "rules/rule_stage.h"

namespace {

std::unique_ptr<CRule> CloneOrNull(const CRule* rule) {
    return std::unique_ptr<CRule>(rule == nullptr ? nullptr : rule->Clone());
}

}  // namespace

void CopyRuleArray(CRuleArray& to, const CRuleArray* from) {
    if (from == nullptr) {
        return;
    }
    CRuleStage stage(to, false);
    for (INT_PTR i = 0; i < from->GetSize(); ++i) {
        stage.Add(CloneOrNull((*from)[i]));
    }
    stage.Commit();
}

CRuleArray* CloneRuleArray(const CRuleArray& from) {
    auto copy = std::make_unique<CRuleArray>();
    CopyRuleArray(*copy, &from);
    return copy.release();
}

void GetRuleCopies(const CRuleArray& rules, CRuleArray* out) {
    if (out == nullptr) {
        return;
    }
    // The caller hands out an empty array; should it not be, its rules are freed rather than
    // overwritten and lost.
    CRuleStage stage(*out, false);
    CRuleArray& slots = stage.Slots();
    slots.SetSize(rules.GetSize());
    for (INT_PTR i = 0; i < rules.GetSize(); ++i) {
        slots[i] = CloneOrNull(rules[i]).release();
    }
    stage.Commit();
}

int ResolveTag(CRule* rule, const ITagResolver& source) {
    if (rule == nullptr) {
        return -1;
    }
    if (rule->m_Args.GetSize() < 2) {
        return -2;
    }
    CString value;
    if (!source.GetValue(rule->GetArg(0), value)) {
        rule->m_nType = RuleTypeUnresolved;
        return -3;
    }
    BSTR resolved = value.AllocSysString();
    SysFreeString(rule->m_Args[0]);
    rule->m_Args[0] = resolved;
    return 1;
}

CRule* EvaluateRule(const CRuleArray& rules, INT_PTR i, const ITagResolver& source) {
    if (i < 0 || i >= rules.GetSize() || rules[i] == nullptr) {
        return nullptr;
    }
    // Evaluation works on a copy; the stored rule keeps its tag.
    std::unique_ptr<CRule> copy(rules[i]->Clone());
    for (CRule* r = copy.get(); r != nullptr; r = r->m_pNext) {
        if (r->m_nType >= RuleTypePush && r->m_nType <= RuleTypeIsOneOf) {
            ResolveTag(r, source);
        }
    }
    return copy.release();
}

void EvaluateRules(const CRuleArray& rules, const ITagResolver& source, CRuleArray* out) {
    if (out == nullptr) {
        return;
    }
    CRuleStage stage(*out, false);
    for (INT_PTR i = 0; i < rules.GetSize(); ++i) {
        stage.Add(std::unique_ptr<CRule>(EvaluateRule(rules, i, source)));
    }
    stage.Commit();
}
