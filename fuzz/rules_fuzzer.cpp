// rules_fuzzer.cpp - the rules path: bytes as UTF-16 rules text through SetRulesXML, replacing and
// appending; what GetRulesXML writes must read back to the same rules, and written again give the
// same text.
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

// The rules as "type validation tag|to" lines. normalised: the white space that attribute
// normalisation turns into a blank (a CR LF pair first into one line feed) written as a blank.
std::u16string Rules(int scene, bool normalised = false) {
    OlvaneRuleArray records{};
    Require(GetRules(scene, "clip", &records) == 1, "GetRules");
    std::u16string out;
    for (intptr_t i = 0; i < records.size; ++i) {
        const OlvaneRule* r = records.data[i];
        Require(r->type >= 1 && r->type <= 10 && r->args.size == 2 && r->reserved == 1 &&
                    r->next == nullptr && r->validation <= 1,
                "record fields");
        std::u16string line = Text(r->args.data[0]) + u"|" + Text(r->args.data[1]);
        for (size_t at = 0; normalised && (at = line.find(u"\r\n", at)) != std::u16string::npos;) {
            line.erase(at, 1);
        }
        for (char16_t& c : line) {
            c = normalised && (c == u'\t' || c == u'\n' || c == u'\r') ? u' ' : c;
        }
        out += static_cast<char16_t>(u'0' + r->type) +
               std::u16string(r->validation ? u"v " : u"  ") + line + u"\n";
    }
    Require(FreeRules(&records) == 1, "FreeRules");
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string input(size / 2, u'\0');
    for (size_t i = 0; i < input.size(); ++i) {
        input[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    }
    const int scene = AddScene();
    Require(SetMetaData(scene, "<a/>", "clip", "Clip") == 1, "SetMetaData");

    // Replace, then append the same text: the rules double, and so do the written lines.
    Require(SetRules(scene, "clip", input, 0) == 1, "SetRulesXML replace");
    const std::u16string first = Take(GetRulesXML(scene, "clip"));
    const std::u16string read = Rules(scene);
    const std::u16string readNormalised = Rules(scene, true);
    constexpr size_t kHead = 63;  // the declaration and the root's start tag
    constexpr size_t kTail = 24;
    Require(first.size() >= kHead + kTail, "head and tail");
    Require(SetRules(scene, "clip", input, 1) == 1 && Rules(scene) == read + read, "append");
    Require(Take(GetRulesXML(scene, "clip")) ==
                first.substr(0, first.size() - kTail) + first.substr(kHead),
            "appended text");

    // Read back, the written text gives the same rules but for white space; written again, the
    // very same text.
    Require(SetRules(scene, "clip", first, 0) == 1, "SetRulesXML of the written text");
    const std::u16string second = Take(GetRulesXML(scene, "clip"));
    Require(Rules(scene) == readNormalised, "rules changed on reading back", first);
    Require(read != readNormalised || second == first, "written text not stable", first);
    Require(SetRules(scene, "clip", second, 0) == 1 && Take(GetRulesXML(scene, "clip")) == second,
            "written text not stable", second);
    // Evaluation gives one record per rule and leaves the rules alone.
    OlvaneRuleArray records{};
    const std::u16string rules = Rules(scene);
    Require(ParseRules(scene, "clip", &records) == 1 && FreeRules(&records) == 1 &&
                Rules(scene) == rules,
            "ParseRules changed the rules");
    Require(DelScene(scene) == 1, "DelScene");
    olvane_fuzz::RequireNoZevObjects();
    return 0;
}
