// rule.cpp - CRule and FreeRuleArray.
#include "rules/rule.h"

#include <memory>

#include "platform/bstr.h"

namespace {

// Every argument list steps by two, so a finished rule shows count 2, capacity 2, grow-by 2.
constexpr INT_PTR kArgGrowBy = 2;

BSTR CopyBstr(BSTR text) {
    return text == nullptr ? nullptr : AllocBstrOrThrow(text, SysStringLen(text));
}

// Frees the strings of an argument list and its storage.
void FreeArgs(CArray<BSTR, BSTR>& args) {
    for (INT_PTR i = 0; i < args.GetSize(); ++i) {
        SysFreeString(args[i]);
        args[i] = nullptr;
    }
    args.RemoveAll();
}

// Owns an argument list under construction; frees it unless it was handed over.
struct ArgsBuilder {
    ArgsBuilder() { args.SetGrowBy(kArgGrowBy); }
    ~ArgsBuilder() { FreeArgs(args); }
    ArgsBuilder(const ArgsBuilder&) = delete;
    ArgsBuilder& operator=(const ArgsBuilder&) = delete;

    // Moves the list into to, whose own storage must be empty. Cannot fail.
    void MoveTo(CArray<BSTR, BSTR>& to) {
        to.TakeStorage(args);
        to.SetGrowBy(args.GetGrowBy());
    }

    CArray<BSTR, BSTR> args;
};

// Deletes a chain without recursing, so a long chain cannot exhaust the stack.
void DeleteChain(CRule* rule) {
    while (rule != nullptr) {
        CRule* next = rule->m_pNext;
        rule->m_pNext = nullptr;
        delete rule;
        rule = next;
    }
}

}  // namespace

std::unique_ptr<CRule> CloneLink(const CRule& from, std::optional<std::u16string_view> first) {
    auto copy = std::make_unique<CRule>();
    copy->m_bValidation = from.m_bValidation;
    copy->m_nReserved = from.m_nReserved;
    copy->m_nType = from.m_nType;
    const INT_PTR n = from.m_Args.GetSize();
    if (n > 0) {
        // Slots start null, so a copy that fails half-way frees only what it made.
        copy->m_Args.SetSize(n);
        copy->m_Args[0] =
            first ? AllocBstrOrThrow(first->data(), static_cast<unsigned int>(first->size()))
                  : CopyBstr(from.m_Args[0]);
        for (INT_PTR i = 1; i < n; ++i) {
            copy->m_Args[i] = CopyBstr(from.m_Args[i]);
        }
    }
    return copy;
}

CRule::CRule() : m_nType(RuleTypeNone), m_nReserved(1), m_pNext(nullptr), m_bValidation(false) {
    m_Args.SetGrowBy(kArgGrowBy);
}

CRule::~CRule() {
    Clear();
}

void CRule::SetPush(const CString& tag, const CString& second) {
    // Both copies are made before anything is given up, so a failed allocation changes nothing.
    ArgsBuilder built;
    built.args.SetSize(2);
    built.args[0] = tag.AllocSysString();
    built.args[1] = second.AllocSysString();
    Clear();
    built.MoveTo(m_Args);
    m_nType = RuleTypePush;
}

void CRule::SetEqualsStr(const CString& tag, const CString& second) {
    SetPush(tag, second);
    m_nType = RuleTypeEqualsStr;
}

void CRule::SetEqualsDest(const CString& tag, const CString& second) {
    SetPush(tag, second);
    m_nType = RuleTypeEqualsDest;
}

void CRule::SetNotEqualStr(const CString& tag, const CString& second) {
    SetPush(tag, second);
    m_nType = RuleTypeNotEqualStr;
}

void CRule::SetNotEqualDest(const CString& tag, const CString& second) {
    SetPush(tag, second);
    m_nType = RuleTypeNotEqualDest;
}

void CRule::SetContainsStr(const CString& tag, const CString& second) {
    SetPush(tag, second);
    m_nType = RuleTypeContainsStr;
}

void CRule::SetContainsDest(const CString& tag, const CString& second) {
    SetPush(tag, second);
    m_nType = RuleTypeContainsDest;
}

void CRule::SetWithoutStr(const CString& tag, const CString& second) {
    SetPush(tag, second);
    m_nType = RuleTypeWithoutStr;
}

void CRule::SetWithoutDest(const CString& tag, const CString& second) {
    SetPush(tag, second);
    m_nType = RuleTypeWithoutDest;
}

void CRule::SetIsOneOf(const CString& tag, const CString& second) {
    SetPush(tag, second);
    m_nType = RuleTypeIsOneOf;
}

void CRule::Clear() {
    FreeArgs(m_Args);
    CRule* chain = m_pNext;
    m_pNext = nullptr;
    DeleteChain(chain);
    m_nReserved = 1;
}

CRule* CRule::Clone() const {
    return CopyChain(*this, [](const CRule& link) { return CloneLink(link, std::nullopt); });
}

CString CRule::GetArg(INT_PTR i) const {
    if (i < 0 || i >= m_Args.GetSize() || m_Args[i] == nullptr) {
        return CString();
    }
    return CString(m_Args[i], SysStringLen(m_Args[i]));
}

void FreeRuleArray(CRuleArray* array) {
    if (array == nullptr) {
        return;
    }
    for (INT_PTR i = 0; i < array->GetSize(); ++i) {
        CRule* rule = (*array)[i];
        (*array)[i] = nullptr;
        DeleteChain(rule);
    }
    array->RemoveAll();
}
