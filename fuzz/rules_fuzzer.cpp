// rules_fuzzer.cpp - the rules path: bytes as UTF-16 rules text through SetRulesXML, replacing
// and appending; what GetRulesXML writes must read back to the same rules, and writing them again
// must give the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"

namespace {

using olvane_fuzz::Require;
using olvane_fuzz::SetRules;
using olvane_fuzz::Take;
using olvane_fuzz::Text;
using olvane_fuzz::Utf8;

const char kPacket[] =
    "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
    "xmlns:dc='http://purl.org/dc/elements/1.1/' dc:format='video'><dc:title>Hello</dc:title>"
    "</rdf:Description></rdf:RDF>";

constexpr std::u16string_view kHead =
    u"<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<Pavex-MetaData-Rules>\n";
constexpr std::u16string_view kTail = u"</Pavex-MetaData-Rules>\n";

// What the parser makes of a value that was written out unescaped: line ends become one line
// feed, then every tab, line feed and carriage return a blank.
std::u16string Normalised(const std::u16string& value) {
    std::u16string out;
    for (size_t i = 0; i < value.size(); ++i) {
        const char16_t c = value[i];
        if (c == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n') {
            continue;
        }
        out += (c == u'\t' || c == u'\n' || c == u'\r') ? u' ' : c;
    }
    return out;
}

struct Rule {
    int type;
    bool validation;
    std::u16string tag;
    std::u16string to;
    bool operator==(const Rule&) const = default;
};

std::vector<Rule> Rules(int scene) {
    OlvaneRuleArray records{};
    Require(GetRules(scene, "clip", &records) == 1, "GetRules");
    std::vector<Rule> rules;
    for (intptr_t i = 0; i < records.size; ++i) {
        const OlvaneRule* r = records.data[i];
        Require(r->type >= 1 && r->type <= 10 && r->args.size == 2 && r->reserved == 1 &&
                    r->next == nullptr && r->validation <= 1,
                "record fields");
        rules.push_back(
            {r->type, r->validation == 1, Text(r->args.data[0]), Text(r->args.data[1])});
    }
    Require(FreeRules(&records) == 1, "FreeRules");
    return rules;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string input(size / 2, u'\0');
    for (size_t i = 0; i < input.size(); ++i) {
        input[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    }
    const int scene = AddScene();
    Require(SetMetaData(scene, kPacket, "clip", "Clip") == 1, "SetMetaData");

    // Replace, then append the same text: the rules double, and so do the written lines.
    Require(SetRules(scene, "clip", input, 0) == 1, "SetRulesXML replace");
    const std::u16string first = Take(GetRulesXML(scene, "clip"));
    const std::vector<Rule> read = Rules(scene);
    Require(first.starts_with(kHead) && first.ends_with(kTail), "head and tail");
    const std::u16string_view lines(first.data() + kHead.size(),
                                    first.size() - kHead.size() - kTail.size());
    Require(SetRules(scene, "clip", input, 1) == 1, "SetRulesXML append");
    Require(Rules(scene).size() == 2 * read.size(), "append did not double the rules");
    Require(Take(GetRulesXML(scene, "clip")) == std::u16string(kHead) + std::u16string(lines) +
                                                    std::u16string(lines) + std::u16string(kTail),
            "appended text");

    // Written, then read back: the same rules, but for the white space that attribute
    // normalisation turns into blanks; written again, the very same text.
    Require(SetRules(scene, "clip", first, 0) == 1, "SetRulesXML of the written text");
    const std::u16string second = Take(GetRulesXML(scene, "clip"));
    const std::vector<Rule> reread = Rules(scene);
    Require(reread.size() == read.size(), "rule count changed on reading back", Utf8(first));
    bool blanks = false;
    for (size_t i = 0; i < read.size(); ++i) {
        Rule expected = read[i];
        expected.tag = Normalised(expected.tag);
        expected.to = Normalised(expected.to);
        blanks = blanks || !(expected == read[i]);
        Require(reread[i] == expected, "rule changed on reading back", Utf8(first));
    }
    Require(blanks || second == first, "written text not stable", Utf8(first));
    Require(SetRules(scene, "clip", second, 0) == 1, "SetRulesXML again");
    Require(Take(GetRulesXML(scene, "clip")) == second, "second writing not stable", Utf8(second));

    // Evaluation gives one record per rule and leaves the rules alone.
    OlvaneRuleArray records{};
    Require(ParseRules(scene, "clip", &records) == 1 &&
                records.size == static_cast<intptr_t>(reread.size()),
            "ParseRules count");
    Require(FreeRules(&records) == 1, "FreeRules");
    Require(Rules(scene) == reread, "ParseRules changed the rules");

    Require(DelScene(scene) == 1, "DelScene");
    olvane_fuzz::RequireNoZevObjects();
    return 0;
}
