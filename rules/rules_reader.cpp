// rules_reader.cpp - reading a rules document back into a rule list.
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "platform/bstr.h"
#include "platform/sax.h"
#include "platform/text_buffer.h"
#include "rules/rule_stage.h"
#include "rules/rules_xml.h"
#include "zev/object.h"
#include "zev/parser.h"
#include "zev/sax_dual_handler.h"

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

// TypeOfElement of an element that is no rule (0 is no rule type).
constexpr int kNotARule = 0;

// Whether text (UTF-8 or UTF-16) is exactly the ASCII name.
template <class Char>
bool IsName(std::basic_string_view<Char> text, std::u16string_view name) {
    if (text.size() != name.size()) {
        return false;
    }
    for (size_t i = 0; i < name.size(); ++i) {
        if (static_cast<char16_t>(text[i]) != name[i]) {
            return false;
        }
    }
    return true;
}

// Element names compare exactly: "datapush" is not a rule.
template <class Char>
int TypeOfElement(std::basic_string_view<Char> name) {
    for (const ElementType& entry : kElementTypes) {
        if (IsName(name, entry.name)) {
            return entry.type;
        }
    }
    return kNotARule;
}

// "true" or "false" in any letter case sets flag; any other text leaves it.
void ReadFlag(std::u16string_view text, bool& flag) {
    if (CompareNoCaseAscii(text, u"true") == 0) {
        flag = true;
    } else if (CompareNoCaseAscii(text, u"false") == 0) {
        flag = false;
    }
}

std::unique_ptr<CRule> NewRule(int type, const CString& tag, const CString& to, bool validation) {
    auto rule = std::make_unique<CRule>();
    rule->SetPush(tag, to);
    rule->m_nType = type;
    rule->m_bValidation = validation;
    return rule;
}

void ReadRulesInto(RuleStage& stage, zev::CElement* element) {
    if (element == nullptr || element->name() != kRootName) {
        return;
    }
    const int count = element->GetChildCount();
    for (int i = 0; i < count; ++i) {
        const zev::ObjectRef<zev::CElement> child(element->GetChildElement(i));
        if (!child) {
            continue;
        }
        const int type = TypeOfElement(std::u16string_view(child->name()));
        if (type == kNotARule) {
            continue;
        }
        std::unique_ptr<CRule> rule(RuleFromElement(child.get()));
        rule->m_nType = type;
        stage.Add(std::move(rule));
    }
}

// The same reading of a document as building its element tree and reading the tree
// (ReadRulesInto), straight from the reader's events: the children of a "Pavex-MetaData-Rules"
// root that name a rule, each from its tag, to and val attributes. No element is ever built,
// which was most of the cost of reading many rules.
template <class Char>
class RulesReading {
  public:
    using View = std::basic_string_view<Char>;

    explicit RulesReading(std::vector<std::unique_ptr<CRule>>& rules) : m_rules(rules) {}

    void Reset() {
        m_depth = 0;
        m_rootIsRules = false;
    }

    template <class Attributes>
    HRESULT Start(View /*prefix*/, View localName, const Attributes& attributes) {
        if (++m_depth == 1) {
            m_rootIsRules = IsName(localName, kRootName);
            return S_OK;
        }
        const int type = m_depth == 2 && m_rootIsRules ? TypeOfElement(localName) : 0;
        if (type == 0) {
            return S_OK;
        }
        CString tag;
        CString to;
        bool validation = false;
        for (size_t i = 0; i < attributes.count; ++i) {
            const HRESULT hr = attributes.Get(i, m_qName, m_value);
            if (FAILED(hr)) {
                return hr;
            }
            if (m_qName.view() == u"tag") {
                tag = CString(m_value.view());
            } else if (m_qName.view() == u"to") {
                to = CString(m_value.view());
            } else if (m_qName.view() == u"val") {
                ReadFlag(m_value.view(), validation);
            }
        }
        m_rules.push_back(NewRule(type, tag, to, validation));
        return S_OK;
    }
    HRESULT End() {
        --m_depth;
        return S_OK;
    }
    HRESULT Characters(View /*text*/) { return S_OK; }

  private:
    std::vector<std::unique_ptr<CRule>>& m_rules;
    int m_depth = 0;
    bool m_rootIsRules = false;
    WideText m_qName;
    WideText m_value;
};

// Parses text (up to its first NUL) into rules. The parse's result; allocation failure throws.
HRESULT ParseRules(const char16_t* text, zev::SaxEvents events,
                   std::vector<std::unique_ptr<CRule>>& rules) {
    ComPtr<ISAXXMLReader> reader;
    HRESULT hr = CoCreateInstance(CLSID_SAXXMLReader, nullptr, CLSCTX_ALL, IID_ISAXXMLReader,
                                  reader.PutVoid());
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<zev::SaxDualHandler<RulesReading>> handler(
        new zev::SaxDualHandler<RulesReading>(events, rules));
    hr = reader->putContentHandler(handler.get());
    if (FAILED(hr)) {
        return hr;
    }
    VARIANT input;
    VariantInit(&input);
    input.vt = VT_BSTR;
    input.bstrVal = SysAllocString(text);
    if (input.bstrVal == nullptr) {
        return E_OUTOFMEMORY;
    }
    struct Clear {
        VARIANT& v;
        ~Clear() { VariantClear(&v); }
    } clear{input};
    return reader->parse(input);
}

}  // namespace

void ReadRulesXML(CRuleArray& rules, const char16_t* text, int append, zev::SaxEvents events) {
    // As the parser front: no text, an empty one and "-1" are no document.
    if (text == nullptr || *text == 0 || std::u16string_view(text) == u"-1") {
        return;
    }
    std::vector<std::unique_ptr<CRule>> read;
    const HRESULT result = ParseRules(text, events, read);
    if (zev::IsAllocationFailure(result)) {
        throw std::bad_alloc();  // the host must learn that its rules were not read
    }
    if (result != S_OK) {
        return;
    }
    // Replacing: the stored rules go even when the root turns out to be another element. The
    // stage only publishes once everything has been read, so a failed allocation loses nothing.
    RuleStage stage(rules, (append & kAppendByte) != 0);
    stage.ReserveForAdds(static_cast<INT_PTR>(read.size()));
    for (std::unique_ptr<CRule>& rule : read) {
        stage.Add(std::move(rule));
    }
    stage.Commit();
}

void ReadRules(CRuleArray& rules, zev::CElement* element) {
    RuleStage stage(rules, true);
    ReadRulesInto(stage, element);
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
    return NewRule(RuleTypePush, tag, to, validation).release();
}

bool GetStringAttribute(zev::CElement* element, const std::u16string& name, CString& out) {
    if (element == nullptr) {
        return false;
    }
    std::u16string value;
    if (element->GetAttribute(name, value) != S_OK) {
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
