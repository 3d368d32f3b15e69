// packet_reader_test.cpp - the streaming packet reader held to the element-tree path (the same
// groups, values and order) on the samples and awkward shapes (fuzz/packet_paths_fuzzer.cpp holds
// it to any bytes), and the tree path's own duties. What packets give is in tests/cases/.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "metadata/meta_data_source.h"
#include "metadata/meta_data_tree.h"
#include "metadata/test_support.h"
#include "tests/support/test_support.h"

namespace {

using namespace metadata_test;
using olvane_test::DataPath;
using olvane_test::ReadFile;

std::unique_ptr<CMetaDataSource> Load(const std::string& packet) {
    auto source = std::make_unique<CMetaDataSource>();
    source->Load(packet.c_str());
    return source;
}

// The body inside the wrapper and rdf:RDF, which declare dc and xmp, as does every Description.
std::string Packet(std::string body) {
    const std::string declarations =
        " xmlns:dc='http://purl.org/dc/elements/1.1/' xmlns:xmp='http://ns.adobe.com/xap/1.0/'";
    for (size_t at = body.find("<rdf:Description"); at != std::string::npos;
         at = body.find("<rdf:Description", at + 1)) {
        body.insert(at + 16, declarations);
    }
    return "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
           "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'" +
           declarations + ">" + body + "</rdf:RDF></x:xmpmeta>";
}

// Both paths give the same groups; returns how many values the packet gave.
size_t ExpectSameAsTree(const std::string& packet) {
    SCOPED_TRACE(packet.substr(0, 2000));
    const std::vector<Pairs> streamed = StreamedGroups(packet.c_str());
    EXPECT_EQ(streamed, TreeGroups(packet.c_str()));
    size_t values = 0;
    for (size_t i = 1; i < streamed.size(); ++i) {
        values += streamed[i].size() - 1;  // less the group's own prefix and namespace
    }
    return values;
}

TEST(PacketReader, TheTreePathReportsTextThatIsNotUtf8AndKeepsNothingOfABrokenPacket) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(
        Load("<x:xmpmeta xmlns:x='adobe:ns:meta/'>\xc3\x28</x:xmpmeta>")->GetMetaData().GetSize(),
        1);
    EXPECT_NE(testing::internal::GetCapturedStdout(), "");
    // A mirror node that fails to load is left empty, whatever it held.
    CMetaDataTree node;
    node.Load("<x:xmpmeta xmlns:x='adobe:ns:meta/' x:a='1'><x:b/></x:xmpmeta>");
    ASSERT_EQ(node.GetChildren().size(), 1u);
    node.Load("<broken>");
    EXPECT_TRUE(node.GetChildren().empty() && node.GetAttributes().IsEmpty());

    // A mirror deeper than any parser allows is flattened and freed without recursion.
    CMetaDataTree root;
    root.Load("<rdf:RDF xmlns:rdf='r'/>");
    CMetaDataTree* deep = &root;
    for (int i = 0; i < 200000; ++i) {
        deep = &deep->AddChild(u"rdf", u"");
    }
    deep->AddChild(u"dc", u"deep");
    CMetaData flat;
    flat.Flatten(&root);
    EXPECT_EQ(Entries(flat.GetValues()), (Pairs{{u"dc:deep", u""}}));
}

TEST(PacketReader, StreamingAndTreePathsAgreeOnTheSamples) {
    for (const char* name : {"real_01_basic", "real_02_photo", "real_03_media", "real_04_history",
                             "real_05_full", "worked_example"}) {
        EXPECT_GT(ExpectSameAsTree(ReadFile(DataPath(std::string("xmp/") + name + ".xmp"))), 3u)
            << name;
    }
}

TEST(PacketReader, StreamingAndTreePathsAgreeOnAwkwardShapes) {
    for (const char* body :
         {// Attributes of several Descriptions, one name twice: later value, first place.
          "<rdf:Description dc:a='1' dc:b='2' xmp:c='3' dc:q='4' dc:r='5' dc:ab='6'/>"
          "<rdf:Description dc:a='again' xmp:z='6'/>",
          // A property twice, empty, of whitespace, with attributes (its text is not read).
          "<rdf:Description><dc:t>one</dc:t><dc:t>two</dc:t><dc:e/><dc:w>  </dc:w>"
          "<dc:p xmp:k='v' xmp:l='w'>ignored</dc:p></rdf:Description>",
          // Lists: markup in an item, a second list ignored, an empty list.
          "<rdf:Description><dc:subject><rdf:Bag><rdf:li>a</rdf:li><rdf:li>b &amp; c</rdf:li>"
          "<rdf:li>x<dc:i>in</dc:i>y</rdf:li></rdf:Bag><rdf:Seq><rdf:li>lost</rdf:li></rdf:Seq>"
          "</dc:subject><dc:none><rdf:Alt/></dc:none></rdf:Description>",
          // Text in pieces, mixed content where the last run wins, characters past the BMP.
          "<rdf:Description><dc:r>a&lt;b<![CDATA[c]]>d<!-- c -->e<?pi x?>f</dc:r>"
          "<dc:m>before<dc:n>inner</dc:n>after</dc:m><dc:u>\xF0\x9F\x8E\xAC</dc:u>"
          "</rdf:Description>",
          // Prefixes in other cases, no prefix, properties straight under RDF, nesting.
          "<RDF:description xmlns:RDF='http://www.w3.org/1999/02/22-rdf-syntax-ns#' DC:k='v'"
          " xmlns:DC='http://purl.org/dc/elements/1.1/'><DC:title>T</DC:title></RDF:description>"
          "<Description xmlns='urn:plain'><plain>p</plain></Description><dc:top>t</dc:top>"
          "<rdf:Description><rdf:Description><dc:deep>d</dc:deep></rdf:Description>"
          "</rdf:Description>"}) {
        EXPECT_GT(ExpectSameAsTree(Packet(body)), 0u);
    }
    ExpectSameAsTree(
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:Description xmlns:rdf='r' xmlns:dc='urn:dc' "
        "dc:first='1'/><dc:second xmlns:dc='urn:dc'>2</dc:second></x:xmpmeta>");
    ExpectSameAsTree("<dc:a xmlns:dc='http://purl.org/dc/elements/1.1/'>alone</dc:a>");
}

}  // namespace
