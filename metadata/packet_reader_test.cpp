// packet_reader_test.cpp - the streaming packet reader held to the element-tree path: the same
// pairs in the same order, and the same groups, on the sample packets, on awkward shapes and on
// many generated ones.
#include "metadata/packet_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "metadata/meta_data_source.h"
#include "metadata/meta_data_test_util.h"
#include "metadata/meta_data_tree.h"

namespace {

using namespace metadata_test;

const std::filesystem::path kSamples(OLVANE_SAMPLES_DIR);

// The flat pairs of the tree path, in the map's order.
Pairs TreePairs(const std::string& packet) {
    CMetaDataTree root;
    root.Load(packet.c_str());
    CMetaData flat;
    flat.Flatten(&root);
    return Entries(flat.m_Values);
}

// Load (the streaming path for UTF-8) against the tree path's flat map split by namespace.
// Returns the number of values the packet gave, so that callers can see they tested something.
size_t ExpectSameAsTree(const std::string& packet) {
    SCOPED_TRACE(packet.size() < 2000 ? packet : packet.substr(0, 2000));
    const std::vector<Pairs> streamed = StreamedGroups(packet.c_str());
    EXPECT_EQ(streamed, TreeGroups(packet.c_str()));
    HRESULT hr = 0;
    const Pairs streamedPairs = StreamedPairs(packet, hr);
    if (hr == 0) {
        EXPECT_EQ(streamedPairs, TreePairs(packet));
    }
    // The events MSXML gives (UTF-16 only) read the same pairs as the UTF-8 ones expat offers,
    // and fail the same way.
    HRESULT wideHr = 0;
    EXPECT_EQ(StreamedPairs(packet, wideHr, zev::SaxEvents::kUtf16), streamedPairs);
    EXPECT_EQ(wideHr, hr);
    size_t values = 0;
    for (size_t i = 1; i < streamed.size(); ++i) {
        values += streamed[i].size() - 1;  // less the group's own prefix and namespace
    }
    return values;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The body's Descriptions declare dc and xmp, as a packet's do: their declarations are pairs.
std::string Packet(std::string body) {
    const std::string declarations =
        " xmlns:dc='http://purl.org/dc/elements/1.1/' xmlns:xmp='http://ns.adobe.com/xap/1.0/'";
    for (size_t at = body.find("<rdf:Description"); at != std::string::npos;
         at = body.find("<rdf:Description", at + 1)) {
        body.insert(at + 16, declarations);
    }
    return "<x:xmpmeta xmlns:x='adobe:ns:meta/'>"
           "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'" +
           declarations + ">" + body + "</rdf:RDF></x:xmpmeta>";
}

TEST(PacketReaderAgainstTree, SamplePackets) {
    int count = 0;
    for (const auto& file : std::filesystem::directory_iterator(kSamples)) {
        if (file.path().extension() == ".xmp") {
            SCOPED_TRACE(file.path().filename().string());
            const std::string packet = ReadFile(file.path());
            HRESULT hr = 1;
            const Pairs pairs = StreamedPairs(packet, hr);
            EXPECT_EQ(hr, 0);
            EXPECT_FALSE(pairs.empty());
            EXPECT_GT(ExpectSameAsTree(packet), 0u);
            ++count;
        }
    }
    EXPECT_GE(count, 5);
}

TEST(PacketReaderAgainstTree, AwkwardShapes) {
    // Each body is several literals joined on purpose.
    // NOLINTBEGIN(bugprone-suspicious-missing-comma)
    const std::vector<std::string> bodies = {
        // Attributes of several Descriptions, one name given twice: the later value, the first
        // place; enough names to share buckets.
        "<rdf:Description dc:a='1' dc:b='2' xmp:c='3' dc:q='4' dc:r='5'/>"
        "<rdf:Description dc:a='again' xmp:z='6' dc:ab='7'/>",
        // A property given twice, an empty one, one of whitespace, one with attributes (its
        // attributes are read, its text is not).
        "<rdf:Description><dc:t>one</dc:t><dc:t>two</dc:t><dc:e/><dc:w>  </dc:w>"
        "<dc:p xmp:k='v' xmp:l='w'>ignored</dc:p></rdf:Description>",
        // Lists: items joined, an item with markup in it, a second child of the property
        // ignored, an empty list.
        "<rdf:Description><dc:subject><rdf:Bag><rdf:li>a</rdf:li><rdf:li>b &amp; c</rdf:li>"
        "<rdf:li>x<dc:i>in</dc:i>y</rdf:li></rdf:Bag><rdf:Seq><rdf:li>lost</rdf:li></rdf:Seq>"
        "</dc:subject><dc:none><rdf:Alt/></dc:none></rdf:Description>",
        // Text in pieces: entities, CDATA, a comment and a processing instruction between runs,
        // mixed content where the last run wins, characters beyond the BMP.
        "<rdf:Description><dc:r>a&lt;b<![CDATA[c]]>d<!-- c -->e<?pi x?>f</dc:r>"
        "<dc:m>before<dc:n>inner</dc:n>after</dc:m><dc:u>\xF0\x9F\x8E\xAC caf\xC3\xA9</dc:u>"
        "</rdf:Description>",
        // Prefixes in other cases, an element without a prefix, a declaration on a property.
        "<RDF:Description xmlns:RDF='http://www.w3.org/1999/02/22-rdf-syntax-ns#' DC:k='v'"
        " xmlns:DC='http://purl.org/dc/elements/1.1/'><DC:title>T</DC:title></RDF:Description>"
        "<Description xmlns='urn:plain'><plain>p</plain></Description>"
        "<rdf:Description><xmp:d xmlns:extra='urn:extra'>v</xmp:d></rdf:Description>",
        // Properties straight under RDF, nested containers.
        "<dc:top>t</dc:top><rdf:Description><rdf:Description><dc:deep>d</dc:deep>"
        "</rdf:Description></rdf:Description>",
    };
    // NOLINTEND(bugprone-suspicious-missing-comma)
    for (const std::string& body : bodies) {
        EXPECT_GT(ExpectSameAsTree(Packet(body)), 0u);
    }
    // The wrapper reads its first child element only; a document without a wrapper.
    ExpectSameAsTree(
        "<x:xmpmeta xmlns:x='adobe:ns:meta/' xmlns:dc='http://purl.org/dc/elements/1.1/'>"
        "<rdf:Description xmlns:dc='urn:dc' dc:first='1'/><dc:second>2</dc:second></x:xmpmeta>");
    EXPECT_GT(ExpectSameAsTree(
                  "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
                  "<rdf:Description xmlns:dc='urn:dc'><dc:a>1</dc:a></rdf:Description></rdf:RDF>"),
              0u);
    ExpectSameAsTree("<dc:a xmlns:dc='http://purl.org/dc/elements/1.1/'>alone</dc:a>");
    // Unreadable packets: both paths give the empty source.
    for (const char* bad : {"", "-1", "<x:xmpmeta", "<a><b></a>", "text only", "<u:a/>",
                            "<x:xmpmeta xmlns:x='adobe:ns:meta/'/><second/>"}) {
        ExpectSameAsTree(bad);
    }
}

// Random documents from a small vocabulary, so that names, prefixes, buckets and structures
// keep colliding in ways no hand-written case covers.
class PacketGenerator {
  public:
    explicit PacketGenerator(unsigned seed) : m_rng(seed) {}

    std::string Make() {
        std::string out = "<x:xmpmeta xmlns:x='adobe:ns:meta/'" + Declarations() + ">";
        if (Pick(4) == 0) {
            out += Element(0);
        }
        out += "<rdf:RDF" + Declarations() + ">";
        const int descriptions = 1 + Pick(3);
        for (int i = 0; i < descriptions; ++i) {
            out += Element(1);
        }
        out += "</rdf:RDF></x:xmpmeta>";
        return out;
    }

  private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

    std::string Declarations() {
        std::string out;
        for (const char* p : {"rdf", "RDF", "dc", "DC", "xmp", "xmpMM", "Xmp"}) {
            if (Pick(3) != 0 || std::string(p) == "rdf") {
                out += std::string(" xmlns:") + p + "='urn:" + p + "'";
            }
        }
        return out;
    }

    std::string Name(int depth) {
        static const char* const kPrefixes[] = {"rdf", "RDF", "dc", "DC", "xmp", "xmpMM", "Xmp"};
        static const char* const kLocals[] = {"Description", "li", "Bag", "Seq", "a",    "b",
                                              "c",           "ab", "r",   "q",   "title"};
        const int prefix = depth <= 1 ? Pick(2) : Pick(7);
        return std::string(kPrefixes[prefix]) + ":" + kLocals[Pick(11)];
    }

    std::string Text() {
        static const char* const kTexts[] = {
            "v", "two words", "a &amp; b",  "<![CDATA[c]]>", "caf\xC3\xA9",
            "",  " ",         "x<!--c-->y", "&#x1F3AC;",     "1, 2"};
        return kTexts[Pick(10)];
    }

    std::string Element(int depth) {
        // Descriptions carry the declarations that make groups.
        const bool description = depth == 1 && Pick(4) != 0;
        const std::string name = description ? "rdf:Description" : Name(depth);
        std::string out = "<" + name + (description ? Declarations() : "");
        // Distinct attribute names: XML forbids a name twice on one element.
        static const char* const kAttributes[] = {"dc:a", "dc:b", "xmp:a",
                                                  "dc:q", "dc:r", "xmp:ab"};
        for (const char* attribute : kAttributes) {
            if (Pick(5) == 0) {
                out += std::string(" ") + attribute + "='" + std::to_string(Pick(100)) + "'";
            }
        }
        out += ">";
        const int parts = depth >= 5 ? Pick(2) : Pick(5);
        for (int i = 0; i < parts; ++i) {
            out += Pick(2) == 0 ? Text() : Element(depth + 1);
        }
        return out + "</" + name + ">";
    }

    std::mt19937 m_rng;
};

TEST(PacketReaderAgainstTree, GeneratedPackets) {
    PacketGenerator generator(20261206);
    int withValues = 0;
    for (int i = 0; i < 600; ++i) {
        withValues += ExpectSameAsTree(generator.Make()) > 0 ? 1 : 0;
        if (HasFailure()) {
            break;  // one failing document is enough to read
        }
    }
    EXPECT_GT(withValues, 300);
}

TEST(PacketReaderAgainstTree, LargeGeneratedPacketKeepsEveryValue) {
    std::string body = "<rdf:Description";
    for (int i = 0; i < 3000; ++i) {
        body += " dc:attr" + std::to_string(i) + "='" + std::to_string(i * 7) + "'";
    }
    body += ">";
    for (int i = 0; i < 20000; ++i) {
        body += "<xmp:p" + std::to_string(i % 15000) + ">" + std::to_string(i) + "</xmp:p" +
                std::to_string(i % 15000) + ">";
    }
    body += "</rdf:Description>";
    const std::string packet = Packet(body);
    ExpectSameAsTree(packet);
    CMetaDataSource source;
    source.Load(packet.c_str());
    // 15,000 properties, the last 5,000 given twice: the later value stands.
    EXPECT_EQ(GroupValues(source, u"xmp").size(), 15000u);
    CString value;
    EXPECT_TRUE(source.GetValue(Tag(kXmp, u"p42"), value));
    EXPECT_EQ(value, u"15042");
    EXPECT_EQ(GroupValues(source, u"dc").size(), 3000u);
}

}  // namespace
