// alloc_failure_test.cpp - every allocation of the rule operations failing in turn: nothing leaks
// and nothing the caller held changes. operator new is replaced for the whole test binary; it only
// fails while a test has armed it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <new>
#include <string>

#include "platform/bstr.h"
#include "rules/rule.h"
#include "rules/rule_list.h"

namespace {

long g_liveBlocks = 0;      // blocks handed out by operator new and not yet deleted
long g_failCountdown = -1;  // the allocation that sees 0 throws; negative: never

void* Allocate(std::size_t size) {
    if (g_failCountdown >= 0 && g_failCountdown-- == 0) {
        throw std::bad_alloc();
    }
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    ++g_liveBlocks;
    return p;
}

void Deallocate(void* p) noexcept {
    if (p != nullptr) {
        --g_liveBlocks;
        std::free(p);
    }
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept {
    Deallocate(p);
}
void operator delete[](void* p) noexcept {
    Deallocate(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Deallocate(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Deallocate(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    Deallocate(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    Deallocate(p);
}

namespace {

// Runs op with the 0th, 1st, 2nd ... allocation failing until it gets through. After every failure
// no block may be left over and check() must hold. Returns how many points there were.
template <class Op, class Check>
int FailEachAllocation(Op op, Check check) {
    for (int n = 0; n < 10000; ++n) {
        const long live = g_liveBlocks;
        g_failCountdown = n;
        bool failed = false;
        try {
            op();
        } catch (const std::bad_alloc&) {
            failed = true;
        }
        g_failCountdown = -1;
        if (!failed) {
            return n;
        }
        EXPECT_EQ(g_liveBlocks, live) << "leak after failing allocation " << n;
        check();
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "at allocation " << n;
            return n;
        }
    }
    ADD_FAILURE() << "never got through";
    return -1;
}

struct RuleList {
    ~RuleList() { FreeRuleArray(&a); }
    CRuleArray a;
};

CRule* MakeRule(int type, const char16_t* tag, const char16_t* second, bool validation) {
    auto* rule = new CRule;
    rule->SetPush(tag, second);
    rule->m_nType = type;
    rule->m_bValidation = validation;
    return rule;
}

// Everything a rule list says, chains included, plus where its storage is.
std::u16string Describe(const CRuleArray& rules) {
    std::u16string text = u"@" + std::u16string(rules.m_nMaxSize, u'.');
    for (INT_PTR i = 0; i < rules.GetSize(); ++i) {
        for (const CRule* r = rules[i]; r != nullptr; r = r->m_pNext) {
            text += u"[" + std::u16string(1, static_cast<char16_t>(u'0' + r->m_nType + 1)) +
                    (r->m_bValidation ? u"v" : u"-");
            for (INT_PTR a = 0; a < r->m_Args.GetSize(); ++a) {
                text += u"|" + r->GetArg(a).str();
            }
            text += r->m_pNext != nullptr ? u"]->" : u"]";
        }
        text += u";";
    }
    return text;
}

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

// Three rules, one with a chain, one never set.
void FillSample(CRuleArray& rules) {
    rules.Add(MakeRule(1, u"ns://x/:a", u"dest", true));
    rules.Add(MakeRule(3, u"ns://x/:b", u"other", false));
    rules[1]->m_pNext = MakeRule(10, u"ns://x/:a", u"1,2", false);
    rules.Add(new CRule);
}

TEST(AllocationFailure, CloneAndListCopies) {
    RuleList from;
    FillSample(from.a);
    const std::u16string fromBefore = Describe(from.a);

    int points = FailEachAllocation([&] { std::unique_ptr<CRule>(from.a[1]->Clone()); },
                                    [&] { EXPECT_EQ(Describe(from.a), fromBefore); });
    EXPECT_GE(points, 4);  // two rules, two argument lists

    RuleList to;
    to.a.Add(MakeRule(5, u"old://:tag", u"old", false));
    const std::u16string toBefore = Describe(to.a);
    points = FailEachAllocation([&] { CopyRuleArray(to.a, &from.a); },
                                [&] {
                                    EXPECT_EQ(Describe(from.a), fromBefore);
                                    EXPECT_EQ(Describe(to.a), toBefore);
                                });
    EXPECT_GE(points, 6);
    EXPECT_EQ(Describe(to.a), Describe(from.a));

    RuleList out;
    out.a.Add(MakeRule(2, u"old://:tag", u"old", false));
    const std::u16string outBefore = Describe(out.a);
    FailEachAllocation([&] { GetRuleCopies(from.a, &out.a); },
                       [&] { EXPECT_EQ(Describe(out.a), outBefore); });
    EXPECT_EQ(out.a.GetSize(), 3);

    FailEachAllocation(
        [&] {
            std::unique_ptr<CRuleArray> copy(CloneRuleArray(from.a));
            FreeRuleArray(copy.get());
        },
        [&] { EXPECT_EQ(Describe(from.a), fromBefore); });

    // A setter that fails keeps the rule as it was.
    CRule rule;
    rule.SetEqualsStr(u"keep:me", u"please");
    FailEachAllocation([&] { rule.SetNotEqualDest(u"new:tag", u"new"); },
                       [&] {
                           EXPECT_EQ(rule.m_nType, RuleTypeEqualsStr);
                           EXPECT_EQ(rule.GetArg(0), u"keep:me");
                       });
    EXPECT_EQ(rule.m_nType, RuleTypeNotEqualDest);
}

TEST(AllocationFailure, Evaluation) {
    FakeSource source;
    source.values[u"ns://x/:a"] = u"a value long enough to need its own allocation";
    RuleList rules;
    FillSample(rules.a);
    const std::u16string rulesBefore = Describe(rules.a);

    RuleList out;
    out.a.Add(MakeRule(4, u"stale://:record", u"stale", true));
    const std::u16string outBefore = Describe(out.a);
    const int points = FailEachAllocation([&] { EvaluateRules(rules.a, source, &out.a); },
                                          [&] {
                                              EXPECT_EQ(Describe(rules.a), rulesBefore);
                                              EXPECT_EQ(Describe(out.a), outBefore);
                                          });
    EXPECT_GE(points, 8);
    ASSERT_EQ(out.a.GetSize(), 3);
    EXPECT_EQ(out.a[0]->GetArg(0), u"a value long enough to need its own allocation");
    EXPECT_EQ(out.a[1]->m_nType, RuleTypeUnresolved);
    EXPECT_EQ(out.a[1]->m_pNext->GetArg(0), out.a[0]->GetArg(0));
}

}  // namespace
