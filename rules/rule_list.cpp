// rule_list.cpp - copies of a rule list and its evaluation against a source's values.
#include "rules/rule_list.h"

#include <memory>
#include <optional>
#include <string_view>

#include "platform/bstr.h"
#include "rules/rule_stage.h"

namespace {

std::unique_ptr<CRule> CloneOrNull(const CRule* rule) {
    return std::unique_ptr<CRule>(rule == nullptr ? nullptr : rule->Clone());
}

std::u16string_view ArgText(BSTR arg) {
    return arg == nullptr ? std::u16string_view() : std::u16string_view(arg, SysStringLen(arg));
}

bool Evaluates(int type) {
    return type >= RuleTypePush && type <= RuleTypeIsOneOf;
}

// The evaluated copy of one link, made as ResolveTag would leave a clone of it, but copying a
// resolved value once instead of copying the tag and then replacing it.
std::unique_ptr<CRule> EvaluateLink(const CRule& from, const ITagResolver& source,
                                    CString& scratch) {
    std::optional<std::u16string_view> value;
    const bool resolving = Evaluates(from.m_nType) && from.m_Args.GetSize() >= 2;
    if (resolving) {
        value = source.FindValue(ArgText(from.m_Args[0]), scratch);
    }
    std::unique_ptr<CRule> copy = CloneLink(from, value);
    if (resolving && !value) {
        copy->m_nType = RuleTypeUnresolved;
    }
    return copy;
}

// Evaluation works on a copy; the stored rule keeps its tag. scratch is shared by the rules of
// one evaluation, so that a source that copies values reuses one buffer.
CRule* EvaluateChain(const CRule& from, const ITagResolver& source, CString& scratch) {
    return CopyChain(from, [&](const CRule& link) { return EvaluateLink(link, source, scratch); });
}

}  // namespace

void CopyRuleArray(CRuleArray& to, const CRuleArray* from) {
    if (from == nullptr) {
        return;
    }
    RuleStage stage(to, false);
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
    RuleStage stage(*out, false);
    CRuleArray& slots = stage.Slots();
    slots.SetSize(rules.GetSize());
    for (INT_PTR i = 0; i < rules.GetSize(); ++i) {
        slots[i] = CloneOrNull(rules[i]).release();
    }
    stage.Commit();
}

int ResolveTag(CRule* rule, const ITagResolver& source) {
    if (rule == nullptr) {
        return ResolveResult::kNullRule;
    }
    if (rule->m_Args.GetSize() < 2) {
        return ResolveResult::kTooFewArgs;
    }
    CString scratch;
    const std::optional<std::u16string_view> value =
        source.FindValue(ArgText(rule->m_Args[0]), scratch);
    if (!value) {
        rule->m_nType = RuleTypeUnresolved;
        return ResolveResult::kNoValue;
    }
    BSTR resolved = AllocBstrOrThrow(value->data(), static_cast<unsigned int>(value->size()));
    SysFreeString(rule->m_Args[0]);
    rule->m_Args[0] = resolved;
    return ResolveResult::kResolved;
}

CRule* EvaluateRule(const CRuleArray& rules, INT_PTR i, const ITagResolver& source) {
    if (i < 0 || i >= rules.GetSize() || rules[i] == nullptr) {
        return nullptr;
    }
    CString scratch;
    return EvaluateChain(*rules[i], source, scratch);
}

void EvaluateRules(const CRuleArray& rules, const ITagResolver& source, CRuleArray* out) {
    if (out == nullptr) {
        return;
    }
    RuleStage stage(*out, false);
    // One allocation for the slots, yet the capacity that inserting one by one would give.
    stage.ReserveForAdds(rules.GetSize());
    CString scratch;
    for (INT_PTR i = 0; i < rules.GetSize(); ++i) {
        const CRule* rule = rules[i];
        stage.Add(std::unique_ptr<CRule>(rule == nullptr ? nullptr
                                                         : EvaluateChain(*rule, source, scratch)));
    }
    stage.Commit();
}
