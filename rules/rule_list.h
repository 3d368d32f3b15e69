// rule_list.h - operations on a rule list: copies, evaluation against a source's values.
#pragma once

#include "rules/rule.h"
#include "rules/tag_resolver.h"

// FreeRuleArray on to, then a clone of each rule of from, in order. Null from: nothing. The
// clones are made first, so a failed allocation leaves to as it was (these hold for all below).
void CopyRuleArray(CRuleArray& to, const CRuleArray* from);
// A new array of clones, owned by the caller.
CRuleArray* CloneRuleArray(const CRuleArray& from);
// out's size set to the number of rules, slot i a clone of rule i. Null out: nothing. Rules still
// in out are freed rather than overwritten, once every clone exists (a failure leaves out as is).
void GetRuleCopies(const CRuleArray& rules, CRuleArray* out);
// A clone of rule i with every tag of its chain resolved, or null when i is out of range.
CRule* EvaluateRule(const CRuleArray& rules, INT_PTR i, const ITagResolver& source);
// ResolveTag's results.
struct ResolveResult {
    static constexpr int kResolved = 1;  // argument 0 now holds the tag's value
    static constexpr int kNullRule = -1;
    static constexpr int kTooFewArgs = -2;  // fewer than two arguments
    static constexpr int kNoValue = -3;     // the type is set to RuleTypeUnresolved
};

int ResolveTag(CRule* rule, const ITagResolver& source);
// FreeRuleArray on out, then EvaluateRule of each rule in order. Null out: nothing.
void EvaluateRules(const CRuleArray& rules, const ITagResolver& source, CRuleArray* out);
