// rules_writer.cpp - WriteRulesXML: the rules document as text, from fixed line templates.
#include <string_view>

#include "rules/rules_xml.h"

namespace {

// One line per type code 1..10. The spacing differs by type and is part of the format: hosts have
// stored these texts byte for byte.
constexpr const char16_t* kLineTemplates[] = {
    u"<DataPush    tag=\"%s\"     to=\"%s\"     val=\"%s\" />\n",
    u"<DataEqualsStr      tag=\"%s\"           to=\"%s\"          val=\"%s\" />\n",
    u"<DataEqualsDest         tag=\"%s\"\t         to=\"%s\"       val=\"%s\" />\n",
    u"<DataNotEqualStr      tag=\"%s\"           to=\"%s\"          val=\"%s\" />\n",
    u"<DataNotEqualDest      tag=\"%s\"           to=\"%s\"          val=\"%s\" />\n",
    u"<DataContainsStr      tag=\"%s\"           to=\"%s\"          val=\"%s\" />\n",
    u"<DataContainsDest      tag=\"%s\"           to=\"%s\"          val=\"%s\" />\n",
    u"<DataWithoutStr     tag=\"%s\"           to=\"%s\"          val=\"%s\" />\n",
    u"<DataWithoutDest      tag=\"%s\"           to=\"%s\"          val=\"%s\" />\n",
    u"<DataIsOneOf      tag=\"%s\"           to=\"%s\"          val=\"%s\" />\n",
};

constexpr const char16_t* kHead =
    u"<?xml version=\"1.0\" encoding=\"utf-%d\" ?>\n<Pavex-MetaData-Rules>\n";
constexpr const char16_t* kTail = u"</Pavex-MetaData-Rules>\n";

// The three characters an attribute value cannot hold as they are; "&" goes first so that the
// ampersands of the references are not replaced again.
CString EscapeAttribute(const CString& text) {
    std::u16string out;
    out.reserve(text.str().size());
    for (const char16_t c : text.str()) {
        switch (c) {
            case u'&':
                out += u"&amp;";
                break;
            case u'<':
                out += u"&lt;";
                break;
            case u'"':
                out += u"&quot;";
                break;
            default:
                out += c;
                break;
        }
    }
    return CString(std::move(out));
}

}  // namespace

CString WriteRulesXML(const CRuleArray& rules, int encoding) {
    CString text;
    text.Format(kHead, encoding);
    for (INT_PTR i = 0; i < rules.GetSize(); ++i) {
        const CRule* rule = rules[i];
        if (rule == nullptr || rule->m_nType < RuleTypePush || rule->m_nType > RuleTypeIsOneOf) {
            continue;
        }
        const CString tag = EscapeAttribute(rule->GetArg(0));
        const CString to = EscapeAttribute(rule->GetArg(1));
        text.AppendFormat(kLineTemplates[rule->m_nType - RuleTypePush], tag.GetString(),
                          to.GetString(), rule->m_bValidation ? u"true" : u"false");
    }
    text += CString(kTail);
    return text;
}
