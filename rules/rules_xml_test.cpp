// rules_xml_test.cpp - the rules document: every rule type and awkward text round trip, replacing
// and appending. The exact text written, what the reader takes and what no document is are cases in
// tests/cases/ and tests/hostile/cases/.
#include "rules/rules_xml.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "zev/object.h"
#include "zev/parser.h"

#include "rules/test_support.h"

namespace {

using rules_test::Describe;
using rules_test::MakeRule;
using rules_test::RuleList;

std::u16string Document(const std::u16string& body) {
    return u"<Pavex-MetaData-Rules>" + body + u"</Pavex-MetaData-Rules>";
}

TEST(RulesXml, WhatIsWrittenReadsBackReplacingOrAppending) {
    RuleList written;
    for (int type = 1; type <= 10; ++type) {
        written.a.Add(MakeRule(type, u"http://ns.example/1.0/:t",
                               CString(std::to_string(type).c_str()), type % 3 == 0));
    }
    written.a.Add(MakeRule(6, u"http://ns.example/a&b:<x>", u"quote \" amp & lt < 'ü'", true));
    written.a.Add(MakeRule(1, u"ns:tab\there", u"line\nbreak"));
    const CString text = WriteRulesXML(written.a, 8);
    // Attribute-value normalisation turns a tab or a line break into a space.
    written.a[11]->SetPush(u"ns:tab here", u"line break");

    RuleList read;
    read.a.Add(MakeRule(4, u"old:rule", u"old", true));
    ReadRulesXML(read.a, text.GetString(), 0);
    EXPECT_EQ(Describe(read.a), Describe(written.a));
    EXPECT_EQ(read.a[2]->m_Args.m_nMaxSize, 2);
    EXPECT_EQ(read.a[2]->m_nReserved, 1);
    // Appending doubles the rules; only the low byte of append counts.
    ReadRulesXML(read.a, text.GetString(), 0x101);
    EXPECT_EQ(Describe(read.a), Describe(written.a) + "; " + Describe(written.a));
    ReadRulesXML(read.a, text.GetString(), 0x100);
    EXPECT_EQ(Describe(read.a), Describe(written.a));
}

// The rules of text read from its element tree, as the reader did before it read them from the
// parser's events: ReadRules over the document ParseXMLText builds.
std::string TreeRules(const std::u16string& text) {
    RuleList rules;
    zev::CElement* document = nullptr;
    if (zev::ParseXMLText(text.c_str(), &document) != 0) {
        return "(unreadable)";
    }
    const zev::ObjectRef<zev::CElement> hold(document);
    const zev::ObjectRef<zev::CElement> root(document->GetChildElement(0));
    ReadRules(rules.a, root ? root.get() : document);
    return Describe(rules.a);
}

TEST(RulesXml, ReadsFromTheEventsWhatTheElementTreeHolds) {
    std::vector<std::u16string> texts{
        Document(u"<DataPush tag=\"a:1\" to=\"d\" val=\"TRUE\" x=\"y\"/><b/>"
                 u"<DataIsOneOf tag=\"&#x1F600;&amp;\" to=\"\u00e9, f\" val=\"fALSE\">"
                 u"<DataPush tag=\"inner\"/></DataIsOneOf><datapush/>text<?pi x?>"),
        u"<p:Pavex-MetaData-Rules xmlns:p=\"urn:x\" xmlns=\"urn:d\"><p:DataEqualsStr p:tag=\"no\" "
        u"tag=\"yes\" to=\"k\"/><DataPush val=\"true\"/></p:Pavex-MetaData-Rules>",
        u"<Other><DataPush tag=\"a:b\"/></Other>",
        u"<Pavex-MetaData-Rules><DataPush tag=\"x\">",
    };
    // And documents of every element, attribute and value in random mixes.
    const char16_t* const names[] = {u"DataPush", u"DataEqualsDest", u"DataWithoutStr", u"Datapush",
                                     u"Other"};
    const char16_t* const attributes[] = {u"tag", u"to", u"val", u"TAG", u"x:tag"};
    const char16_t* const values[] = {u"true", u"False", u"", u"a &lt; b", u"\u00fc\t1"};
    std::mt19937 rng(32);
    for (int d = 0; d < 40; ++d) {
        std::u16string body;
        for (int e = static_cast<int>(rng() % 12); e > 0; --e) {
            body += u"<" + std::u16string(names[rng() % 5]) + u" xmlns:x=\"urn:x\"";
            for (int a = 0; a < 3; ++a) {
                body += u" " + std::u16string(attributes[(a + rng() % 2 * 3) % 5]) + u"=\"" +
                        values[rng() % 5] + u"\"";
            }
            body += u"/>\n";
        }
        texts.push_back(Document(body));
    }
    for (const std::u16string& text : texts) {
        SCOPED_TRACE(WideToUtf8(text));
        const std::string expected = TreeRules(text);
        for (const zev::SaxEvents events :
             {zev::SaxEvents::kUtf8WhereOffered, zev::SaxEvents::kUtf16}) {
            RuleList read;
            read.a.Add(MakeRule(4, u"old:rule", u"old", true));
            ReadRulesXML(read.a, text.c_str(), 0, events);
            EXPECT_EQ(expected == "(unreadable)" ? "4v old:rule|old" : expected, Describe(read.a));
        }
    }
}

}  // namespace
