// rules_xml_test.cpp - the rules document: exact text, round trips, and what the reader tolerates.
#include "rules/rules_xml.h"

#include <gtest/gtest.h>

#include <memory>
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

const std::u16string kHead =
    u"<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<Pavex-MetaData-Rules>\n";
const std::u16string kTail = u"</Pavex-MetaData-Rules>\n";

std::u16string Document(const std::u16string& body) {
    return kHead + body + kTail;
}

TEST(RulesXml, WriterMatchesTheTemplates) {
    RuleList rules;
    EXPECT_EQ(WriteRulesXML(rules.a, 8).str(), kHead + kTail);

    for (int type = 1; type <= 10; ++type) {
        const CString n(std::to_string(type).c_str());
        rules.a.Add(MakeRule(type, CString(u"t:") + n, CString(u"v") + n, type % 2 == 1));
    }
    rules.a.InsertAt(3, new CRule);  // types 11 and -1 write no line
    rules.a.InsertAt(5, MakeRule(RuleTypeUnresolved, u"x:y", u"z"));
    rules.a.InsertAt(0, nullptr);
    rules.a.Add(new CRule);
    rules.a[rules.a.GetUpperBound()]->m_nType = RuleTypePush;  // no arguments: empty values
    rules.a.Add(MakeRule(2, u"a&b:<c>", u"say \"&amp;\" 'é'"));
    EXPECT_EQ(
        WriteRulesXML(rules.a, 8).str(),
        Document(
            u"<DataPush    tag=\"t:1\"     to=\"v1\"     val=\"true\" />\n"
            u"<DataEqualsStr      tag=\"t:2\"           to=\"v2\"          val=\"false\" />\n"
            u"<DataEqualsDest         tag=\"t:3\"\t         to=\"v3\"       val=\"true\" />\n"
            u"<DataNotEqualStr      tag=\"t:4\"           to=\"v4\"          val=\"false\" />\n"
            u"<DataNotEqualDest      tag=\"t:5\"           to=\"v5\"          val=\"true\" />\n"
            u"<DataContainsStr      tag=\"t:6\"           to=\"v6\"          val=\"false\" />\n"
            u"<DataContainsDest      tag=\"t:7\"           to=\"v7\"          val=\"true\" />\n"
            u"<DataWithoutStr     tag=\"t:8\"           to=\"v8\"          val=\"false\" />\n"
            u"<DataWithoutDest      tag=\"t:9\"           to=\"v9\"          val=\"true\" />\n"
            u"<DataIsOneOf      tag=\"t:10\"           to=\"v10\"          val=\"false\" />\n"
            u"<DataPush    tag=\"\"     to=\"\"     val=\"false\" />\n"
            u"<DataEqualsStr      tag=\"a&amp;b:&lt;c>\"           to=\"say "
            u"&quot;&amp;amp;&quot; 'é'\"          val=\"false\" />\n"));
    EXPECT_EQ(WriteRulesXML(RuleList().a, 16).str().substr(0, 40),
              u"<?xml version=\"1.0\" encoding=\"utf-16\" ?>");
}

TEST(RulesXml, RoundTripKeepsEveryRule) {
    RuleList written;
    for (int type = 1; type <= 10; ++type) {
        written.a.Add(MakeRule(type, u"http://ns.example/1.0/:t",
                               CString(std::to_string(type).c_str()), type % 3 == 0));
    }
    written.a.Add(MakeRule(6, u"http://ns.example/a&b:<x>", u"quote \" amp & lt < 'ü'", true));
    written.a.Add(MakeRule(1, u"ns:tab\there", u"line\nbreak"));
    const CString text = WriteRulesXML(written.a, 8);

    RuleList read;
    read.a.Add(MakeRule(4, u"old:rule", u"old", true));
    ReadRulesXML(read.a, text.GetString(), 0);
    ASSERT_EQ(read.a.GetSize(), 12);
    // Attribute-value normalisation turns a tab or a line break into a space.
    written.a[11]->SetPush(u"ns:tab here", u"line break");
    EXPECT_EQ(Describe(read.a), Describe(written.a));
    EXPECT_EQ(read.a[2]->m_Args.m_nMaxSize, 2);
    EXPECT_EQ(read.a[2]->m_nReserved, 1);

    // Appending the same text twice doubles the rules; only the low byte of append counts.
    RuleList twice;
    ReadRulesXML(twice.a, text.GetString(), 1);
    ReadRulesXML(twice.a, text.GetString(), 0x101);
    EXPECT_EQ(Describe(twice.a), Describe(written.a) + "; " + Describe(written.a));
    ReadRulesXML(twice.a, text.GetString(), 0x100);
    EXPECT_EQ(Describe(twice.a), Describe(written.a));
}

TEST(RulesXml, ReaderTolerance) {
    const std::u16string body =
        u"<DataPush tag=\"a:1\" to=\"d\" val=\"TRUE\" />\n"
        u"<DataPush tag=\"a:2\" to=\"d\" val=\"True\" extra=\"ignored\" />\n"
        u"<DataPush tag=\"a:3\" to=\"d\" val=\"fAlSe\" />\n"
        u"<DataPush tag=\"a:4\" to=\"d\" val=\"yes\" />\n"
        u"<DataPush TAG=\"x\" tag=\"a:5\" to=\"d\" Val=\"true\" val=\"1\" />\n"
        u"<datapush tag=\"skip:case\" to=\"d\" val=\"true\" />\n"
        u"<Unknown tag=\"skip:unknown\" />\n"
        u"<Group><DataPush tag=\"skip:nested\" to=\"d\" /></Group>\n"
        u"<!-- a comment --><?pi data?>text\n"
        u"<DataIsOneOf><DataPush tag=\"skip:inner\" /></DataIsOneOf>\n";
    RuleList rules;
    ReadRulesXML(rules.a, Document(body).c_str(), 0);
    const std::string expected = "1v a:1|d; 1v a:2|d; 1 a:3|d; 1 a:4|d; 1 a:5|d; 10 |";
    EXPECT_EQ(Describe(rules.a), expected);

    // Texts that do not parse change nothing, in either mode.
    for (const char16_t* text :
         {(const char16_t*)nullptr, u"", u"-1", u"-2", u"not xml",
          u"<Pavex-MetaData-Rules><DataPush tag=\"x\">", u"<Pavex-MetaData-Rules></Other>"}) {
        ReadRulesXML(rules.a, text, 0);
        ReadRulesXML(rules.a, text, 1);
        EXPECT_EQ(Describe(rules.a), expected);
    }

    // Another root: nothing read; replace mode has already let the old rules go.
    const char16_t* other = u"<Rules><DataPush tag=\"a:b\" to=\"c\" val=\"true\" /></Rules>";
    ReadRulesXML(rules.a, other, 1);
    EXPECT_EQ(Describe(rules.a), expected);
    ReadRulesXML(rules.a, other, 0);
    EXPECT_EQ(rules.a.m_pData, nullptr);

    // Null elements are nothing to read.
    CString s;
    bool b = true;
    EXPECT_FALSE(GetStringAttribute(nullptr, u"tag", s));
    EXPECT_FALSE(GetBoolAttribute(nullptr, u"val", b));
    EXPECT_EQ(RuleFromElement(nullptr), nullptr);
    ReadRules(rules.a, nullptr);

    // Names are local names; attributes are looked up by their written (qualified) name.
    ReadRulesXML(rules.a,
                 u"<p:Pavex-MetaData-Rules xmlns:p=\"urn:x\"><p:DataWithoutDest p:tag=\"no\" "
                 u"tag=\"yes:1\" to=\"k\" val=\"false\"/></p:Pavex-MetaData-Rules>",
                 0);
    EXPECT_EQ(Describe(rules.a), "9 yes:1|k");
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
