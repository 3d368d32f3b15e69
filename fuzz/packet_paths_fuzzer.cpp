// packet_paths_fuzzer.cpp - the two ways a packet is read, held to one answer: the streaming
// reader (every UTF-8 packet) and the element tree it stands in for. Any bytes must give the same
// groups, with the same values in the same order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "metadata/meta_data_source.h"
#include "metadata/meta_data_tree.h"

namespace {

using Group = std::vector<std::pair<std::u16string, std::u16string>>;

std::vector<Group> Groups(const CMetaDataSource& source) {
    std::vector<Group> out;
    for (INT_PTR i = 0; i < source.m_MetaData.GetSize(); ++i) {
        const CMetaData* group = source.m_MetaData[i];
        Group g{{group->m_strPrefix.str(), group->m_strNamespace.str()}};
        POSITION pos = group->m_Values.GetStartPosition();
        while (pos != nullptr) {
            const auto* entry = group->m_Values.GetNextAssocPtr(pos);
            g.emplace_back(entry->key.str(), entry->value.str());
        }
        out.push_back(std::move(g));
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string packet(reinterpret_cast<const char*>(data), size);
    std::vector<Group> streamed;
    {
        CMetaDataSource source;
        source.Load(packet.c_str());
        streamed = Groups(source);
    }
    std::vector<Group> tree;
    {
        CMetaDataTree root;
        root.Load(packet.c_str());
        CMetaData flat;
        flat.Flatten(&root);
        CMetaDataSource source;
        source.SplitByNamespace(&flat);
        tree = Groups(source);
    }
    olvane_fuzz::Require(streamed == tree, "the streaming reader and the tree differ");
    olvane_fuzz::RequireNoZevObjects();
    return 0;
}
