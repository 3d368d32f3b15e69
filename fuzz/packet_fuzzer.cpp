// packet_fuzzer.cpp - the packet path: bytes as a metadata packet through SetMetaData, the
// namespace records, and a rule on every value found, which must evaluate to that value.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"

namespace {

using olvane_fuzz::Require;
using olvane_fuzz::Text;

std::u16string Folded(std::u16string text) {
    for (char16_t& c : text) {
        c = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    }
    return text;
}

// An attribute value that reads back as exactly these characters.
std::u16string AttributeText(std::u16string_view text) {
    std::u16string out;
    for (const char16_t c : text) {
        out += c == u'&'    ? u"&amp;"
               : c == u'<'  ? u"&lt;"
               : c == u'"'  ? u"&quot;"
               : c == u'\t' ? u"&#9;"
               : c == u'\n' ? u"&#10;"
               : c == u'\r' ? u"&#13;"
                            : std::u16string(1, c);
    }
    return out;
}

struct Tag {
    std::u16string tag;
    const std::u16string* value;  // null: the tag must not resolve
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string packet(reinterpret_cast<const char*>(data), size);
    const int scene = AddScene();
    Require(SetMetaData(scene, packet.c_str(), "clip", "Clip") == 1, "SetMetaData new key");
    OlvaneNamespace* tree = nullptr;
    Require(GetAllNamespaces(scene, "clip", &tree) == 1 && tree->prefix == nullptr &&
                tree->values.count == 0,
            "root record");

    // The records are well-formed. A tag names the first record of its URI (ignoring case), and
    // there only values the record's group owns: a prefix that repeats an earlier one in another
    // case owns none. Every owned value, and one name that cannot exist, make a rule.
    std::vector<std::map<std::u16string, std::u16string>> values(
        static_cast<size_t>(tree->children.size));
    std::vector<Tag> tags;
    std::map<std::u16string, bool> uris, prefixes;
    for (intptr_t i = 0; i < tree->children.size; ++i) {
        const OlvaneNamespace* node = tree->children.data[i];
        Require(node->prefix != nullptr && node->ns_uri != nullptr && node->children.size == 0,
                "namespace record");
        intptr_t count = 0;
        for (uint32_t b = 0; node->values.table != nullptr && b < node->values.table_size; ++b) {
            for (const OlvaneMapEntry* e = node->values.table[b]; e != nullptr;
                 e = e->next, ++count) {
                Require(
                    e->hash == static_cast<uint32_t>(reinterpret_cast<uintptr_t>(e->key) >> 4) &&
                        e->hash % 17 == b,
                    "entry hash");
                Require(values[i].emplace(Text(e->key), Text(e->value)).second, "a name twice");
            }
        }
        Require(count == node->values.count, "entry count");
        const std::u16string uri = Text(node->ns_uri);
        const bool firstUri = uris.emplace(Folded(uri), true).second;
        const bool owner = prefixes.emplace(Folded(Text(node->prefix)), true).second;
        // A tag splits at its first colon past the scheme: a URI with a colon of its own there
        // ("urn:a:b") names a shorter namespace, so its tags find nothing.
        const bool splitsAfterUri = uri.find(u':', 5) == std::u16string::npos;
        for (const auto& [local, value] : values[i]) {
            if (firstUri && owner && uri.size() >= 5 && tags.size() < 64) {
                tags.push_back({uri + u":" + local, splitsAfterUri ? &value : nullptr});
            }
        }
        if (firstUri && uri.size() >= 5) {
            tags.push_back({uri + u":no such name", nullptr});  // no local name holds a blank
        }
    }
    std::u16string xml = u"<Pavex-MetaData-Rules>";
    for (const Tag& t : tags) {
        xml += u"<DataPush tag=\"" + AttributeText(t.tag) + u"\" to=\"d\" val=\"true\"/>";
    }
    Require(olvane_fuzz::SetRules(scene, "clip", xml + u"</Pavex-MetaData-Rules>", 0) == 1,
            "SetRulesXML");
    OlvaneRuleArray rules{};
    Require(
        ParseRules(scene, "clip", &rules) == 1 && rules.size == static_cast<intptr_t>(tags.size()),
        "ParseRules count");
    for (size_t i = 0; i < tags.size(); ++i) {
        const OlvaneRule* rule = rules.data[i];
        const std::u16string got = Text(rule->args.data[0]);
        Require(tags[i].value == nullptr ? rule->type == -1 && got == tags[i].tag
                                         : rule->type == 1 && got == *tags[i].value,
                "a tag evaluated wrongly", tags[i].tag);
    }
    Require(FreeRules(&rules) == 1 && FreeNamespace(&tree) == 1, "freeing");

    // A new packet under the same key keeps the rules.
    const std::u16string before = olvane_fuzz::Take(GetRulesXML(scene, "clip"));
    Require(SetMetaData(scene, packet.c_str(), "clip", "Again") == -3, "SetMetaData replace");
    Require(olvane_fuzz::Take(GetRulesXML(scene, "clip")) == before, "rules lost on replace");
    Require(DelScene(scene) == 1, "DelScene");
    olvane_fuzz::RequireNoZevObjects();
    return 0;
}
