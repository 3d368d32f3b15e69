// meta_data_test_util.h - helpers shared by the metadata tests: the map order worked out
// independently of the map, and readers for a source's namespaces and values.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "metadata/meta_data.h"
#include "metadata/meta_data_source.h"

namespace metadata_test {

using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;

inline constexpr char16_t kDc[] = u"http://purl.org/dc/elements/1.1/";
inline constexpr char16_t kXmp[] = u"http://ns.adobe.com/xap/1.0/";

inline CString Tag(std::u16string_view uri, std::u16string_view local) {
    CString tag(uri);
    tag += u':';
    tag += CString(local);
    return tag;
}

// The order in which the map shows keys inserted in this order: bucket (h*33 + c) % 17 ascending,
// newest first within a bucket; a repeated key keeps its first place.
inline std::vector<std::u16string> MapOrder(const std::vector<std::u16string>& inserted) {
    std::vector<std::pair<std::u16string, size_t>> keys;  // key, insertion rank
    for (const auto& k : inserted) {
        if (std::none_of(keys.begin(), keys.end(), [&](const auto& e) { return e.first == k; })) {
            keys.emplace_back(k, keys.size());
        }
    }
    auto bucket = [](const std::u16string& k) {
        uint32_t h = 0;
        for (char16_t c : k) {
            h = h * 33 + c;
        }
        return h % 17;
    };
    std::stable_sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        const uint32_t ba = bucket(a.first);
        const uint32_t bb = bucket(b.first);
        return ba != bb ? ba < bb : a.second > b.second;
    });
    std::vector<std::u16string> out;
    for (const auto& e : keys) {
        out.push_back(e.first);
    }
    return out;
}

inline Pairs Entries(const CMetaData::ValueMap& map) {
    Pairs out;
    POSITION pos = map.GetStartPosition();
    while (pos != nullptr) {
        const auto* entry = map.GetNextAssocPtr(pos);
        out.emplace_back(entry->key.str(), entry->value.str());
    }
    return out;
}

inline std::vector<std::u16string> Keys(const Pairs& pairs) {
    std::vector<std::u16string> out;
    for (const auto& p : pairs) {
        out.push_back(p.first);
    }
    return out;
}

inline Pairs Sorted(Pairs pairs) {
    std::sort(pairs.begin(), pairs.end());
    return pairs;
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

// The values of the group FindMetaDataByPrefix finds, sorted; empty when there is none.
inline Pairs GroupValues(const CMetaDataSource& source, std::u16string_view prefix) {
    const CMetaData* group = source.FindMetaDataByPrefix(CString(prefix));
    return group == nullptr ? Pairs() : Sorted(Entries(group->m_Values));
}

}  // namespace metadata_test
