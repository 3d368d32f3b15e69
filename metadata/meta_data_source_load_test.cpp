// meta_data_source_load_test.cpp - reading packets, from UTF-8 text through the element tree and
// its mirror to a source's values, and a loaded source's rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "metadata/meta_data_source.h"
#include "metadata/meta_data_test_util.h"
#include "metadata/meta_data_tree.h"

namespace {

using namespace metadata_test;

const std::filesystem::path kSamples(OLVANE_SAMPLES_DIR);

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::unique_ptr<CMetaDataSource> LoadPacket(const std::string& packet) {
    auto source = std::make_unique<CMetaDataSource>();
    source->Load(packet.c_str());
    return source;
}

std::string Wrapped(const std::string& descriptions) {
    return "<x:xmpmeta xmlns:x='adobe:ns:meta/'>"
           "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>" +
           descriptions + "</rdf:RDF></x:xmpmeta>";
}

void ExpectEmpty(const CMetaDataSource& source) {
    ASSERT_EQ(source.m_MetaData.GetSize(), 1);
    EXPECT_EQ(source.m_MetaData[0]->m_strPrefix, u"xmlns:");
    EXPECT_EQ(source.GetFirstNamespacePosition(), nullptr);
}

TEST(PacketReader, WorkedExample) {
    auto source = LoadPacket(ReadFile(std::filesystem::path(OLVANE_SOURCE_DIR) /
                                      "metadata/testdata/worked_example.xmp"));
    // "xmp" hashes to bucket 4, "dc" to bucket 16.
    EXPECT_EQ(Namespaces(*source), (Pairs{{u"xmp", kXmp}, {u"dc", kDc}}));
    ASSERT_EQ(source->m_MetaData.GetSize(), 3);
    EXPECT_EQ(source->m_MetaData[1]->m_strPrefix, u"xmp");
    EXPECT_EQ(Entries(source->m_MetaData[1]->m_Values), (Pairs{{u"Rating", u"3"}}));
    EXPECT_EQ(Entries(source->m_MetaData[2]->m_Values, true),
              (Pairs{{u"format", u"video"}, {u"subject", u"a, b"}, {u"title", u"Hello"}}));
    CString value;
    ASSERT_TRUE(source->GetValue(Tag(kDc, u"subject"), value));
    EXPECT_EQ(value, u"a, b");
    EXPECT_EQ(source->FindMetaDataByPrefix(u"rdf"), nullptr);  // rdf:about dropped
}

TEST(PacketReader, WhatAPacketSaysAndWhatIsLost) {
    // Several Descriptions, a later one overwriting; texts exact, entities decoded; a property
    // with an attribute keeps only its attributes; nested Description fields joined, fields as
    // attributes lost; empty and one-item lists.
    auto source = LoadPacket(
        Wrapped("<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/' dc:format='first'>"
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

    // Declarations on the wrapper or on rdf:RDF declare nothing, and their values are lost; a
    // declared namespace without values still has its group.
    source = LoadPacket(
        "<x:xmpmeta xmlns:x='adobe:ns:meta/' xmlns:a='urn:a'>"
        "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#' xmlns:b='urn:b'>"
        "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/' xmlns:e='urn:empty'>"
        "<a:v>1</a:v><b:v>2</b:v><dc:v>3</dc:v></rdf:Description></rdf:RDF></x:xmpmeta>");
    EXPECT_EQ(Namespaces(*source), (Pairs{{u"e", u"urn:empty"}, {u"dc", kDc}}));
    EXPECT_EQ(source->m_MetaData.GetSize(), 3);
    EXPECT_EQ(GroupValues(*source, u"dc"), (Pairs{{u"v", u"3"}}));

    // rdf:RDF as the document element reads the same.
    source = LoadPacket(
        "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
        "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/' dc:title='T'/></rdf:RDF>");
    EXPECT_EQ(GroupValues(*source, u"dc"), (Pairs{{u"title", u"T"}}));

    // Under the wrapper only the first child counts. Any other document element is one
    // property: its attributes (declarations too) if it has any, else its text.
    ExpectEmpty(
        *LoadPacket("<x:xmpmeta xmlns:x='adobe:ns:meta/'><x:other/>"
                    "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
                    "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/' dc:a='1'/>"
                    "</rdf:RDF></x:xmpmeta>"));
    source = LoadPacket("<dc:doc xmlns:dc='http://purl.org/dc/elements/1.1/'>t</dc:doc>");
    EXPECT_EQ(Namespaces(*source), (Pairs{{u"dc", kDc}}));
    EXPECT_TRUE(GroupValues(*source, u"dc").empty());
}

TEST(PacketReader, UnreadablePacketsGiveAnEmptySource) {
    for (const char* packet :
         {"", "-1", "not xml at all", "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF>",
          "<a><b></a></b>", "\xff\xfe<x:xmpmeta xmlns:x='adobe:ns:meta/'/>",
          "<rdf:RDF xmlns:rdf='r'><rdf:Description xmlns:dc='d' dc:a='\xc3\x28'/></rdf:RDF>"}) {
        SCOPED_TRACE(packet);
        ExpectEmpty(*LoadPacket(packet));
    }
    CMetaDataSource none;
    none.Load(nullptr);
    ExpectEmpty(none);
    // A mirror node that fails to load is left empty, whatever it held.
    CMetaDataTree node;
    node.Load("<x:xmpmeta xmlns:x='adobe:ns:meta/' x:a='1'><x:b/></x:xmpmeta>");
    ASSERT_EQ(node.m_Children.size(), 1u);
    node.Load("<broken>");
    EXPECT_TRUE(node.m_Children.empty() && node.m_Attributes.IsEmpty());
    EXPECT_TRUE(node.m_strName.IsEmpty() && node.m_strPrefix.IsEmpty());
}

TEST(PacketReader, DeepNesting) {
    auto nested = [](int depth) {
        std::string packet = "<rdf:RDF xmlns:rdf='r'><rdf:Description xmlns:dc='urn:d'>";
        for (int i = 0; i < depth; ++i) {
            packet += "<rdf:Description>";
        }
        packet += "<dc:deep>found</dc:deep>";
        for (int i = 0; i < depth; ++i) {
            packet += "</rdf:Description>";
        }
        return packet + "</rdf:Description></rdf:RDF>";
    };
    CString value;
    EXPECT_TRUE(LoadPacket(nested(200))->GetValue(u"urn:d:deep", value));
    EXPECT_EQ(value, u"found");

    // A mirror deeper than any parser allows is flattened and freed without recursion.
    CMetaDataTree root;
    CMetaDataTree* node = &root;
    for (int i = 0; i < 200000; ++i) {
        node->m_strPrefix = u"rdf";
        node->m_Children.push_back(std::make_unique<CMetaDataTree>());
        node = node->m_Children[0].get();
    }
    node->m_strPrefix = u"dc";
    node->m_strName = u"deep";
    CMetaData flat;
    flat.Flatten(&root);
    EXPECT_EQ(Entries(flat.m_Values), (Pairs{{u"dc:deep", u""}}));
}

// Every sample loads; the real ones yield what their writer put in, read the library's way.
TEST(PacketReader, SamplePackets) {
    int loaded = 0;
    for (const auto& file : std::filesystem::directory_iterator(kSamples)) {
        if (file.path().extension() != ".xmp") {
            continue;
        }
        SCOPED_TRACE(file.path().filename().string());
        auto source = LoadPacket(ReadFile(file.path()));
        EXPECT_GT(source->m_MetaData.GetSize(), 1);
        const std::string name = file.path().stem().string();
        if (name.rfind("synth_n", 0) == 0) {
            // One value per numbered property, all in the eight declared namespaces.
            ASSERT_EQ(source->m_MetaData.GetSize(), 9);
            INT_PTR values = 0;
            for (INT_PTR i = 1; i < 9; ++i) {
                values += source->m_MetaData[i]->m_Values.GetCount();
            }
            EXPECT_EQ(values, std::stoi(name.substr(7)));
        }
        ++loaded;
    }
    EXPECT_GE(loaded, 8);

    auto basic = LoadPacket(ReadFile(kSamples / "real_01_basic.xmp"));
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
    auto photo = LoadPacket(ReadFile(kSamples / "real_02_photo.xmp"));
    const std::u16string iptc = u"http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/";
    ASSERT_TRUE(photo->GetValue(Tag(iptc, u"Location"), value));
    EXPECT_EQ(value, u"Main square");
    EXPECT_FALSE(photo->GetValue(Tag(iptc, u"CreatorContactInfo"), value));
    EXPECT_FALSE(photo->GetValue(Tag(iptc, u"CiAdrCity"), value));

    auto full = LoadPacket(ReadFile(kSamples / "real_05_full.xmp"));
    ASSERT_TRUE(full->GetValue(u"http://ns.adobe.com/photoshop/1.0/:Headline", value));
    EXPECT_EQ(value, u"Saturday market");
}

}  // namespace
