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
// FreeRuleArray on out, then a copy of each rule in order, with the tag of every link of type 1 to
// 10 that has two arguments replaced by its value, or the link's type set to -1 when the tag has
// none. Null out: nothing.
void EvaluateRules(const CRuleArray& rules, const ITagResolver& source, CRuleArray* out);
