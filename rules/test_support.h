// test_support.h - helpers shared by the rules tests: rule lists that free themselves, a fake
// metadata source, and a one-line description of rules to compare against.
#pragma once

#include <map>
#include <string>

#include "platform/codepage.h"
#include "rules/rule.h"
#include "rules/tag_resolver.h"

namespace rules_test {

struct RuleList {
    RuleList() = default;
    RuleList(const RuleList&) = delete;
    RuleList& operator=(const RuleList&) = delete;
    ~RuleList() { FreeRuleArray(&a); }
    CRuleArray a;
};

// A rule of any type code, built as the XML reader builds one: SetPush, then the code.
inline CRule* MakeRule(int type, const CString& tag, const CString& second, bool val = false) {
    auto* rule = new CRule;
    rule->SetPush(tag, second);
    rule->m_nType = type;
    rule->m_bValidation = val;
    return rule;
}

// "3v tag|second" per rule ("v" when validating), "->" before a chained rule.
inline std::string Describe(const CRule* rule) {
    if (rule == nullptr) {
        return "null";
    }
    std::string text;
    for (const CRule* r = rule; r != nullptr; r = r->m_pNext) {
        text +=
            (r == rule ? "" : "->") + std::to_string(r->m_nType) + (r->m_bValidation ? "v" : "");
        for (INT_PTR i = 0; i < r->m_Args.GetSize(); ++i) {
            text += (i == 0 ? " " : "|") + WideToUtf8(r->GetArg(i).view());
        }
    }
    return text;
}

// The rules joined by "; ".
inline std::string Describe(const CRuleArray& rules) {
    std::string text;
    for (INT_PTR i = 0; i < rules.GetSize(); ++i) {
        text += (i == 0 ? "" : "; ") + Describe(rules[i]);
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

}  // namespace rules_test
