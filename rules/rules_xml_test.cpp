// rules_xml_test.cpp - the rules document: round trips, appending, and what no document is. The
// exact text written and what the reader takes are cases in tests/cases/.
#include "rules/rules_xml.h"

#include <gtest/gtest.h>

#include <string>

#include "rules/test_support.h"

namespace {

using rules_test::Describe;
using rules_test::MakeRule;
using rules_test::RuleList;

const std::u16string kTail = u"</Pavex-MetaData-Rules>\n";

TEST(RulesXml, WriterLeavesOutWhatIsNoRuleAndNamesItsEncoding) {
    RuleList rules;
    rules.a.Add(nullptr);
    rules.a.Add(new CRule);  // types 11 and -1 write no line
    rules.a.Add(MakeRule(RuleTypeUnresolved, u"x:y", u"z"));
    rules.a.Add(new CRule);
    rules.a[3]->m_nType = RuleTypePush;  // no arguments: empty values
    EXPECT_EQ(WriteRulesXML(rules.a, 16).str(),
              u"<?xml version=\"1.0\" encoding=\"utf-16\" ?>\n<Pavex-MetaData-Rules>\n"
              u"<DataPush    tag=\"\"     to=\"\"     val=\"false\" />\n" +
                  kTail);
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

TEST(RulesXml, TextThatDoesNotParseChangesNothing) {
    RuleList rules;
    rules.a.Add(MakeRule(1, u"a:1", u"d", true));
    for (const char16_t* text :
         {static_cast<const char16_t*>(nullptr), u"", u"-1", u"not xml",
          u"<Pavex-MetaData-Rules><DataPush tag=\"x\">", u"<Pavex-MetaData-Rules></Other>"}) {
        ReadRulesXML(rules.a, text, 0);
        ReadRulesXML(rules.a, text, 1);
        EXPECT_EQ(Describe(rules.a), "1v a:1|d");
    }
    EXPECT_EQ(RuleFromElement(nullptr), nullptr);
}

}  // namespace
