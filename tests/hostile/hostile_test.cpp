// hostile_test.cpp - runs every case under tests/hostile/cases/ (hostile inputs) and tests/cases/
// (the documented behaviour of packets and rules texts): reads the expectations from the case's
// README (its check block), builds the input from the case's template, drives the exports
// in-process and compares. The format is described in tests/hostile/README.md.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "olvane/olvane.h"
#include "platform/codepage.h"
#include "platform/sax.h"
#include "tests/support/test_support.h"
#include "zev/parser.h"
#include "zev/registry.h"

namespace {

namespace fs = std::filesystem;
using olvane_fuzz::SetRules;
using olvane_fuzz::Take;
using olvane_test::ReadFile;

// The template language: {{repeat N}}...{{end}} (nested; {{i}} is the iteration), {{xHH}} a raw
// byte, {{uHHHH}} a raw UTF-16 unit, {{nul}} a NUL; a line feed right after repeat, end or nul is
// dropped. Text is UTF-8; wide output converts it.
struct Expander {
    const std::string& text;
    bool wide;
    std::string bytes;
    std::u16string units;

    void Literal(std::string_view s) {
        wide ? void(units += NarrowToWide(std::string(s).c_str(), s.size())) : void(bytes += s);
    }
    size_t SkipLineFeed(size_t at) const {
        return at < text.size() && text[at] == '\n' ? at + 1 : at;
    }
    // Expands text[from, to); returns where it stopped (at an {{end}} of this level, or to).
    size_t Expand(size_t from, size_t to, long counter) {
        for (size_t at = from; at < to;) {
            const size_t open = std::min(text.find("{{", at), to);
            Literal(std::string_view(text).substr(at, open - at));
            if (open == to) {
                return to;
            }
            const size_t close = text.find("}}", open);
            const std::string d = text.substr(open + 2, close - open - 2);
            at = close + 2;
            if (d == "end") {
                return open;
            }
            if (d.rfind("repeat ", 0) == 0) {
                const size_t body = SkipLineFeed(at);
                size_t end = body;
                for (long i = 0, n = std::stol(d.substr(7)); i < n || i == 0; ++i) {
                    const size_t mark = bytes.size();
                    const size_t markWide = units.size();
                    end = Expand(body, to, i);
                    if (n == 0) {
                        bytes.resize(mark);
                        units.resize(markWide);
                    }
                }
                at = SkipLineFeed(end + 7);
            } else if (d == "i") {
                Literal(std::to_string(counter));
            } else if (d == "nul") {
                wide ? void(units += u'\0') : void(bytes += '\0');
                at = SkipLineFeed(at);
            } else {
                const auto value = std::stoi(d.substr(1), nullptr, 16);
                wide ? void(units += static_cast<char16_t>(value))
                     : void(bytes += static_cast<char>(value));
            }
        }
        return to;
    }
};

// A parse result named as platform/sax.h and zev/result.h name it, or as a number.
long ParseCode(const std::string& name) {
    const std::map<std::string, long> names = {
        {"SAX_E_TOO_DEEP", SAX_E_TOO_DEEP},
        {"SAX_E_VALUE_TOO_LONG", SAX_E_VALUE_TOO_LONG},
        {"SAX_E_TOO_MANY_ATTRIBUTES", SAX_E_TOO_MANY_ATTRIBUTES},
        {"SAX_E_ENTITY_NESTING", SAX_E_ENTITY_NESTING},
        {"SAX_E_UNPAIRED_SURROGATE", SAX_E_UNPAIRED_SURROGATE},
        {"SAX_E_EXTERNAL_ENTITY", SAX_E_EXTERNAL_ENTITY},
        {"NO_TEXT", zev::kNoText},
        {"E_FAIL", E_FAIL}};
    const auto it = names.find(name);
    return it != names.end()                         ? it->second
           : name.rfind("SAX_E_PARSE_BASE+", 0) == 0 ? SAX_E_PARSE_BASE + std::stol(name.substr(17))
                                                     : std::stol(name, nullptr, 0);
}

std::string Text(BSTR b) {
    return WideToUtf8(std::u16string_view(b, SysStringLen(b)));
}

std::string Arg(const OlvaneRule* rule, int i) {
    return Text(rule->args.data[i]);
}

class Cases : public ::testing::TestWithParam<fs::path> {
  protected:
    void SetUp() override {
        ASSERT_FALSE(checks.Empty()) << "no check block in " << GetParam();
        const std::string text = ReadFile(GetParam() / One("input"));
        Expander input{text, One("kind") == "rules", {}, {}};
        input.Expand(0, text.size(), 0);
        bytes = std::move(input.bytes);
        units = std::move(input.units);
        scene = AddScene();
        // A source under "kept" with two rules that no hostile input may lose.
        ASSERT_EQ(SetMetaData(scene, "<a/>", "kept", "Kept"), 1);
        ASSERT_EQ(SetRules(scene, "kept",
                           u"<Pavex-MetaData-Rules><DataPush tag=\"one\" to=\"T1\"/><DataIsOneOf "
                           u"tag=\"two\" to=\"a,b\" val=\"true\"/></Pavex-MetaData-Rules>",
                           0),
                  1);
        kept = Take(GetRulesXML(scene, "kept"));
    }
    void TearDown() override {
        EXPECT_EQ(DelScene(scene), 1);
        EXPECT_EQ(zev::GetRegisteredObjectCount(), 0u);
    }
    std::string One(const std::string& key) const { return checks.One(key); }
    std::vector<std::string> All(const std::string& key) const { return checks.All(key); }
    void ExpectParse(const char16_t* text) const {
        if (checks.Has("parse")) {
            EXPECT_EQ(zev::ParseXMLText(text, nullptr), ParseCode(One("parse")));
        }
    }
    // The record i of GetRules or ParseRules, as "type tag|to|validation".
    static std::string Describe(const OlvaneRuleArray& records, intptr_t i) {
        const OlvaneRule* rule = records.data[i];
        return std::to_string(rule->type) + " " + Arg(rule, 0) + "|" + Arg(rule, 1) + "|" +
               (rule->validation ? "true" : "false");
    }

    olvane_test::CaseChecks checks{GetParam() / "README.md"};
    std::string bytes;
    std::u16string units;
    int scene = 0;
    std::u16string kept;
};

TEST_P(Cases, GiveTheirExpectedResults) {
    if (checks.Has("skip")) {
        GTEST_SKIP() << One("skip");
    }
    const std::string kind = One("kind");
    if (kind == "keys") {
        std::istringstream keys(bytes);
        std::istringstream results(One("results"));
        int expected = 0;
        for (std::string key; std::getline(keys, key) && results >> expected;) {
            EXPECT_EQ(AddDestination(scene, "name", key.c_str(), 0), expected) << key;
        }
        EXPECT_FALSE(results >> expected) << "fewer keys than results";
    } else if (kind == "packet") {
        std::u16string wide;
        testing::internal::CaptureStdout();
        ExpectParse(zev::Utf8ToWide(wide, bytes.c_str()));
        EXPECT_EQ(SetMetaData(scene, bytes.c_str(), "hostile", "Hostile"),
                  std::stoi(One("result")));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), One("stdout") + One("stdout"));  // twice
        OlvaneNamespace* tree = nullptr;
        ASSERT_EQ(GetAllNamespaces(scene, "hostile", &tree), 1);
        intptr_t values = 0;
        for (intptr_t i = 0; i < tree->children.size; ++i) {
            values += tree->children.data[i]->values.count;
        }
        for (const std::string& line : All("namespace")) {  // "index = prefix uri"
            const long i = std::stol(line);
            ASSERT_LT(i, tree->children.size) << line;
            const OlvaneNamespace* ns = tree->children.data[i];
            EXPECT_EQ(Text(ns->prefix) + " " + Text(ns->ns_uri), line.substr(line.find(" = ") + 3));
        }
        for (const auto& [key, actual] :
             {std::pair{"namespaces", tree->children.size}, {"values", values}}) {
            if (checks.Has(key)) {
                EXPECT_EQ(std::to_string(actual), One(key)) << key;
            }
        }
        FreeNamespace(&tree);
        // One rule per tag checked, evaluated.
        std::vector<std::pair<std::string, std::string>> tags;  // "value" and the like, "tag = x"
        for (const char* what : {"value", "unresolved", "value-length"}) {
            for (const std::string& line : All(what)) {
                tags.emplace_back(what, line);
            }
        }
        std::u16string xml = u"<Pavex-MetaData-Rules>";
        for (const auto& [what, line] : tags) {
            xml += u"<DataPush tag=\"" + NarrowToWide(line.substr(0, line.find(" = ")).c_str()) +
                   u"\"/>";
        }
        ASSERT_EQ(SetRules(scene, "hostile", xml + u"</Pavex-MetaData-Rules>", 0), 1);
        OlvaneRuleArray records{};
        ASSERT_EQ(ParseRules(scene, "hostile", &records), 1);
        ASSERT_EQ(records.size, static_cast<intptr_t>(tags.size()));
        for (size_t i = 0; i < tags.size(); ++i) {
            const auto& [what, line] = tags[i];
            const OlvaneRule* rule = records.data[i];
            const std::string expected = line.substr(line.find(" = ") + 3);
            EXPECT_EQ(rule->type, what == "unresolved" ? OLVANE_RULE_UNRESOLVED : OLVANE_RULE_PUSH)
                << line;
            EXPECT_EQ(what == "value-length" ? std::to_string(SysStringLen(rule->args.data[0]))
                                             : Arg(rule, 0),
                      what == "unresolved" ? line : expected)
                << line;
        }
        FreeRules(&records);
        // Replacing a source with the hostile packet keeps its rules.
        EXPECT_EQ(SetMetaData(scene, bytes.c_str(), "kept", "Hostile"), -3);
        EXPECT_EQ(Take(GetRulesXML(scene, "kept")), kept);
    } else {
        ASSERT_EQ(kind, "rules");
        // The library reads only what the length prefix promises, whatever follows it.
        const size_t length =
            One("bstr-length").empty() ? units.size() : std::stoul(One("bstr-length"));
        ASSERT_LE(length, units.size());
        ExpectParse(std::u16string(units.data(), length).c_str());
        BSTR xml = SysAllocStringLen(units.data(), static_cast<unsigned>(units.size()));
        const auto prefix = static_cast<uint32_t>(length * sizeof(char16_t));
        std::memcpy(reinterpret_cast<unsigned char*>(xml) - sizeof prefix, &prefix, sizeof prefix);
        EXPECT_EQ(SetRulesXML(scene, "kept", xml, One("mode") == "append" ? 1 : 0),
                  std::stoi(One("result")));
        if (One("rules") == "unchanged") {
            EXPECT_EQ(Take(GetRulesXML(scene, "kept")), kept);
            return;
        }
        OlvaneRuleArray records{};
        ASSERT_EQ(GetRules(scene, "kept", &records), 1);
        EXPECT_EQ(records.size, std::stol(One("rules")));
        for (const std::string& line : All("rule")) {  // "index = type tag|to|val"
            const long index = std::stol(line);
            ASSERT_LT(index, records.size) << line;
            EXPECT_EQ(Describe(records, index), line.substr(line.find(" = ") + 3));
        }
        FreeRules(&records);
        if (checks.Has("written")) {
            EXPECT_EQ(WideToUtf8(Take(GetRulesXML(scene, "kept"))),
                      ReadFile(GetParam() / One("written")));
        }
    }
}

std::string Name(const ::testing::TestParamInfo<fs::path>& info) {
    return olvane_test::CaseName(info.param);
}

INSTANTIATE_TEST_SUITE_P(Hostile, Cases,
                         ::testing::ValuesIn(olvane_test::CasesIn("tests/hostile/cases")), Name);
INSTANTIATE_TEST_SUITE_P(Behaviour, Cases, ::testing::ValuesIn(olvane_test::CasesIn("tests/cases")),
                         Name);

}  // namespace
