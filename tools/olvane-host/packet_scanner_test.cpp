// packet_scanner_test.cpp - finding packets in chunked streams and in files.
#include "packet_scanner.h"

#include <gtest/gtest.h>

#include <string>

#include "input_files.h"
#include "tests/support/test_support.h"

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
        if (scanner.Feed(std::string_view(stream).substr(at, chunk))) {
            break;
        }
    }
    scanner.Finish();
    return scanner;
}

TEST(PacketScanner, FindsThePacketWhateverTheChunkBoundaries) {
    // Binary noise with near-miss markers before the packet and a second packet after it.
    std::string prefix("\xFF\xD8\xFF\xE1\0\0", 6);
    prefix += "<?xpacket beg <x:xmpme <?xpacket end='w'?> ";
    // A packet cut off by a new start marker: the complete one after it is taken.
    const std::string cut = "<?xpacket begin='' id='a'?><x:xmpmeta>half";
    const std::string element = "<x:xmpmeta xmlns:x='adobe:ns:meta/'>\n<rdf:RDF/>\n</x:xmpmeta>";
    for (size_t chunk : {1, 2, 3, 7, 13, 15, 16, 17, 64, 4096}) {
        SCOPED_TRACE(chunk);
        PacketScanner scanner =
            ScanInChunks(prefix + kPacket + "trailing <?xpacket begin='' ?>other", chunk);
        ASSERT_TRUE(scanner.Found());
        EXPECT_EQ(scanner.Packet(), kPacket);
        EXPECT_EQ(scanner.Offset(), prefix.size());
        scanner = ScanInChunks(cut + kPacket, chunk);
        EXPECT_EQ(scanner.Packet(), kPacket);
        EXPECT_EQ(scanner.Offset(), cut.size());
        EXPECT_TRUE(scanner.SawUnfinished());
        // A bare element only when no wrapper comes first; a wrapper's missing end instruction
        // still yields the whole element inside it.
        EXPECT_EQ(ScanInChunks("<?xml version='1.0'?>\n" + element + "\n", chunk).Packet(),
                  element);
        EXPECT_EQ(ScanInChunks("junk" + kPacket, chunk).Packet(), kPacket);
        EXPECT_EQ(ScanInChunks("<?xpacket begin='' ?>" + element + "\n  ", chunk).Packet(),
                  element);
    }
}

TEST(PacketScanner, GivesUpOversizedAndUnterminatedPackets) {
    // A start marker followed by more than the limit is given up; scanning goes on after it.
    const std::string stray = "<?xpacket begin='' ?>" + std::string(5000, 'z');
    const PacketScanner scanner = ScanInChunks(stray + kPacket, 100, 1000);
    EXPECT_EQ(scanner.Packet(), kPacket);
    EXPECT_TRUE(scanner.GaveUpOversized());
    const PacketScanner open = ScanInChunks("<?xpacket begin='' ?><x:xmpmeta><?xpacket end='w'", 3);
    EXPECT_FALSE(open.Found());
    EXPECT_TRUE(open.SawUnfinished());
}

TEST(ReadPacket, ReadsFilesAndNamesTheReason) {
    std::string packet;
    std::string error;
    olvane_test::TempDir dir;
    olvane_test::WriteFile(dir / "a",
                           std::string(100000, '\0') + kPacket + std::string(3000, '\x01'));
    ASSERT_TRUE(ReadPacket(dir / "a", packet, error, 4096)) << error;
    EXPECT_EQ(packet, kPacket);
    olvane_test::WriteFile(dir / "b", "just text, no metadata here");
    EXPECT_FALSE(ReadPacket(dir / "b", packet, error));
    EXPECT_EQ(error, "no XMP packet found");
    olvane_test::WriteFile(dir / "c", std::string("<x:xmpmeta>a\0b</x:xmpmeta>", 26));
    EXPECT_FALSE(ReadPacket(dir / "c", packet, error));
    EXPECT_NE(error.find("NUL"), std::string::npos);

    EXPECT_FALSE(ReadPacket("/nonexistent/file.jpg", packet, error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(ReadPacket("/tmp", packet, error));
    EXPECT_EQ(error, "Is a directory");
}

}  // namespace
}  // namespace olvane_host
