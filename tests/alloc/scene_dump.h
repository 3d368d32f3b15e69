// scene_dump.h - a scene, a host's rule records and a namespace tree written out as text, every
// field and in every order that a later call could see, so that two states compare as strings.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "host/host_test_peer.h"
#include "host/pavex_scene.h"
#include "olvane/olvane.h"
#include "platform/codepage.h"
#include "rules/test_support.h"

namespace alloc_test {

inline std::string Text(BSTR b) {
    return b == nullptr ? "(null)" : WideToUtf8(std::u16string_view(b, SysStringLen(b)));
}

inline std::string DumpValues(const CMetaData::ValueMap& map) {
    std::string out;
    map.ForEach([&](const ValueMap::Entry& entry) {
        out += " " + WideToUtf8(entry.key()) + "=" + WideToUtf8(entry.value());
    });
    return out;
}

// The map's own order: a failed insertion that left an entry behind shows here.
inline std::string DumpScene(const CPavexScene& scene) {
    std::string out;
    POSITION pos = HostTestPeer::Destinations(scene).GetStartPosition();
    while (pos != nullptr) {
        const auto* entry = HostTestPeer::Destinations(scene).GetNextAssocPtr(pos);
        const CDestination* object = entry->value.get();
        out += "[" + WideToUtf8(entry->key.view()) + "] ";
        if (object == nullptr) {
            out += "null\n";
            continue;
        }
        out += "type " + std::to_string(object->GetType()) + " name " +
               WideToUtf8(object->GetName().view()) + " key " +
               WideToUtf8(object->GetKey().view()) + " data " +
               std::to_string(object->GetHostData()) + "\n";
        if (object->GetType() != 1) {
            continue;
        }
        const auto& source = static_cast<const CMetaDataSource&>(*object);
        for (INT_PTR i = 0; i < source.m_MetaData.GetSize(); ++i) {
            const CMetaData* group = source.m_MetaData[i];
            out += "  group " + WideToUtf8(group->m_strPrefix.view()) + " " +
                   WideToUtf8(group->m_strNamespace.view()) + ":" + DumpValues(group->m_Values) +
                   "\n";
        }
        out += "  rules " + rules_test::Describe(source.m_Rules) + "\n";
    }
    return out;
}

inline std::string DumpRecords(const OlvaneRuleArray& records) {
    return rules_test::Describe(reinterpret_cast<const CRuleArray&>(records)) + " (size " +
           std::to_string(records.size) + ")";
}

inline std::string DumpTree(const OlvaneNamespace* root) {
    if (root == nullptr) {
        return "(none)";
    }
    std::string out = Text(root->prefix) + " " + Text(root->ns_uri) + " {";
    for (intptr_t i = 0; i < root->children.size; ++i) {
        const OlvaneNamespace* record = root->children.data[i];
        out += " " + Text(record->prefix) + " " + Text(record->ns_uri) + ":";
        // Keyed by pointer, so the map's order differs from one run to the next.
        std::vector<std::string> values;
        for (uint32_t b = 0; record->values.table != nullptr && b < record->values.table_size;
             ++b) {
            for (const OlvaneMapEntry* e = record->values.table[b]; e != nullptr; e = e->next) {
                values.push_back(Text(e->key) + "=" + Text(e->value));
            }
        }
        std::sort(values.begin(), values.end());
        for (const std::string& value : values) {
            out += " " + value;
        }
    }
    return out + " }";
}

}  // namespace alloc_test
