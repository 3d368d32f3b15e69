// rule_test.cpp - CRule, rule lists and evaluation.
#include "rules/rule.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "platform/bstr.h"
#include "rules/rule_list.h"

namespace {

using Setter = void (CRule::*)(const CString&, const CString&);

const Setter kSetters[] = {
    &CRule::SetPush,         &CRule::SetEqualsStr,    &CRule::SetEqualsDest,
    &CRule::SetNotEqualStr,  &CRule::SetNotEqualDest, &CRule::SetContainsStr,
    &CRule::SetContainsDest, &CRule::SetWithoutStr,   &CRule::SetWithoutDest,
    &CRule::SetIsOneOf,
};

CRule* MakeRule(int type, const char16_t* tag, const char16_t* second, bool validation = false) {
    auto* rule = new CRule;
    (rule->*kSetters[type - 1])(CString(tag), CString(second));
    rule->m_bValidation = validation;
    return rule;
}

// Frees the rules when the test ends, whatever it asserted.
struct RuleList {
    ~RuleList() { FreeRuleArray(&a); }
    CRuleArray a;
};

class FakeSource : public ITagResolver {
  public:
    bool GetValue(const CString& tag, CString& value) const override {
        const auto it = values.find(tag.str());
        if (it == values.end()) {
            return false;
        }
        value = CString(it->second);
        return true;
    }
    std::map<std::u16string, std::u16string> values;
};

TEST(Rule, ConstructionAndSettersMatchTheRecord) {
    CRule blank;
    EXPECT_EQ(blank.m_nType, RuleTypeNone);
    EXPECT_EQ(blank.m_nReserved, 1);
    EXPECT_EQ(blank.m_pNext, nullptr);
    EXPECT_FALSE(blank.m_bValidation);
    EXPECT_EQ(blank.m_Args.GetSize(), 0);

    for (int type = RuleTypePush; type <= RuleTypeIsOneOf; ++type) {
        CString tag(u"http://ns.example/:title");
        CString second(u"dest");
        CRule rule;
        rule.m_bValidation = true;
        (rule.*kSetters[type - 1])(tag, second);
        tag += u'!';  // the rule holds its own copies
        second.Empty();
        EXPECT_EQ(rule.m_nType, type) << RuleTypeName(type);
        EXPECT_TRUE(rule.m_bValidation);  // setters leave the flag to the caller
        EXPECT_EQ(rule.m_Args.m_nSize, 2);
        EXPECT_EQ(rule.m_Args.m_nMaxSize, 2);
        EXPECT_EQ(rule.m_Args.m_nGrowBy, 2);
        EXPECT_EQ(rule.GetArg(0), u"http://ns.example/:title");
        EXPECT_EQ(rule.GetArg(1), u"dest");
        EXPECT_EQ(SysStringLen(rule.m_Args[1]), 4u);
    }

    // Setting again replaces the arguments and drops a chain (asan sees anything leaked).
    CRule rule;
    rule.SetEqualsDest(u"a:b", u"c");
    rule.m_pNext = MakeRule(2, u"x", u"y");
    rule.m_nReserved = 5;
    rule.SetIsOneOf(u"tag:one", u"a,b,c");
    EXPECT_EQ(rule.m_nType, RuleTypeIsOneOf);
    EXPECT_EQ(rule.m_pNext, nullptr);
    EXPECT_EQ(rule.m_nReserved, 1);
    EXPECT_EQ(rule.m_Args.GetSize(), 2);
    EXPECT_EQ(rule.GetArg(1), u"a,b,c");
    EXPECT_EQ(rule.GetArg(2), u"");
    EXPECT_EQ(rule.GetArg(-1), u"");
}

TEST(Rule, ClearKeepsTypeAndFlag) {
    std::unique_ptr<CRule> rule(MakeRule(RuleTypeEqualsDest, u"a:b", u"dest", true));
    rule->m_pNext = MakeRule(1, u"c:d", u"e");
    rule->m_pNext->m_pNext = MakeRule(1, u"f:g", u"h");
    rule->m_nReserved = 9;
    rule->Clear();
    EXPECT_EQ(rule->m_nType, RuleTypeEqualsDest);
    EXPECT_TRUE(rule->m_bValidation);
    EXPECT_EQ(rule->m_Args.GetSize(), 0);
    EXPECT_EQ(rule->m_Args.m_pData, nullptr);
    EXPECT_EQ(rule->m_pNext, nullptr);
    EXPECT_EQ(rule->m_nReserved, 1);
    // Still usable afterwards, with the same growth step.
    rule->SetPush(u"x:y", u"z");
    EXPECT_EQ(rule->m_Args.m_nMaxSize, 2);
}

TEST(Rule, CloneIsDeepAndFollowsTheChain) {
    std::unique_ptr<CRule> rule(MakeRule(RuleTypeWithoutStr, u"ns:tag", u"needle", true));
    rule->m_nReserved = 3;
    const char16_t withNul[] = {u'a', 0, u'b'};
    rule->m_pNext = MakeRule(RuleTypeIsOneOf, u"ns:other", u"x,y");
    SysFreeString(rule->m_pNext->m_Args[1]);
    rule->m_pNext->m_Args[1] = SysAllocStringLen(withNul, 3);

    std::unique_ptr<CRule> copy(rule->Clone());
    EXPECT_EQ(copy->m_nType, RuleTypeWithoutStr);
    EXPECT_EQ(copy->m_nReserved, 3);
    EXPECT_TRUE(copy->m_bValidation);
    ASSERT_EQ(copy->m_Args.GetSize(), 2);
    EXPECT_EQ(copy->m_Args.m_nMaxSize, 2);
    EXPECT_EQ(copy->m_Args.m_nGrowBy, 2);
    EXPECT_NE(copy->m_Args[0], rule->m_Args[0]);
    EXPECT_EQ(copy->GetArg(0), u"ns:tag");
    EXPECT_EQ(copy->GetArg(1), u"needle");
    ASSERT_NE(copy->m_pNext, nullptr);
    EXPECT_NE(copy->m_pNext, rule->m_pNext);
    EXPECT_EQ(copy->m_pNext->m_nType, RuleTypeIsOneOf);
    EXPECT_EQ(copy->m_pNext->GetArg(1), CString(std::u16string(withNul, 3)));
    EXPECT_EQ(copy->m_pNext->m_pNext, nullptr);

    // A rule that was never set clones as such.
    CRule blank;
    std::unique_ptr<CRule> blankCopy(blank.Clone());
    EXPECT_EQ(blankCopy->m_nType, RuleTypeNone);
    EXPECT_EQ(blankCopy->m_Args.GetSize(), 0);
    EXPECT_EQ(blankCopy->m_Args.m_pData, nullptr);
}

TEST(Rule, FreeRuleArrayAndTypeNames) {
    FreeRuleArray(nullptr);
    CRuleArray rules;
    rules.m_nGrowBy = 7;
    rules.Add(MakeRule(1, u"a:b", u"c"));
    rules.Add(nullptr);
    rules.Add(MakeRule(2, u"d:e", u"f"));
    rules[2]->m_pNext = MakeRule(3, u"g:h", u"i");
    FreeRuleArray(&rules);
    EXPECT_EQ(rules.m_nSize, 0);
    EXPECT_EQ(rules.m_nMaxSize, 0);
    EXPECT_EQ(rules.m_pData, nullptr);
    EXPECT_EQ(rules.m_nGrowBy, 7);  // the owner's setting stays

    EXPECT_STREQ(RuleTypeName(1), "RuleTypePush");
    EXPECT_STREQ(RuleTypeName(8), "RuleTypeWithoutStr");
    EXPECT_STREQ(RuleTypeName(11), "RuleTypeNone");
    EXPECT_STREQ(RuleTypeName(-1), "RuleTypeUnresolved");
    EXPECT_EQ(RuleTypeName(0), nullptr);
    EXPECT_EQ(RuleTypeName(12), nullptr);
}

TEST(RuleList, CopiesAreDeepAndReplaceTheOldRules) {
    RuleList from;
    from.a.Add(MakeRule(1, u"a:one", u"d1"));
    from.a.Add(MakeRule(10, u"a:two", u"x,y,z", true));

    RuleList to;
    to.a.Add(MakeRule(5, u"old:tag", u"old"));
    CopyRuleArray(to.a, nullptr);  // nothing
    ASSERT_EQ(to.a.GetSize(), 1);

    CopyRuleArray(to.a, &from.a);
    ASSERT_EQ(to.a.GetSize(), 2);
    EXPECT_NE(to.a[0], from.a[0]);
    EXPECT_EQ(to.a[0]->GetArg(0), u"a:one");
    EXPECT_EQ(to.a[1]->m_nType, RuleTypeIsOneOf);
    EXPECT_TRUE(to.a[1]->m_bValidation);

    CopyRuleArray(to.a, &to.a);  // copying a list onto itself keeps it
    ASSERT_EQ(to.a.GetSize(), 2);
    EXPECT_EQ(to.a[1]->GetArg(1), u"x,y,z");

    std::unique_ptr<CRuleArray> clone(CloneRuleArray(from.a));
    ASSERT_EQ(clone->GetSize(), 2);
    EXPECT_NE((*clone)[1], from.a[1]);
    EXPECT_EQ((*clone)[1]->GetArg(0), u"a:two");
    FreeRuleArray(clone.get());

    // Copies for the host: exactly n records, none left over from an earlier fill.
    GetRuleCopies(from.a, nullptr);
    RuleList out;
    GetRuleCopies(from.a, &out.a);
    GetRuleCopies(from.a, &out.a);
    ASSERT_EQ(out.a.GetSize(), 2);
    EXPECT_EQ(out.a.m_nMaxSize, 2);
    EXPECT_EQ(out.a[1]->GetArg(1), u"x,y,z");
    RuleList none;
    GetRuleCopies(none.a, &out.a);
    EXPECT_EQ(out.a.GetSize(), 0);
    EXPECT_EQ(out.a.m_pData, nullptr);
}

TEST(RuleList, EvaluationResolvesCopiesOnly) {
    FakeSource source;
    source.values[u"http://ns.adobe.com/xap/1.0/:Rating"] = u"5";
    source.values[u"http://purl.org/dc/elements/1.1/:empty"] = u"";

    RuleList rules;
    rules.a.Add(MakeRule(1, u"http://ns.adobe.com/xap/1.0/:Rating", u"dest", true));
    rules.a.Add(MakeRule(3, u"http://ns.adobe.com/xap/1.0/:Missing", u"dest2"));
    rules.a.Add(MakeRule(10, u"http://ns.adobe.com/xap/1.0/:Rating", u"1,2,3"));
    rules.a.Add(MakeRule(2, u"http://purl.org/dc/elements/1.1/:empty", u"x"));
    rules.a[3]->m_pNext = MakeRule(4, u"http://ns.adobe.com/xap/1.0/:Rating", u"y");
    rules.a[3]->m_pNext->m_pNext = MakeRule(5, u"nope:nope", u"z");
    rules.a.Add(new CRule);  // never set: type 11, no arguments
    rules.a.Add(MakeRule(6, u"http://ns.adobe.com/xap/1.0/:Rating", u"w"));
    rules.a[5]->Clear();  // type 6 without arguments

    RuleList out;
    out.a.Add(MakeRule(1, u"stale", u"stale"));
    EvaluateRules(rules.a, source, nullptr);
    EvaluateRules(rules.a, source, &out.a);
    ASSERT_EQ(out.a.GetSize(), 6);

    EXPECT_EQ(out.a[0]->m_nType, RuleTypePush);
    EXPECT_EQ(out.a[0]->GetArg(0), u"5");
    EXPECT_EQ(out.a[0]->GetArg(1), u"dest");
    EXPECT_TRUE(out.a[0]->m_bValidation);

    EXPECT_EQ(out.a[1]->m_nType, RuleTypeUnresolved);
    EXPECT_EQ(out.a[1]->GetArg(0), u"http://ns.adobe.com/xap/1.0/:Missing");
    EXPECT_EQ(out.a[1]->GetArg(1), u"dest2");

    EXPECT_EQ(out.a[2]->m_nType, RuleTypeIsOneOf);  // no membership test is made
    EXPECT_EQ(out.a[2]->GetArg(0), u"5");
    EXPECT_EQ(out.a[2]->GetArg(1), u"1,2,3");

    // An empty value counts as found; every link of the chain is resolved on its own.
    EXPECT_EQ(out.a[3]->m_nType, RuleTypeEqualsStr);
    EXPECT_EQ(out.a[3]->GetArg(0), u"");
    ASSERT_NE(out.a[3]->m_pNext, nullptr);
    EXPECT_EQ(out.a[3]->m_pNext->GetArg(0), u"5");
    EXPECT_EQ(out.a[3]->m_pNext->m_nType, RuleTypeNotEqualStr);
    ASSERT_NE(out.a[3]->m_pNext->m_pNext, nullptr);
    EXPECT_EQ(out.a[3]->m_pNext->m_pNext->m_nType, RuleTypeUnresolved);

    EXPECT_EQ(out.a[4]->m_nType, RuleTypeNone);         // outside 1..10: untouched
    EXPECT_EQ(out.a[5]->m_nType, RuleTypeContainsStr);  // too few arguments: untouched
    EXPECT_EQ(out.a[5]->m_Args.GetSize(), 0);

    // The stored rules still hold their tags and types; a second evaluation is independent.
    EXPECT_EQ(rules.a[0]->GetArg(0), u"http://ns.adobe.com/xap/1.0/:Rating");
    EXPECT_EQ(rules.a[1]->m_nType, RuleTypeEqualsDest);
    EXPECT_EQ(rules.a[3]->m_pNext->GetArg(0), u"http://ns.adobe.com/xap/1.0/:Rating");
    std::unique_ptr<CRule> again(EvaluateRule(rules.a, 0, source));
    EXPECT_NE(again.get(), out.a[0]);
    EXPECT_EQ(again->GetArg(0), u"5");
    EXPECT_EQ(EvaluateRule(rules.a, 6, source), nullptr);
    EXPECT_EQ(EvaluateRule(rules.a, -1, source), nullptr);

    RuleList none;
    EvaluateRules(none.a, source, &out.a);
    EXPECT_EQ(out.a.GetSize(), 0);
    EXPECT_EQ(out.a.m_pData, nullptr);
}

TEST(RuleList, ResolveTagCodes) {
    FakeSource source;
    source.values[u"ns:a"] = u"value";
    EXPECT_EQ(ResolveTag(nullptr, source), -1);

    CRule one;
    one.m_nType = RuleTypePush;
    one.m_Args.Add(SysAllocString(u"ns:a"));
    EXPECT_EQ(ResolveTag(&one, source), -2);
    EXPECT_EQ(one.GetArg(0), u"ns:a");
    EXPECT_EQ(one.m_nType, RuleTypePush);

    CRule rule;
    rule.SetContainsDest(u"ns:a", u"d");
    EXPECT_EQ(ResolveTag(&rule, source), 1);
    EXPECT_EQ(rule.GetArg(0), u"value");
    EXPECT_EQ(rule.m_nType, RuleTypeContainsDest);
    EXPECT_EQ(ResolveTag(&rule, source), -3);  // "value" is no tag
    EXPECT_EQ(rule.m_nType, RuleTypeUnresolved);
    EXPECT_EQ(rule.GetArg(0), u"value");
}

}  // namespace
