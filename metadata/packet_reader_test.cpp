// packet_reader_test.cpp - the streaming packet reader held to the element-tree path (the same
// groups, values and order) on the samples, awkward shapes and generated packets, and the tree
// path's own duties. What packets give is in the cases of tests/cases/.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "metadata/meta_data_source.h"
#include "metadata/meta_data_test_util.h"
#include "metadata/meta_data_tree.h"
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
        Load("<x:xmpmeta xmlns:x='adobe:ns:meta/'>\xc3\x28</x:xmpmeta>")->m_MetaData.GetSize(), 1);
    EXPECT_NE(testing::internal::GetCapturedStdout(), "");
    // A mirror node that fails to load is left empty, whatever it held.
    CMetaDataTree node;
    node.Load("<x:xmpmeta xmlns:x='adobe:ns:meta/' x:a='1'><x:b/></x:xmpmeta>");
    ASSERT_EQ(node.m_Children.GetSize(), 1);
    node.Load("<broken>");
    EXPECT_TRUE(node.m_Children.IsEmpty() && node.m_Attributes.IsEmpty());

    // A mirror deeper than any parser allows is flattened and freed without recursion.
    CMetaDataTree root;
    CMetaDataTree* deep = &root;
    for (int i = 0; i < 200000; ++i) {
        deep->m_strPrefix = u"rdf";
        deep->m_Children.Add(new CMetaDataTree);
        deep = deep->m_Children[0];
    }
    deep->m_strPrefix = u"dc";
    deep->m_strName = u"deep";
    CMetaData flat;
    flat.Flatten(&root);
    EXPECT_EQ(Entries(flat.m_Values), (Pairs{{u"dc:deep", u""}}));
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

// Random packets from a small vocabulary, so that names, prefixes, buckets and shapes keep
// colliding in ways no hand-written case covers.
class PacketGenerator {
  public:
    explicit PacketGenerator(unsigned seed) : m_rng(seed) {}
    std::string Make() {
        std::string out = "<x:xmpmeta xmlns:x='adobe:ns:meta/'>";
        out += "<rdf:RDF" + Declarations() + ">";
        for (int i = Pick(3); i >= 0; --i) {
            out += Element(1);
        }
        return out + "</rdf:RDF></x:xmpmeta>";
    }

  private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    std::string Declarations() {
        std::string out;
        for (const char* p : {"rdf", "RDF", "dc", "DC", "xmp", "xmpMM"}) {
            out +=
                Pick(3) != 0 || p[0] == 'r' ? std::string(" xmlns:") + p + "='urn:" + p + "'" : "";
        }
        return out;
    }
    std::string Element(int depth) {
        static const char* const kPrefixes[] = {"rdf", "RDF", "dc", "DC", "xmp", "xmpMM"};
        static const char* const kLocals[] = {"Description", "li", "Bag", "a", "b", "ab", "title"};
        static const char* const kTexts[] = {"v", "a &amp; b", "<![CDATA[c]]>", "caf\xC3\xA9",
                                             "",  " ",         "x<!--c-->y",    "1, 2"};
        const bool description = depth == 1 && Pick(4) != 0;
        const std::string name =
            description
                ? "rdf:Description"
                : std::string(kPrefixes[depth <= 1 ? Pick(2) : Pick(6)]) + ":" + kLocals[Pick(7)];
        std::string out = "<" + name + (description ? Declarations() : "");
        for (const char* attribute : {"dc:a", "dc:b", "xmp:a", "dc:q", "dc:r", "xmp:ab"}) {
            out += Pick(5) == 0
                       ? std::string(" ") + attribute + "='" + std::to_string(Pick(9)) + "'"
                       : "";
        }
        out += ">";
        for (int parts = depth >= 5 ? Pick(2) : Pick(5); parts > 0; --parts) {
            out += Pick(2) == 0 ? kTexts[Pick(8)] : Element(depth + 1);
        }
        return out + "</" + name + ">";
    }
    std::mt19937 m_rng;
};

TEST(PacketReader, StreamingAndTreePathsAgreeOnGeneratedPackets) {
    PacketGenerator generator(20261206);
    int withValues = 0;
    for (int i = 0; i < 600 && !HasFailure(); ++i) {
        withValues += ExpectSameAsTree(generator.Make()) > 0 ? 1 : 0;
    }
    EXPECT_GT(withValues, 200);

    // A large Description: many attributes sharing buckets, properties given twice.
    std::string body = "<rdf:Description";
    for (int i = 0; i < 3000; ++i) {
        body += " dc:attr" + std::to_string(i) + "='" + std::to_string(i * 7) + "'";
    }
    body += ">";
    for (int i = 0; i < 20000; ++i) {
        const std::string name = "xmp:p" + std::to_string(i % 15000);
        body += "<" + name + ">" + std::to_string(i) + "</" + name + ">";
    }
    EXPECT_EQ(ExpectSameAsTree(Packet(body + "</rdf:Description>")), 18000u);
}

}  // namespace
