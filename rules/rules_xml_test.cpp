// rules_xml_test.cpp - the rules document: every rule type and awkward text round trip, replacing and
// appending. The exact text written, what the reader takes and what no document is are cases in
// tests/cases/ and tests/hostile/cases/.
#include "rules/rules_xml.h"

#include <gtest/gtest.h>

#include <string>

#include "rules/test_support.h"

namespace {

using rules_test::Describe;
using rules_test::MakeRule;
using rules_test::RuleList;

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

}  // namespace
