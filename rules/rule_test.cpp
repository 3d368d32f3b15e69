// rule_test.cpp - CRule, copies of rule lists, and evaluation against a source's values.
#include "rules/rule.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/bstr.h"
#include "rules/rule_list.h"
#include "rules/test_support.h"

namespace {

using rules_test::Describe;
using rules_test::MakeRule;
using rules_test::RuleList;

TEST(Rule, SettersReplaceTheArgumentsInTheRecordShapeAndCloneIsDeep) {
    std::unique_ptr<CRule> rule(MakeRule(3, u"a:b", u"c", true));
    rule->m_pNext = MakeRule(2, u"x", u"y");
    rule->m_nReserved = 5;
    rule->SetIsOneOf(u"tag:one", u"a,b,c");
    EXPECT_EQ(Describe(rule.get()), "10v tag:one|a,b,c");  // the chain is gone
    EXPECT_EQ(rule->m_Args.m_nMaxSize, 2);
    EXPECT_EQ(rule->m_Args.m_nGrowBy, 2);
    EXPECT_EQ(rule->m_nReserved, 1);
    EXPECT_EQ(rule->GetArg(2), u"");

    rule->m_nReserved = 3;
    rule->m_pNext = MakeRule(8, u"ns:other", u"x,y");
    SysFreeString(rule->m_pNext->m_Args[1]);
    rule->m_pNext->m_Args[1] = SysAllocStringLen(u"a\0b", 3);
    std::unique_ptr<CRule> copy(rule->Clone());
    EXPECT_EQ(Describe(copy.get()), Describe(rule.get()));
    EXPECT_EQ(copy->m_nReserved, 3);
    EXPECT_NE(copy->m_Args[0], rule->m_Args[0]);
    EXPECT_EQ(SysStringLen(copy->m_pNext->m_Args[1]), 3u);
    rule->Clear();  // keeps type and flag
    EXPECT_EQ(Describe(rule.get()), "10v");
    EXPECT_EQ(Describe(std::unique_ptr<CRule>(rule->Clone()).get()), "10v");
}

TEST(RuleList, CopiesAreDeepAndReplaceTheOldRules) {
    RuleList from;
    from.a.Add(MakeRule(1, u"a:one", u"d1"));
    from.a.Add(MakeRule(10, u"a:two", u"x,y,z", true));
    RuleList to;
    to.a.m_nGrowBy = 7;
    to.a.Add(MakeRule(5, u"old:tag", u"old"));
    to.a.Add(nullptr);  // a host's array may hold gaps
    CopyRuleArray(to.a, nullptr);
    EXPECT_EQ(Describe(to.a), "5 old:tag|old; null");
    CopyRuleArray(to.a, &from.a);
    EXPECT_EQ(Describe(to.a), "1 a:one|d1; 10v a:two|x,y,z");
    EXPECT_NE(to.a[0], from.a[0]);
    EXPECT_EQ(to.a.m_nGrowBy, 7);  // the owner's setting stays
    CopyRuleArray(to.a, &to.a);    // onto itself
    EXPECT_EQ(Describe(to.a), Describe(from.a));
    RuleList clone;
    std::unique_ptr<CRuleArray> array(CloneRuleArray(from.a));
    std::swap(clone.a.m_pData, array->m_pData);
    std::swap(clone.a.m_nSize, array->m_nSize);
    EXPECT_EQ(Describe(clone.a), Describe(from.a));

    // Copies for the host: exactly n records, none left over from an earlier fill.
    RuleList out;
    GetRuleCopies(from.a, &out.a);
    GetRuleCopies(from.a, &out.a);
    EXPECT_EQ(Describe(out.a), Describe(from.a));
    EXPECT_EQ(out.a.m_nMaxSize, 2);
    GetRuleCopies(RuleList().a, &out.a);
    EXPECT_EQ(out.a.m_pData, nullptr);
}

TEST(RuleList, EvaluationResolvesTagsOfCopiesOnly) {
    rules_test::FakeSource source;
    source.values[u"ns://x/:Rating"] = u"5";
    source.values[u"ns://x/:empty"] = u"";
    RuleList rules;
    rules.a.Add(MakeRule(1, u"ns://x/:Rating", u"dest", true));
    rules.a.Add(MakeRule(3, u"ns://x/:Missing", u"dest2"));
    rules.a.Add(MakeRule(10, u"ns://x/:Rating", u"1,2,3"));
    rules.a.Add(MakeRule(2, u"ns://x/:empty", u"x"));
    rules.a[3]->m_pNext = MakeRule(4, u"ns://x/:Rating", u"y");
    rules.a[3]->m_pNext->m_pNext = MakeRule(5, u"nope:nope", u"z");
    rules.a.Add(new CRule);  // type 11: not evaluated
    rules.a.Add(MakeRule(6, u"ns://x/:Rating", u"w"));
    rules.a[5]->Clear();  // too few arguments: left as it is
    const std::string stored = Describe(rules.a);

    RuleList out;
    out.a.m_nGrowBy = 4;
    out.a.Add(MakeRule(1, u"stale", u"stale"));
    EvaluateRules(rules.a, source, nullptr);
    EvaluateRules(rules.a, source, &out.a);
    EXPECT_EQ(
        Describe(out.a),
        "1v 5|dest; -1 ns://x/:Missing|dest2; 10 5|1,2,3; 2 |x->4 5|y->-1 nope:nope|z; 11; 6");
    EXPECT_EQ(out.a.m_nMaxSize, 8);  // as inserted one at a time: 4 slots, then 4 more
    EXPECT_EQ(Describe(rules.a), stored);
}

}  // namespace
