// packet_paths_fuzzer.cpp - the two ways a packet is read, held to one answer: the streaming
// reader (every UTF-8 packet) and the element tree it stands in for. Any bytes must give the same
// groups, with the same values in the same order, and the same pairs whichever events the reader
// takes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "metadata/test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string packet(reinterpret_cast<const char*>(data), size);
    const bool same =
        metadata_test::StreamedGroups(packet.c_str()) == metadata_test::TreeGroups(packet.c_str());
    olvane_fuzz::Require(same, "the streaming reader and the tree differ");
    // The events MSXML gives (UTF-16) read what expat's UTF-8 ones read.
    HRESULT utf8 = 0;
    HRESULT utf16 = 0;
    const bool sameEvents =
        metadata_test::StreamedPairs(packet, utf8) ==
            metadata_test::StreamedPairs(packet, utf16, zev::SaxEvents::kUtf16) &&
        utf8 == utf16;
    olvane_fuzz::Require(sameEvents, "UTF-8 and UTF-16 events read different pairs");
    olvane_fuzz::RequireNoZevObjects();
    return 0;
}
