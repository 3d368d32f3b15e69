// rule.h - CRule: one rule (a tag, a second argument, a type code, a validation flag). Its layout
// is the rule record a host reads, so it has no virtual functions and its fields are in record
// order.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

#include "olvane/olvane.h"
#include "platform/carray.h"
#include "platform/cstring.h"

enum RuleType : int {
    RuleTypeUnresolved = -1,
    RuleTypePush = 1,
    RuleTypeEqualsStr = 2,
    RuleTypeEqualsDest = 3,
    RuleTypeNotEqualStr = 4,
    RuleTypeNotEqualDest = 5,
    RuleTypeContainsStr = 6,
    RuleTypeContainsDest = 7,
    RuleTypeWithoutStr = 8,
    RuleTypeWithoutDest = 9,
    RuleTypeIsOneOf = 10,
    RuleTypeNone = 11,
};

class CRule {
  public:
    CRule();
    ~CRule();
    CRule(const CRule&) = delete;
    CRule& operator=(const CRule&) = delete;

    void SetPush(const CString& tag, const CString& second);
    void SetEqualsStr(const CString& tag, const CString& second);
    void SetEqualsDest(const CString& tag, const CString& second);
    void SetNotEqualStr(const CString& tag, const CString& second);
    void SetNotEqualDest(const CString& tag, const CString& second);
    void SetContainsStr(const CString& tag, const CString& second);
    void SetContainsDest(const CString& tag, const CString& second);
    void SetWithoutStr(const CString& tag, const CString& second);
    void SetWithoutDest(const CString& tag, const CString& second);
    void SetIsOneOf(const CString& tag, const CString& second);

    // Frees the arguments and the chained rule; keeps the type and the flag.
    void Clear();
    // A deep copy, chain included.
    CRule* Clone() const;

    // Argument i as text ("" when absent).
    CString GetArg(INT_PTR i) const;

    CArray<BSTR, BSTR> m_Args;
    int m_nType;
    int m_nReserved;
    CRule* m_pNext;
    bool m_bValidation;
};

using CRuleArray = CArray<CRule*, CRule*>;

// One rule without its chain, as Clone copies each link; argument 0 is a copy of first instead
// when first is given and the rule has arguments.
std::unique_ptr<CRule> CloneLink(const CRule& from, std::optional<std::u16string_view> first);

// A copy of the chain that starts at from, each link made by copyLink(link) (a
// std::unique_ptr<CRule>). Each link is owned by the chain as soon as it exists, so a failure
// deletes all of it.
template <class CopyLink>
CRule* CopyChain(const CRule& from, CopyLink&& copyLink) {
    std::unique_ptr<CRule> head = copyLink(from);
    CRule* last = head.get();
    for (const CRule* link = from.m_pNext; link != nullptr; link = link->m_pNext) {
        last->m_pNext = copyLink(*link).release();
        last = last->m_pNext;
    }
    return head.release();
}

// Deletes every non-null rule of the array (with its chain) and sets its size to 0. Null: nothing.
void FreeRuleArray(CRuleArray* array);

// Deletes a rule list together with the rules it holds.
struct RuleArrayDeleter {
    void operator()(CRuleArray* array) const {
        FreeRuleArray(array);
        delete array;
    }
};
// A rule list that owns its rules, and is owned itself.
using RuleArrayPtr = std::unique_ptr<CRuleArray, RuleArrayDeleter>;

// The type's name ("RuleTypePush", ...), or null for a code outside the table.
const char* RuleTypeName(int type);

// The record layout the host reads.
static_assert(sizeof(CRule) == sizeof(OlvaneRule));
static_assert(offsetof(CRule, m_Args) == offsetof(OlvaneRule, args));
static_assert(offsetof(CRule, m_nType) == offsetof(OlvaneRule, type));
static_assert(offsetof(CRule, m_nReserved) == offsetof(OlvaneRule, reserved));
static_assert(offsetof(CRule, m_pNext) == offsetof(OlvaneRule, next));
static_assert(offsetof(CRule, m_bValidation) == offsetof(OlvaneRule, validation));
static_assert(sizeof(CRuleArray) == sizeof(OlvaneRuleArray));
static_assert(offsetof(CRuleArray, m_pData) == offsetof(OlvaneRuleArray, data));
static_assert(offsetof(CRuleArray, m_nSize) == offsetof(OlvaneRuleArray, size));
static_assert(offsetof(CRuleArray, m_nMaxSize) == offsetof(OlvaneRuleArray, capacity));
static_assert(offsetof(CRuleArray, m_nGrowBy) == offsetof(OlvaneRuleArray, grow_by));
