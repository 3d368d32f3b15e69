// packet_paths_fuzzer.cpp - the two ways a packet is read, held to one answer: the streaming
// reader (every UTF-8 packet) and the element tree it stands in for. Any bytes must give the same
// groups, with the same values in the same order.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "metadata/meta_data_test_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string packet(reinterpret_cast<const char*>(data), size);
    const bool same =
        metadata_test::StreamedGroups(packet.c_str()) == metadata_test::TreeGroups(packet.c_str());
    olvane_fuzz::Require(same, "the streaming reader and the tree differ");
    olvane_fuzz::RequireNoZevObjects();
    return 0;
}
