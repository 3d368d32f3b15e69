// packet_paths_fuzzer.cpp - the two ways a packet is read, held to one answer: the streaming
// reader (every UTF-8 packet) and the element tree it stands in for. Any bytes must give the same
// groups, with the same values in the same order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "metadata/meta_data_source.h"
#include "metadata/meta_data_test_util.h"
#include "metadata/meta_data_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string packet(reinterpret_cast<const char*>(data), size);
    std::vector<metadata_test::Pairs> streamed;
    {
        CMetaDataSource source;
        source.Load(packet.c_str());
        streamed = metadata_test::AllGroups(source);
    }
    std::vector<metadata_test::Pairs> tree;
    {
        CMetaDataTree root;
        root.Load(packet.c_str());
        CMetaData flat;
        flat.Flatten(&root);
        CMetaDataSource source;
        source.SplitByNamespace(&flat);
        tree = metadata_test::AllGroups(source);
    }
    olvane_fuzz::Require(streamed == tree, "the streaming reader and the tree differ");
    olvane_fuzz::RequireNoZevObjects();
    return 0;
}
