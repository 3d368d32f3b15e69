// test_support.h - helpers shared by the metadata tests: readers for a source's
// namespaces and values.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "metadata/meta_data_source.h"
#include "metadata/meta_data_tree.h"
#include "metadata/packet_reader.h"

namespace metadata_test {

using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;

inline constexpr char16_t kDc[] = u"http://purl.org/dc/elements/1.1/";

inline Pairs Entries(const CMetaData::ValueMap& map, bool sorted = false) {
    Pairs out;
    map.ForEach(
        [&](const ValueMap::Entry& entry) { out.emplace_back(entry.key(), entry.value()); });
    if (sorted) {
        std::sort(out.begin(), out.end());
    }
    return out;
}

// Every group of a source in order: its prefix and namespace first, then its values in the map's
// order.
inline std::vector<Pairs> AllGroups(const CMetaDataSource& source) {
    std::vector<Pairs> out;
    for (INT_PTR i = 0; i < source.GetMetaData().GetSize(); ++i) {
        const CMetaData* group = source.GetMetaData()[i];
        Pairs g = Entries(group->GetValues());
        g.emplace(g.begin(), group->GetPrefix().str(), group->GetNamespace().str());
        out.push_back(std::move(g));
    }
    return out;
}

// The groups of a packet read by each path: Load (the streaming reader, for UTF-8) and the
// element tree flattened and split by namespace, which Load must agree with.
inline std::vector<Pairs> StreamedGroups(const char* packet) {
    CMetaDataSource source;
    source.Load(packet);
    return AllGroups(source);
}
inline std::vector<Pairs> TreeGroups(const char* packet) {
    CMetaDataTree root;
    root.Load(packet);
    CMetaData flat;
    flat.Flatten(&root);
    CMetaDataSource source;
    source.SplitByNamespace(&flat);
    return AllGroups(source);
}

// The pairs the streaming reader reads from a packet taking the events it is asked to take (UTF-8
// where expat offers them, or UTF-16 as MSXML gives them), in the flat map's order.
inline Pairs StreamedPairs(const std::string& packet, HRESULT& hr,
                           zev::SaxEvents events = zev::SaxEvents::kUtf8WhereOffered) {
    ValueMap pairs;
    hr = PacketReader::Read(packet.data(), packet.size(), pairs, events);
    return Entries(pairs);
}

// The namespace list as the editor walks it.
inline Pairs Namespaces(const CMetaDataSource& source) {
    Pairs out;
    POSITION pos = source.GetFirstNamespacePosition();
    CString prefix;
    CString uri;
    while (source.GetNextNamespace(pos, prefix, uri)) {
        out.emplace_back(prefix.str(), uri.str());
    }
    return out;
}

// The sorted values of the group FindMetaDataByPrefix finds; empty when there is none.
inline Pairs GroupValues(const CMetaDataSource& source, std::u16string_view prefix) {
    const CMetaData* group = source.FindMetaDataByPrefix(CString(prefix));
    return group == nullptr ? Pairs() : Entries(group->GetValues(), true);
}

}  // namespace metadata_test
