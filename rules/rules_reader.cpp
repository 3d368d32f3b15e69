// rules_reader.cpp - reading a rules document back into a rule list.
#include <memory>
#include <new>
#include <string_view>

#include "rules/rule_stage.h"
#include "rules/rules_xml.h"
#include "zev/object.h"
#include "zev/parser.h"

namespace {

constexpr std::u16string_view kRootName = u"Pavex-MetaData-Rules";

struct ElementType {
    std::u16string_view name;
    int type;
};

constexpr ElementType kElementTypes[] = {
    {u"DataPush", RuleTypePush},
    {u"DataEqualsStr", RuleTypeEqualsStr},
    {u"DataEqualsDest", RuleTypeEqualsDest},
    {u"DataNotEqualStr", RuleTypeNotEqualStr},
    {u"DataNotEqualDest", RuleTypeNotEqualDest},
    {u"DataContainsStr", RuleTypeContainsStr},
    {u"DataContainsDest", RuleTypeContainsDest},
    {u"DataWithoutStr", RuleTypeWithoutStr},
    {u"DataWithoutDest", RuleTypeWithoutDest},
    {u"DataIsOneOf", RuleTypeIsOneOf},
};

// Element names compare exactly: "datapush" is not a rule.
int TypeOfElement(const std::u16string& name) {
    for (const ElementType& entry : kElementTypes) {
        if (entry.name == name) {
            return entry.type;
        }
    }
    return 0;
}

void ReadRulesInto(CRuleStage& stage, zev::CElement* element) {
    if (element == nullptr || element->name() != kRootName) {
        return;
    }
    const int count = element->GetChildCount();
    for (int i = 0; i < count; ++i) {
        const zev::CObjectRef<zev::CElement> child(element->GetChildElement(i));
        if (!child) {
            continue;
        }
        const int type = TypeOfElement(child->name());
        if (type == 0) {
            continue;
        }
        std::unique_ptr<CRule> rule(RuleFromElement(child.get()));
        rule->m_nType = type;
        stage.Add(std::move(rule));
    }
}

}  // namespace

void ReadRulesXML(CRuleArray& rules, const char16_t* text, int append) {
    zev::CElement* document = nullptr;
    const zev::HRESULT result = zev::ParseXMLText(text, &document);
    if (zev::IsAllocationFailure(result)) {
        throw std::bad_alloc();  // the host must learn that its rules were not read
    }
    if (result != 0 || document == nullptr) {
        return;
    }
    const zev::CObjectRef<zev::CElement> holdDocument(document);
    const zev::CObjectRef<zev::CElement> root(document->GetChildElement(0));
    // Replacing: the stored rules go even when the root turns out to be another element. The
    // stage only publishes once everything has been read, so a failed allocation loses nothing.
    CRuleStage stage(rules, (append & 0xFF) != 0);
    ReadRulesInto(stage, root ? root.get() : document);
    stage.Commit();
}

CRule* RuleFromElement(zev::CElement* element) {
    if (element == nullptr) {
        return nullptr;
    }
    CString tag;
    CString to;
    bool validation = false;
    GetStringAttribute(element, u"tag", tag);
    GetStringAttribute(element, u"to", to);
    GetBoolAttribute(element, u"val", validation);
    auto rule = std::make_unique<CRule>();
    rule->SetPush(tag, to);
    rule->m_bValidation = validation;
    return rule.release();
}

bool GetStringAttribute(zev::CElement* element, const std::u16string& name, CString& out) {
    if (element == nullptr) {
        return false;
    }
    std::u16string value;
    if (element->GetAttribute(name, value) != 0) {
        return false;
    }
    out = CString(std::move(value));
    return true;
}

bool GetBoolAttribute(zev::CElement* element, const std::u16string& name, bool& out) {
    CString text;
    if (!GetStringAttribute(element, name, text)) {
        return false;
    }
    if (text.CompareNoCase(u"true") == 0) {
        out = true;
        return true;
    }
    if (text.CompareNoCase(u"false") == 0) {
        out = false;
        return true;
    }
    return false;
}
