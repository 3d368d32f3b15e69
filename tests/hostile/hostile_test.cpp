// hostile_test.cpp - runs every case under tests/hostile/cases/: reads the expectations from the
// case's README (its check block), builds the input from the case's template, drives the exports
// in-process and compares. The format is described in tests/hostile/README.md.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "olvane/olvane.h"
#include "platform/codepage.h"
#include "platform/sax.h"
#include "zev/parser.h"
#include "zev/registry.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCases = fs::path(OLVANE_SOURCE_DIR) / "tests" / "hostile" / "cases";

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The expectations: the lines of the README's check block, as key and value; a key may repeat.
std::multimap<std::string, std::string> ReadChecks(const fs::path& readme) {
    std::multimap<std::string, std::string> checks;
    std::istringstream in(ReadAll(readme));
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (line.rfind("```", 0) == 0) {
            if (inside) {
                break;
            }
            inside = line == "```check";
            continue;
        }
        const size_t colon = line.find(':');
        if (!inside || colon == std::string::npos) {
            continue;
        }
        const size_t start = line.find_first_not_of(' ', colon + 1);
        checks.emplace(line.substr(0, colon),
                       start == std::string::npos ? std::string() : line.substr(start));
    }
    return checks;
}

// The template language: {{repeat N}}...{{end}} (nested; {{i}} inside is the iteration number),
// {{xHH}} one raw byte, {{uHHHH}} one raw UTF-16 unit, {{nul}} a NUL. Text stands for itself; a
// line feed right after a directive is dropped, so templates can put directives on lines of their
// own. Pieces come out as UTF-16 units or bytes, whichever the case reads.
class CTemplate {
  public:
    explicit CTemplate(std::string text) : m_text(std::move(text)) {}

    std::string Bytes() {
        m_wide = false;
        m_bytes.clear();
        Expand(0, m_text.size(), {});
        return m_bytes;
    }
    std::u16string Units() {
        m_wide = true;
        m_units.clear();
        Expand(0, m_text.size(), {});
        return m_units;
    }

  private:
    // The end of the {{repeat}} block whose body starts at from: the index of its {{end}}.
    size_t BlockEnd(size_t from) const {
        int depth = 1;
        for (size_t at = m_text.find("{{", from); at != std::string::npos;
             at = m_text.find("{{", at + 2)) {
            if (m_text.compare(at, 9, "{{repeat ") == 0) {
                ++depth;
            } else if (m_text.compare(at, 7, "{{end}}") == 0 && --depth == 0) {
                return at;
            }
        }
        throw std::runtime_error("{{repeat}} without {{end}}");
    }

    void Literal(std::string_view text) {
        if (m_wide) {
            m_units += NarrowToWide(std::string(text).c_str(), text.size());
        } else {
            m_bytes += text;
        }
    }

    size_t SkipNewline(size_t at) const {
        return at < m_text.size() && m_text[at] == '\n' ? at + 1 : at;
    }

    void Expand(size_t from, size_t to, const std::vector<long>& counters) {
        size_t at = from;
        while (at < to) {
            const size_t open = m_text.find("{{", at);
            if (open == std::string::npos || open >= to) {
                Literal(std::string_view(m_text).substr(at, to - at));
                return;
            }
            Literal(std::string_view(m_text).substr(at, open - at));
            const size_t close = m_text.find("}}", open);
            const std::string directive = m_text.substr(open + 2, close - open - 2);
            at = close + 2;
            if (directive.rfind("repeat ", 0) == 0) {
                const long times = std::stol(directive.substr(7));
                const size_t body = SkipNewline(at);
                const size_t end = BlockEnd(at);
                std::vector<long> inner = counters;
                inner.push_back(0);
                for (long i = 0; i < times; ++i) {
                    inner.back() = i;
                    Expand(body, end, inner);
                }
                at = SkipNewline(end + 7);
            } else if (directive == "i") {
                Literal(std::to_string(counters.empty() ? 0 : counters.back()));
            } else if (directive == "nul") {
                if (m_wide) {
                    m_units += u'\0';
                } else {
                    m_bytes += '\0';
                }
                at = SkipNewline(at);
            } else if (directive[0] == 'x' && !m_wide) {
                m_bytes += static_cast<char>(std::stoi(directive.substr(1), nullptr, 16));
            } else if (directive[0] == 'u' && m_wide) {
                m_units += static_cast<char16_t>(std::stoi(directive.substr(1), nullptr, 16));
            } else {
                throw std::runtime_error("unknown directive {{" + directive + "}}");
            }
        }
    }

    std::string m_text;
    bool m_wide = false;
    std::string m_bytes;
    std::u16string m_units;
};

std::u16string Take(BSTR b) {
    std::u16string text = b == nullptr ? u"" : std::u16string(b, SysStringLen(b));
    SysFreeString(b);
    return text;
}

std::u16string Wide(const std::string& utf8) {
    return NarrowToWide(utf8.c_str(), utf8.size());
}

int SetRules(int scene, const char* key, const std::u16string& text, int append) {
    return SetRulesXML(
        scene, key, SysAllocStringLen(text.data(), static_cast<unsigned int>(text.size())), append);
}

std::u16string Escaped(const std::u16string& text) {
    std::u16string out;
    for (const char16_t c : text) {
        out += c == u'&'   ? u"&amp;"
               : c == u'<' ? u"&lt;"
               : c == u'"' ? u"&quot;"
                           : std::u16string(1, c);
    }
    return out;
}

// The parse result named as platform/sax.h and zev/result.h name it, or as a number.
long ParseCode(const std::string& name) {
    static const std::map<std::string, long> names = {
        {"SAX_E_TOO_DEEP", SAX_E_TOO_DEEP},
        {"SAX_E_VALUE_TOO_LONG", SAX_E_VALUE_TOO_LONG},
        {"SAX_E_TOO_MANY_ATTRIBUTES", SAX_E_TOO_MANY_ATTRIBUTES},
        {"SAX_E_ENTITY_NESTING", SAX_E_ENTITY_NESTING},
        {"SAX_E_UNPAIRED_SURROGATE", SAX_E_UNPAIRED_SURROGATE},
        {"SAX_E_EXTERNAL_ENTITY", SAX_E_EXTERNAL_ENTITY},
        {"NO_TEXT", zev::kNoText},
        {"E_FAIL", E_FAIL},
    };
    const auto it = names.find(name);
    if (it != names.end()) {
        return it->second;
    }
    if (name.rfind("SAX_E_PARSE_BASE+", 0) == 0) {
        return SAX_E_PARSE_BASE + std::stol(name.substr(17));
    }
    return std::stol(name, nullptr, 0);
}

class Hostile : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        dir = kCases / GetParam();
        checks = ReadChecks(dir / "README.md");
        ASSERT_FALSE(checks.empty()) << "no check block in " << dir / "README.md";
        scene = AddScene();
    }
    void TearDown() override {
        EXPECT_EQ(DelScene(scene), 1);
        EXPECT_EQ(zev::GetRegisteredObjectCount(), 0u);
    }

    // On Windows a "KEY-windows" line, where a case has one, says what the system's reader and
    // code page give instead (the case's README says why).
    static std::string Key(const std::string& key,
                           const std::multimap<std::string, std::string>& in) {
#if defined(_WIN32)
        if (in.count(key + "-windows") != 0) {
            return key + "-windows";
        }
#endif
        return key;
    }
    std::string One(const std::string& key) const {
        const auto it = checks.find(Key(key, checks));
        return it == checks.end() ? std::string() : it->second;
    }
    bool Has(const std::string& key) const {
        return checks.count(Key(key, checks)) != 0;
    }
    CTemplate Input() const {
        return CTemplate(ReadAll(dir / One("input")));
    }

    void ExpectParse(const char16_t* text) {
        if (Has("parse")) {
            EXPECT_EQ(zev::ParseXMLText(text, nullptr), ParseCode(One("parse")));
        }
    }

    // A source under "kept" with two rules that no hostile input may lose.
    void StoreKept() {
        ASSERT_EQ(SetMetaData(scene, "<a/>", "kept", "Kept"), 1);
        ASSERT_EQ(SetRules(scene, "kept",
                           u"<Pavex-MetaData-Rules><DataPush tag=\"one\" to=\"T1\"/>"
                           u"<DataIsOneOf tag=\"two\" to=\"a,b\" val=\"true\"/>"
                           u"</Pavex-MetaData-Rules>",
                           0),
                  1);
        kept = Take(GetRulesXML(scene, "kept"));
    }

    void RunPacket();
    void RunRules();
    void RunKeys();

    fs::path dir;
    std::multimap<std::string, std::string> checks;
    int scene = 0;
    std::u16string kept;
};

void Hostile::RunPacket() {
    const std::string packet = Input().Bytes();
    std::u16string wide;
    ::testing::internal::CaptureStdout();
    const char16_t* text = zev::Utf8ToWide(wide, packet.c_str());
    ExpectParse(text);
    const int result = SetMetaData(scene, packet.c_str(), "hostile", "Hostile");
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, std::stoi(One("result")));
    if (Has("stdout")) {
        // Once by the check above, once by the call.
        EXPECT_EQ(printed, One("stdout") + One("stdout"));
    } else {
        EXPECT_EQ(printed, "");
    }

    OlvaneNamespace* tree = nullptr;
    ASSERT_EQ(GetAllNamespaces(scene, "hostile", &tree), 1);
    intptr_t values = 0;
    for (intptr_t i = 0; i < tree->children.size; ++i) {
        values += tree->children.data[i]->values.count;
    }
    if (Has("namespaces")) {
        EXPECT_EQ(tree->children.size, std::stol(One("namespaces")));
    }
    if (Has("values")) {
        EXPECT_EQ(values, std::stol(One("values")));
    }
    FreeNamespace(&tree);

    // Tags: one rule each, evaluated.
    // On Windows a case's "-windows" tag lines, when it has any, replace all of its tag lines.
    std::string suffix;
#if defined(_WIN32)
    for (const char* kind : {"value-windows", "unresolved-windows", "value-length-windows"}) {
        suffix = checks.count(kind) != 0 ? "-windows" : suffix;
    }
#endif
    std::vector<std::pair<std::string, std::string>> tags;  // kind, "tag = value"
    for (const char* kind : {"value", "unresolved", "value-length"}) {
        auto [first, last] = checks.equal_range(kind + suffix);
        for (auto it = first; it != last; ++it) {
            tags.emplace_back(kind, it->second);
        }
    }
    if (!tags.empty()) {
        std::u16string xml = u"<Pavex-MetaData-Rules>";
        for (const auto& [kind, line] : tags) {
            const std::string tag = line.substr(0, line.find(" = "));
            xml += u"<DataPush tag=\"" + Escaped(Wide(tag)) + u"\"/>";
        }
        ASSERT_EQ(SetRules(scene, "hostile", xml + u"</Pavex-MetaData-Rules>", 0), 1);
        OlvaneRuleArray records{};
        ASSERT_EQ(ParseRules(scene, "hostile", &records), 1);
        ASSERT_EQ(records.size, static_cast<intptr_t>(tags.size()));
        for (size_t i = 0; i < tags.size(); ++i) {
            const auto& [kind, line] = tags[i];
            const OlvaneRule* rule = records.data[i];
            const std::u16string got(rule->args.data[0], SysStringLen(rule->args.data[0]));
            const size_t eq = line.find(" = ");
            if (std::string(kind) == "unresolved") {
                EXPECT_EQ(rule->type, OLVANE_RULE_UNRESOLVED) << line;
            } else if (std::string(kind) == "value") {
                EXPECT_EQ(rule->type, OLVANE_RULE_PUSH) << line;
                EXPECT_EQ(WideToUtf8(got), line.substr(eq + 3)) << line;
            } else {
                EXPECT_EQ(rule->type, OLVANE_RULE_PUSH) << line;
                EXPECT_EQ(got.size(), std::stoul(line.substr(eq + 3))) << line;
            }
        }
        FreeRules(&records);
    }

    // Replacing a source with the hostile packet keeps its rules.
    StoreKept();
    EXPECT_EQ(SetMetaData(scene, packet.c_str(), "kept", "Hostile"), -3);
    EXPECT_EQ(Take(GetRulesXML(scene, "kept")), kept);
}

void Hostile::RunRules() {
    StoreKept();
    std::u16string text = Input().Units();
    const size_t length = Has("bstr-length") ? std::stoul(One("bstr-length")) : text.size();
    ASSERT_LE(length, text.size());
    // The library reads only what the length prefix promises, whatever follows it.
    ExpectParse(std::u16string(text.data(), length).c_str());
    BSTR xml = SysAllocStringLen(text.data(), static_cast<unsigned int>(text.size()));
    const uint32_t bytes = static_cast<uint32_t>(length * sizeof(char16_t));
    std::memcpy(reinterpret_cast<unsigned char*>(xml) - sizeof bytes, &bytes, sizeof bytes);
    const int append = One("mode") == "append" ? 1 : 0;
    EXPECT_EQ(SetRulesXML(scene, "kept", xml, append), std::stoi(One("result")));

    if (One("rules") == "unchanged") {
        EXPECT_EQ(Take(GetRulesXML(scene, "kept")), kept);
        return;
    }
    OlvaneRuleArray records{};
    ASSERT_EQ(GetRules(scene, "kept", &records), 1);
    EXPECT_EQ(records.size, std::stol(One("rules")));
    auto [first, last] = checks.equal_range("rule");
    for (auto it = first; it != last; ++it) {
        // "index = type tag|to|val"
        std::istringstream line(it->second);
        long index = 0;
        std::string eq;
        int type = 0;
        line >> index >> eq >> type;
        std::string rest;
        std::getline(line, rest);
        rest.erase(0, 1);
        ASSERT_LT(index, records.size) << it->second;
        const OlvaneRule* rule = records.data[index];
        const auto arg = [rule](int i) {
            return WideToUtf8(
                std::u16string_view(rule->args.data[i], SysStringLen(rule->args.data[i])));
        };
        EXPECT_EQ(rule->type, type) << it->second;
        EXPECT_EQ(arg(0) + "|" + arg(1) + "|" + (rule->validation ? "true" : "false"), rest)
            << it->second;
    }
    FreeRules(&records);
    // What was read writes out as one line per rule.
    const std::u16string written = Take(GetRulesXML(scene, "kept"));
    size_t lines = 0;
    for (size_t at = written.find(u"\n<Data"); at != std::u16string::npos;
         at = written.find(u"\n<Data", at + 1)) {
        ++lines;
    }
    EXPECT_EQ(static_cast<long>(lines), std::stol(One("rules")));
}

void Hostile::RunKeys() {
    // One key per line; each AddDestination's result in turn.
    std::istringstream keys(Input().Bytes());
    std::istringstream results(One("results"));
    std::string key;
    while (std::getline(keys, key)) {
        int expected = 0;
        ASSERT_TRUE(results >> expected) << "more keys than results";
        EXPECT_EQ(AddDestination(scene, "name", key.c_str(), 0), expected) << key;
    }
}

TEST_P(Hostile, ExpectedResult) {
    const std::string kind = One("kind");
    if (kind == "packet") {
        RunPacket();
    } else if (kind == "rules") {
        RunRules();
    } else if (kind == "keys") {
        RunKeys();
    } else {
        FAIL() << "unknown kind '" << kind << "'";
    }
}

std::vector<std::string> Cases() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(kCases)) {
        if (entry.is_directory()) {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Cases, Hostile, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

TEST(HostileSuite, HasItsCases) {
    EXPECT_GE(Cases().size(), 20u);
}

}  // namespace
