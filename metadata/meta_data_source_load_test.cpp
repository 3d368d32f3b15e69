// meta_data_source_load_test.cpp - reading packets: from UTF-8 text through the element tree and
// its mirror to a source's namespaces and values.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "metadata/meta_data_source.h"
#include "metadata/meta_data_test_util.h"
#include "metadata/meta_data_tree.h"
#include "rules/rule.h"

namespace {

using namespace metadata_test;

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::unique_ptr<CMetaDataSource> LoadPacket(const char* packet) {
    auto source = std::make_unique<CMetaDataSource>();
    source->Load(packet);
    return source;
}

std::unique_ptr<CMetaDataSource> LoadPacket(const std::string& packet) {
    return LoadPacket(packet.c_str());
}

std::string Wrapped(const std::string& descriptions) {
    return "<x:xmpmeta xmlns:x='adobe:ns:meta/'>"
           "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>" +
           descriptions + "</rdf:RDF></x:xmpmeta>";
}

void ExpectEmpty(const CMetaDataSource& source) {
    ASSERT_EQ(source.m_MetaData.GetSize(), 1);
    EXPECT_EQ(source.m_MetaData[0]->m_strPrefix, u"xmlns:");
    EXPECT_EQ(source.m_MetaData[0]->m_strNamespace, u"adobe:ns:meta/");
    EXPECT_EQ(source.GetFirstNamespacePosition(), nullptr);
    CString value;
    EXPECT_FALSE(source.GetValue(Tag(kDc, u"title"), value));
}

TEST(PacketReader, WorkedExample) {
    const std::string packet =
        ReadFile(std::filesystem::path(OLVANE_SOURCE_DIR) / "metadata/testdata/worked_example.xmp");
    ASSERT_FALSE(packet.empty());
    auto source = LoadPacket(packet);
    // "xmp" hashes to bucket 4, "dc" to bucket 16.
    EXPECT_EQ(Namespaces(*source), (Pairs{{u"xmp", kXmp}, {u"dc", kDc}}));
    ASSERT_EQ(source->m_MetaData.GetSize(), 3);
    EXPECT_EQ(source->m_MetaData[1]->m_strPrefix, u"xmp");
    EXPECT_EQ(source->m_MetaData[2]->m_strPrefix, u"dc");
    EXPECT_EQ(Entries(source->m_MetaData[1]->m_Values), (Pairs{{u"Rating", u"3"}}));
    EXPECT_EQ(Sorted(Entries(source->m_MetaData[2]->m_Values)),
              (Pairs{{u"format", u"video"}, {u"subject", u"a, b"}, {u"title", u"Hello"}}));
    CString value;
    ASSERT_TRUE(source->GetValue(Tag(kDc, u"subject"), value));
    EXPECT_EQ(value, u"a, b");
    EXPECT_EQ(source->FindMetaDataByPrefix(u"rdf"), nullptr);
}

TEST(PacketReader, WhatAPacketSaysAndWhatIsLost) {
    {
        // Several Descriptions: all read, a later one overwriting; attribute properties; texts
        // exact, entities decoded; a property with an attribute keeps only its attributes.
        auto source = LoadPacket(Wrapped(
            "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/' dc:format='first'>"
            "<dc:source> spaced &amp; kept </dc:source>"
            "<dc:rights xml:lang='en'>lost</dc:rights>"
            "<dc:contact><rdf:Description><dc:city>Exampleton</dc:city>"
            "<dc:country>Utopia</dc:country></rdf:Description></dc:contact>"
            "<dc:none><rdf:Description dc:city='attribute'/></dc:none>"
            "<dc:empty><rdf:Bag/></dc:empty>"
            "<dc:one><rdf:Seq><rdf:li>only</rdf:li></rdf:Seq></dc:one>"
            "</rdf:Description>"
            "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/'>"
            "<dc:format>second</dc:format></rdf:Description>"));
        EXPECT_EQ(GroupValues(*source, u"dc"), (Pairs{{u"contact", u"Exampleton, Utopia"},
                                                      {u"empty", u""},
                                                      {u"format", u"second"},
                                                      {u"none", u""},
                                                      {u"one", u"only"},
                                                      {u"source", u" spaced & kept "}}));
    }
    {
        // Declarations on the wrapper or on rdf:RDF declare nothing, and their values are lost;
        // a declared namespace without values still has its (empty) group.
        auto source = LoadPacket(
            "<x:xmpmeta xmlns:x='adobe:ns:meta/' xmlns:a='urn:a'>"
            "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#' xmlns:b='urn:b'>"
            "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/' xmlns:e='urn:empty'>"
            "<a:v>1</a:v><b:v>2</b:v><dc:v>3</dc:v></rdf:Description></rdf:RDF></x:xmpmeta>");
        EXPECT_EQ(Sorted(Namespaces(*source)), (Pairs{{u"dc", kDc}, {u"e", u"urn:empty"}}));
        EXPECT_EQ(GroupValues(*source, u"dc"), (Pairs{{u"v", u"3"}}));
        ASSERT_NE(source->FindMetaDataByPrefix(u"e"), nullptr);
        EXPECT_TRUE(source->FindMetaDataByPrefix(u"e")->m_Values.IsEmpty());
        EXPECT_EQ(source->m_MetaData.GetSize(), 3);
    }
    {
        // No wrapper: rdf:RDF as the document element reads the same.
        auto source = LoadPacket(
            "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
            "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/'>"
            "<dc:title>T</dc:title></rdf:Description></rdf:RDF>");
        EXPECT_EQ(GroupValues(*source, u"dc"), (Pairs{{u"title", u"T"}}));
    }
    {
        // Under the wrapper only the first child counts.
        ExpectEmpty(
            *LoadPacket("<x:xmpmeta xmlns:x='adobe:ns:meta/'><x:other/>"
                        "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
                        "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/' dc:a='1'/>"
                        "</rdf:RDF></x:xmpmeta>"));
        // Any other document element is one property: its attributes (declarations included)
        // if it has any, else its text.
        auto declared =
            LoadPacket("<dc:doc xmlns:dc='http://purl.org/dc/elements/1.1/'>t</dc:doc>");
        EXPECT_EQ(Namespaces(*declared), (Pairs{{u"dc", kDc}}));
        EXPECT_TRUE(GroupValues(*declared, u"dc").empty());
        ExpectEmpty(*LoadPacket("<doc>text</doc>"));
    }
    {
        // Prefixes that differ only in case: one of them takes every value.
        auto source = LoadPacket(
            Wrapped("<rdf:Description xmlns:dc='urn:lower'><dc:a>1</dc:a></rdf:Description>"
                    "<rdf:Description xmlns:DC='urn:upper'><DC:b>2</DC:b></rdf:Description>"));
        const Pairs list = Namespaces(*source);
        ASSERT_EQ(list.size(), 2u);
        // Both hash to bucket 16: their order is the order in which the flat map handed over
        // their declarations.
        std::vector<std::u16string> declared;
        for (const auto& key : MapOrder({u"xmlns:dc", u"xmlns:DC"})) {
            declared.push_back(key.substr(6));
        }
        EXPECT_EQ(Keys(list), MapOrder(declared));
        ASSERT_EQ(source->m_MetaData.GetSize(), 3);
        EXPECT_EQ(Sorted(Entries(source->m_MetaData[1]->m_Values)),
                  (Pairs{{u"a", u"1"}, {u"b", u"2"}}));
        EXPECT_TRUE(source->m_MetaData[2]->m_Values.IsEmpty());
        CString value;
        EXPECT_TRUE(source->GetValue(CString(list[0].second) + CString(u":b"), value));
        EXPECT_FALSE(source->GetValue(CString(list[1].second) + CString(u":b"), value));
    }
}

TEST(PacketReader, UnreadablePacketsGiveAnEmptySource) {
    const char* packets[] = {
        nullptr,
        "",
        "-1",
        "not xml at all",
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF>",  // truncated
        "<a><b></a></b>",
        "<a/><b/>",
        "\xff\xfe<x:xmpmeta xmlns:x='adobe:ns:meta/'/>",  // not UTF-8
        "<rdf:RDF xmlns:rdf='r'><rdf:Description xmlns:dc='d' dc:a='\xc3\x28'/></rdf:RDF>",
    };
    for (const char* packet : packets) {
        SCOPED_TRACE(packet == nullptr ? "(null)" : packet);
        ExpectEmpty(*LoadPacket(packet));
    }
}

TEST(PacketReader, TreeMirrorsTheDocumentElement) {
    CMetaDataTree root;
    root.Load(
        "<x:xmpmeta xmlns:x='adobe:ns:meta/' x:xmptk='t'>"
        "<rdf:RDF xmlns:rdf='r'>\n<rdf:Description/>\n<plain>p</plain>\n</rdf:RDF></x:xmpmeta>");
    EXPECT_EQ(root.m_strPrefix, u"x");
    EXPECT_EQ(root.m_strName, u"xmpmeta");
    ASSERT_EQ(root.m_Attributes.GetCount(), 2);
    CString value;
    EXPECT_TRUE(root.m_Attributes.Lookup(u"xmlns:x", value));
    EXPECT_EQ(value, u"adobe:ns:meta/");
    EXPECT_TRUE(root.m_Attributes.Lookup(u"x:xmptk", value));
    ASSERT_EQ(root.m_Children.GetSize(), 1);
    const CMetaDataTree& rdf = *root.m_Children[0];
    EXPECT_EQ(rdf.m_strPrefix, u"rdf");
    EXPECT_EQ(rdf.m_strName, u"RDF");
    EXPECT_EQ(rdf.m_strText, u"\n");  // the run after the last child
    ASSERT_EQ(rdf.m_Children.GetSize(), 2);
    EXPECT_EQ(rdf.m_Children[0]->m_strName, u"Description");
    EXPECT_EQ(rdf.m_Children[1]->m_strPrefix, u"");
    EXPECT_EQ(rdf.m_Children[1]->m_strName, u"plain");
    EXPECT_EQ(rdf.m_Children[1]->m_strText, u"p");

    // A failed load leaves the node empty, whatever it held.
    root.Load("<broken>");
    EXPECT_TRUE(root.m_Children.IsEmpty());
    EXPECT_TRUE(root.m_Attributes.IsEmpty());
    EXPECT_TRUE(root.m_strName.IsEmpty());
    root.FromElement(nullptr);
    EXPECT_TRUE(root.m_Children.IsEmpty());
}

std::string Nested(int depth) {
    std::string packet = "<rdf:RDF xmlns:rdf='r'><rdf:Description xmlns:dc='urn:d'>";
    for (int i = 0; i < depth; ++i) {
        packet += "<rdf:Description>";
    }
    packet += "<dc:deep>found</dc:deep>";
    for (int i = 0; i < depth; ++i) {
        packet += "</rdf:Description>";
    }
    return packet + "</rdf:Description></rdf:RDF>";
}

TEST(PacketReader, NestedDescriptionsAreAllRead) {
    CString value;
    EXPECT_TRUE(LoadPacket(Nested(200))->GetValue(u"urn:d:deep", value));
    EXPECT_EQ(value, u"found");
    // Past the parser's nesting limit the packet is unreadable, not a crash.
    ExpectEmpty(*LoadPacket(Nested(100000)));
}

// Every sample loads; the real ones yield what their writer put in, read the library's way.
TEST(PacketReader, SamplePackets) {
    int loaded = 0;
    for (const auto& file : std::filesystem::directory_iterator(OLVANE_SAMPLES_DIR)) {
        if (file.path().extension() != ".xmp") {
            continue;
        }
        SCOPED_TRACE(file.path().filename().string());
        auto source = LoadPacket(ReadFile(file.path()));
        EXPECT_GT(source->m_MetaData.GetSize(), 1);
        const std::string name = file.path().stem().string();
        if (name.rfind("synth_n", 0) == 0) {
            // One value per numbered property, all in the eight declared namespaces.
            EXPECT_EQ(source->m_MetaData.GetSize(), 9);
            INT_PTR values = 0;
            for (INT_PTR i = 1; i < source->m_MetaData.GetSize(); ++i) {
                values += source->m_MetaData[i]->m_Values.GetCount();
            }
            EXPECT_EQ(values, std::stoi(name.substr(7)));
        }
        ++loaded;
    }
    EXPECT_GE(loaded, 8);

    const std::filesystem::path dir(OLVANE_SAMPLES_DIR);
    auto basic = LoadPacket(ReadFile(dir / "real_01_basic.xmp"));
    EXPECT_EQ(
        Sorted(Namespaces(*basic)),
        (Pairs{
            {u"dc", kDc}, {u"xmp", kXmp}, {u"xmpRights", u"http://ns.adobe.com/xap/1.0/rights/"}}));
    EXPECT_EQ(GroupValues(*basic, u"xmp"), (Pairs{{u"CreateDate", u"2021-06-01T05:42:10+02:00"},
                                                  {u"CreatorTool", u"Anchor Writer 1.0"},
                                                  {u"Rating", u"3"}}));
    EXPECT_EQ(GroupValues(*basic, u"dc"), (Pairs{{u"creator", u"Jane Example"},
                                                 {u"subject", u"harbour, dawn"},
                                                 {u"title", u"Harbour at dawn"}}));
    CString value;
    ASSERT_TRUE(basic->GetValue(u"http://ns.adobe.com/xap/1.0/rights/:Marked", value));
    EXPECT_EQ(value, u"True");

    // A struct written with rdf:parseType keeps only that attribute, which no Description
    // declares: its fields are lost.
    auto photo = LoadPacket(ReadFile(dir / "real_02_photo.xmp"));
    const std::u16string iptc = u"http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/";
    ASSERT_TRUE(photo->GetValue(Tag(iptc, u"CountryCode"), value));
    EXPECT_EQ(value, u"UT");
    ASSERT_TRUE(photo->GetValue(Tag(iptc, u"Location"), value));
    EXPECT_EQ(value, u"Main square");
    EXPECT_FALSE(photo->GetValue(Tag(iptc, u"CreatorContactInfo"), value));
    EXPECT_FALSE(photo->GetValue(Tag(iptc, u"CiAdrCity"), value));

    auto history = LoadPacket(ReadFile(dir / "real_04_history.xmp"));
    ASSERT_TRUE(history->GetValue(u"http://ns.adobe.com/xap/1.0/mm/:DocumentID", value));
    EXPECT_EQ(value, u"xmp.did:0123456789abcdef");
    ASSERT_TRUE(history->GetValue(Tag(kDc, u"format"), value));
    EXPECT_EQ(value, u"image/tiff");

    auto full = LoadPacket(ReadFile(dir / "real_05_full.xmp"));
    ASSERT_TRUE(full->GetValue(u"http://ns.adobe.com/photoshop/1.0/:Headline", value));
    EXPECT_EQ(value, u"Saturday market");
}

std::unique_ptr<CRule> MakeRule(int type, const CString& tag, const CString& second) {
    auto rule = std::make_unique<CRule>();
    rule->SetPush(tag, second);
    rule->m_nType = type;
    return rule;
}

TEST(PacketReader, RulesEvaluateAgainstALoadedPacket) {
    auto source =
        LoadPacket(ReadFile(std::filesystem::path(OLVANE_SAMPLES_DIR) / "real_01_basic.xmp"));
    CRuleArray rules;
    rules.Add(MakeRule(RuleTypePush, Tag(kXmp, u"CreatorTool"), u"title-field").release());
    rules.Add(MakeRule(RuleTypeContainsStr, Tag(kDc, u"subject"), u"dawn").release());
    rules.Add(MakeRule(RuleTypeEqualsDest, Tag(kDc, u"Subject"), u"other").release());
    source->CopyRules(&rules);
    FreeRuleArray(&rules);

    CRuleArray parsed;
    source->ParseRules(&parsed);
    ASSERT_EQ(parsed.GetSize(), 3);
    EXPECT_EQ(parsed[0]->GetArg(0).str(), u"Anchor Writer 1.0");
    EXPECT_EQ(parsed[0]->m_nType, RuleTypePush);
    EXPECT_EQ(parsed[1]->GetArg(0).str(), u"harbour, dawn");
    EXPECT_EQ(parsed[1]->GetArg(1).str(), u"dawn");
    EXPECT_EQ(parsed[2]->m_nType, RuleTypeUnresolved);
    EXPECT_EQ(parsed[2]->GetArg(0).str(), Tag(kDc, u"Subject").str());
    FreeRuleArray(&parsed);

    // A replacing source takes clones of the rules, stored tags and all.
    auto replacement = LoadPacket(nullptr);
    replacement->CopyRules(&source->m_Rules);
    source.reset();
    replacement->GetRules(&rules);
    ASSERT_EQ(rules.GetSize(), 3);
    EXPECT_EQ(rules[0]->GetArg(0).str(), Tag(kXmp, u"CreatorTool").str());
    FreeRuleArray(&rules);
    replacement->ParseRules(&rules);
    ASSERT_EQ(rules.GetSize(), 3);
    EXPECT_EQ(rules[0]->m_nType, RuleTypeUnresolved);
    FreeRuleArray(&rules);
}

}  // namespace
