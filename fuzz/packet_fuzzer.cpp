// packet_fuzzer.cpp - the packet path: bytes as a metadata packet through SetMetaData, the
// namespace records, rules made from every value found, and their evaluation. Every tag's
// evaluation is predicted from the records alone.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"

namespace {

using olvane_fuzz::AttributeText;
using olvane_fuzz::Require;
using olvane_fuzz::Text;
using olvane_fuzz::Utf8;

char16_t Fold(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

std::u16string Folded(std::u16string text) {
    for (char16_t& c : text) {
        c = Fold(c);
    }
    return text;
}

struct Record {
    std::u16string prefix;
    std::u16string uri;
    std::map<std::u16string, std::u16string> values;
};

std::vector<Record> ReadTree(const OlvaneNamespace* root) {
    Require(root != nullptr && root->prefix == nullptr && root->ns_uri == nullptr &&
                root->values.count == 0 && root->children.size >= 0,
            "root record");
    std::vector<Record> records;
    for (intptr_t i = 0; i < root->children.size; ++i) {
        const OlvaneNamespace* node = root->children.data[i];
        Require(node != nullptr && node->prefix != nullptr && node->ns_uri != nullptr &&
                    node->children.size == 0 && node->values.table_size == 17,
                "namespace record");
        Record record{Text(node->prefix), Text(node->ns_uri), {}};
        intptr_t count = 0;
        for (uint32_t b = 0; node->values.table != nullptr && b < node->values.table_size; ++b) {
            for (const OlvaneMapEntry* e = node->values.table[b]; e != nullptr; e = e->next) {
                Require(
                    e->hash == static_cast<uint32_t>(reinterpret_cast<uintptr_t>(e->key) >> 4) &&
                        e->hash % 17 == b,
                    "entry hash");
                Require(record.values.emplace(Text(e->key), Text(e->value)).second,
                        "a local name twice in one record");
                ++count;
            }
        }
        Require(count == node->values.count, "entry count");
        records.push_back(std::move(record));
    }
    return records;
}

struct Expected {
    std::u16string tag;
    bool resolves;
    std::u16string value;
};

// What evaluation must give for a tag: split at the first ':' at index 5 or later; the first
// namespace (in record order) whose URI matches ignoring case; the local part looked up exactly
// in that namespace's own group. A group whose prefix only repeats an earlier one in another case
// holds nothing: the earlier group took its values, and its record only mirrors that group.
Expected Predict(const std::vector<Record>& records, const std::u16string& tag) {
    Expected expected{tag, false, {}};
    const size_t colon = tag.size() > 5 ? tag.find(u':', 5) : std::u16string::npos;
    if (colon == std::u16string::npos) {
        return expected;
    }
    const std::u16string uri = Folded(tag.substr(0, colon));
    const std::u16string local = tag.substr(colon + 1);
    for (size_t i = 0; i < records.size(); ++i) {
        if (Folded(records[i].uri) != uri) {
            continue;
        }
        bool ownsValues = true;
        for (size_t j = 0; j < i; ++j) {
            ownsValues = ownsValues && Folded(records[j].prefix) != Folded(records[i].prefix);
        }
        if (ownsValues) {
            auto it = records[i].values.find(local);
            if (it != records[i].values.end()) {
                expected.resolves = true;
                expected.value = it->second;
            }
        }
        return expected;
    }
    return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string packet(reinterpret_cast<const char*>(data), size);
    const int scene = AddScene();
    Require(SetMetaData(scene, packet.c_str(), "clip", "Clip") == 1, "SetMetaData new key");

    OlvaneNamespace* tree = nullptr;
    Require(GetAllNamespaces(scene, "clip", &tree) == 1, "GetAllNamespaces");
    const std::vector<Record> records = ReadTree(tree);
    Require(FreeNamespace(&tree) == 1, "FreeNamespace");

    // One rule per value found (a bounded number), and one that names no value per namespace.
    std::vector<Expected> expected;
    for (const Record& record : records) {
        for (const auto& [local, value] : record.values) {
            if (expected.size() < 64) {
                expected.push_back(Predict(records, record.uri + u":" + local));
            }
        }
        if (expected.size() < 80) {
            // No local name holds a blank.
            expected.push_back(Predict(records, record.uri + u":no such name"));
        }
    }
    std::u16string xml = u"<Pavex-MetaData-Rules>";
    for (size_t i = 0; i < expected.size(); ++i) {
        xml += u"<DataPush tag=\"" + AttributeText(expected[i].tag) + u"\" to=\"d" +
               std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) + u"\" val=\"true\"/>";
    }
    xml += u"</Pavex-MetaData-Rules>";
    Require(olvane_fuzz::SetRules(scene, "clip", xml, 0) == 1, "SetRulesXML");

    OlvaneRuleArray rules{};
    Require(GetRules(scene, "clip", &rules) == 1 &&
                rules.size == static_cast<intptr_t>(expected.size()),
            "GetRules count");
    for (intptr_t i = 0; i < rules.size; ++i) {
        Require(Text(rules.data[i]->args.data[0]) == expected[static_cast<size_t>(i)].tag,
                "a tag changed on its way through the rules text",
                Utf8(expected[static_cast<size_t>(i)].tag));
    }
    Require(ParseRules(scene, "clip", &rules) == 1 &&
                rules.size == static_cast<intptr_t>(expected.size()),
            "ParseRules count");
    for (intptr_t i = 0; i < rules.size; ++i) {
        const OlvaneRule* rule = rules.data[i];
        const Expected& e = expected[static_cast<size_t>(i)];
        Require(rule->args.size == 2 && rule->validation == 1 && rule->next == nullptr,
                "record fields");
        if (e.resolves) {
            Require(rule->type == OLVANE_RULE_PUSH && Text(rule->args.data[0]) == e.value,
                    "tag did not resolve to its value", Utf8(e.tag));
        } else {
            Require(rule->type == OLVANE_RULE_UNRESOLVED && Text(rule->args.data[0]) == e.tag,
                    "tag resolved though it names no value", Utf8(e.tag));
        }
    }
    Require(FreeRules(&rules) == 1 && rules.size == 0, "FreeRules");

    // A new packet under the same key keeps the rules.
    const std::u16string before = olvane_fuzz::Take(GetRulesXML(scene, "clip"));
    Require(SetMetaData(scene, packet.c_str(), "clip", "Again") == -3, "SetMetaData replace");
    Require(olvane_fuzz::Take(GetRulesXML(scene, "clip")) == before, "rules lost on replace");

    Require(DelScene(scene) == 1, "DelScene");
    olvane_fuzz::RequireNoZevObjects();
    return 0;
}
