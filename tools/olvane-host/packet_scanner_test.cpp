// packet_scanner_test.cpp - finding packets in chunked streams: the last complete one, their
// places.
#include "packet_scanner.h"

#include <gtest/gtest.h>

#include <string>

namespace olvane_host {
namespace {

const std::string kPacket =
    "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
    "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
    "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'/></x:xmpmeta>\n"
    "<?xpacket end='w'?>";

// Feeds the stream in pieces of chunk bytes, as a file read would.
PacketScanner ScanInChunks(const std::string& stream, size_t chunk, size_t maxPacket = 1 << 20) {
    PacketScanner scanner(maxPacket);
    for (size_t at = 0; at < stream.size(); at += chunk) {
        scanner.Feed(std::string_view(stream).substr(at, chunk));
    }
    scanner.Finish();
    return scanner;
}

TEST(PacketScanner, TakesTheLastCompletePacketWhateverTheChunkBoundaries) {
    // Binary noise with near-miss markers, an older packet, the newer one, then an unfinished one.
    std::string noise("\xFF\xD8\xFF\xE1\0\0", 6);
    noise += "<?xpacket beg <x:xmpme <?xpacket end='w'?> ";
    const std::string older = "<x:xmpmeta xmlns:x='adobe:ns:meta/'>\n<rdf:RDF/>\n</x:xmpmeta>";
    // A wrapper cut off by a new start marker still yields the complete element inside it.
    const std::string cut = "<?xpacket begin='' id='a'?>" + older + "half";
    const std::string stream = noise + older + noise + kPacket + "<?xpacket begin='' ?>other";
    for (size_t chunk : {1, 2, 3, 7, 13, 15, 16, 17, 64, 4096}) {
        SCOPED_TRACE(chunk);
        PacketScanner scanner = ScanInChunks(stream, chunk);
        EXPECT_EQ(scanner.Packet(), kPacket);
        EXPECT_EQ(scanner.Offset(), 2 * noise.size() + older.size());
        ASSERT_EQ(scanner.Count(), 2u);
        EXPECT_EQ(scanner.Listed()[0].offset, noise.size());
        EXPECT_EQ(scanner.Listed()[0].size, older.size());
        EXPECT_TRUE(scanner.SawUnfinished());

        scanner = ScanInChunks(cut + kPacket + "\n", chunk);
        EXPECT_EQ(scanner.Packet(), kPacket);
        ASSERT_EQ(scanner.Count(), 2u);
        EXPECT_EQ(scanner.Listed()[0].offset, cut.find("<x:xmpmeta"));
        // A bare element outside a wrapper; a wrapper's missing end instruction at the end of the
        // stream still yields the whole element inside it.
        EXPECT_EQ(ScanInChunks("<?xml version='1.0'?>\n" + older + "\n", chunk).Packet(), older);
        EXPECT_EQ(ScanInChunks("<?xpacket begin='' ?>" + older + "\n  ", chunk).Packet(), older);
    }
}

TEST(PacketScanner, GivesUpOversizedAndUnterminatedPackets) {
    // A start marker followed by more than the limit is given up; scanning goes on after it.
    const std::string stray = "<?xpacket begin='' ?>" + std::string(5000, 'z');
    PacketScanner scanner = ScanInChunks(stray + kPacket, 100, 1000);
    EXPECT_EQ(scanner.Packet(), kPacket);
    EXPECT_TRUE(scanner.GaveUpOversized());
    PacketScanner nothing = ScanInChunks(stray, 100, 1000);
    EXPECT_FALSE(nothing.Found());
    EXPECT_TRUE(nothing.GaveUpOversized());
    // The end instruction is there but never closed with "?>".
    PacketScanner open = ScanInChunks("<?xpacket begin='' ?><x:xmpmeta><?xpacket end='w'", 3);
    EXPECT_FALSE(open.Found());
    EXPECT_TRUE(open.SawUnfinished());
    EXPECT_FALSE(ScanInChunks(std::string(10000, '<'), 999).SawUnfinished());
}

TEST(PacketScanner, ManySmallPacketsAreCountedButListedOnlyUpToTheLimit) {
    std::string stream;
    const std::string small = "<x:xmpmeta>a</x:xmpmeta>";
    for (size_t i = 0; i < PacketScanner::kMaxListed + 5; ++i) {
        stream += small + "\n";
    }
    const PacketScanner scanner = ScanInChunks(stream, 4096);
    EXPECT_EQ(scanner.Count(), PacketScanner::kMaxListed + 5);
    EXPECT_EQ(scanner.Listed().size(), PacketScanner::kMaxListed);
    EXPECT_EQ(scanner.Offset(), stream.size() - small.size() - 1);
}

}  // namespace
}  // namespace olvane_host
