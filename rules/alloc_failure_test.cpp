// alloc_failure_test.cpp - every allocation of the rule operations failing in turn: nothing leaks
// and nothing the caller held changes.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "rules/rule.h"
#include "rules/rule_list.h"
#include "rules/rules_xml.h"
#include "rules/test_support.h"
#include "zev/failing_allocator_test_support.h"

namespace {

using rules_test::Describe;
using rules_test::MakeRule;
using rules_test::RuleList;

// Four rules: one with a chain, one never set, one whose values need escaping.
void FillSample(CRuleArray& rules) {
    rules.Add(MakeRule(1, u"ns://x/:a", u"dest", true));
    rules.Add(MakeRule(3, u"ns://x/:b", u"other"));
    rules[1]->m_pNext = MakeRule(10, u"ns://x/:a", u"1,2");
    rules.Add(new CRule);
    rules.Add(MakeRule(6, u"ns://x/:a&b", u"\"quoted\" <and> long enough to allocate"));
}

// Runs op on a fresh Fixture with the 0th, 1st, 2nd ... allocation failing, until op gets through
// without reaching the armed one. A run that throws must leave the fixture's state as it was; one
// that returns must have done the whole job, or nothing when a lower layer may turn the failure
// into a result code (quiet). Once the fixture is gone no block may be left over. Returns the
// number of failure points.
template <class Fixture, class Op>
int FailEachAllocation(Op op, bool quiet = false) {
    std::string before;
    std::string after;
    {
        Fixture reference;
        before = reference.State();
        op(reference);
        after = reference.State();
    }
    EXPECT_NE(before, after) << "the operation changes nothing";
    for (int n = 0; n < 100000; ++n) {
        const long live = failing_allocator::g_liveBlocks;
        bool failed = false;
        {
            Fixture f;
            bool threw = false;
            failing_allocator::Arm(n + 1);
            try {
                op(f);
            } catch (const std::bad_alloc&) {
                threw = true;
            }
            failing_allocator::Disarm();
            failed = failing_allocator::Failed();
            EXPECT_TRUE(failed || !threw) << "bad_alloc without a failed allocation";
            const std::string state = f.State();
            if (threw) {
                EXPECT_EQ(state, before) << "changed by a failed run";
            } else if (!(quiet && failed && state == before)) {
                EXPECT_EQ(state, after) << "incomplete run";
            }
        }
        EXPECT_EQ(failing_allocator::g_liveBlocks, live) << "leaked blocks";
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "with allocation " << n << " failing";
            return n;
        }
        if (!failed) {
            return n;
        }
    }
    ADD_FAILURE() << "never got through";
    return -1;
}

struct Fixture {
    Fixture() {
        source.values[u"ns://x/:a"] = u"a value long enough to need its own allocation";
        FillSample(rules.a);
        out.a.Add(MakeRule(9, u"old://:tag", u"old", true));
    }
    std::string State() const {
        return Describe(rules.a) + "/" + Describe(out.a) + "/" + Describe(rule.get()) + "/" +
               (array ? Describe(array->a) : "none") + "/" + WideToUtf8(text.view()) + "/" +
               std::to_string(out.a.m_nMaxSize);
    }
    // Written once, before any allocation is counted.
    static const CString& Sample() {
        static const CString text = [] {
            RuleList rules;
            FillSample(rules.a);
            return WriteRulesXML(rules.a, 8);
        }();
        return text;
    }
    rules_test::FakeSource source;
    RuleList rules;
    RuleList out;
    std::unique_ptr<CRule> rule;
    std::unique_ptr<RuleList> array;
    CString text;
};

TEST(AllocationFailure, CloneCopyAndEvaluate) {
    // Two rules with two argument lists, then four clones and their storage.
    EXPECT_GE(FailEachAllocation<Fixture>([](Fixture& f) { f.rule.reset(f.rules.a[1]->Clone()); }),
              4);
    EXPECT_GE(FailEachAllocation<Fixture>([](Fixture& f) { CopyRuleArray(f.out.a, &f.rules.a); }),
              9);
    FailEachAllocation<Fixture>([](Fixture& f) { GetRuleCopies(f.rules.a, &f.out.a); });
    FailEachAllocation<Fixture>([](Fixture& f) {
        auto list = std::make_unique<RuleList>();
        const std::unique_ptr<CRuleArray> copy(CloneRuleArray(f.rules.a));
        std::swap(list->a.m_pData, copy->m_pData);
        std::swap(list->a.m_nSize, copy->m_nSize);
        std::swap(list->a.m_nMaxSize, copy->m_nMaxSize);
        f.array = std::move(list);
    });
    FailEachAllocation<Fixture>(
        [](Fixture& f) { f.rules.a[0]->SetNotEqualDest(u"new:tag", u"new"); });
    EXPECT_GE(FailEachAllocation<Fixture>(
                  [](Fixture& f) { EvaluateRules(f.rules.a, f.source, &f.out.a); }),
              12);
}

TEST(AllocationFailure, WriteAndRead) {
    FailEachAllocation<Fixture>([](Fixture& f) { f.text = WriteRulesXML(f.rules.a, 8); });
    ASSERT_NE(Fixture::Sample().Find(u"&quot;quoted&quot;"), -1);
    for (const int append : {0, 1}) {
        EXPECT_GE(FailEachAllocation<Fixture>(
                      [append](Fixture& f) {
                          ReadRulesXML(f.out.a, Fixture::Sample().GetString(), append);
                      },
                      true),
                  10);
    }
}

}  // namespace
