// rules_benchmarks.cpp - the rules benchmarks.
#include "bench/rules_benchmarks.h"

#include <benchmark/benchmark.h>
#include <expat.h>

#include <cstdint>

#include <string>
#include <utility>
#include <vector>

#include "olvane/olvane.h"

namespace bench {
namespace {

const char16_t* const kElements[] = {u"DataPush",         u"DataEqualsStr",    u"DataEqualsDest",
                                     u"DataNotEqualStr",  u"DataNotEqualDest", u"DataContainsStr",
                                     u"DataContainsDest", u"DataWithoutStr",   u"DataWithoutDest",
                                     u"DataIsOneOf"};

std::u16string Escaped(const std::u16string& text) {
    std::u16string out;
    for (char16_t c : text) {
        switch (c) {
            case u'&':
                out += u"&amp;";
                break;
            case u'<':
                out += u"&lt;";
                break;
            case u'"':
                out += u"&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::u16string FromBstr(BSTR b) {
    return b == nullptr ? std::u16string() : std::u16string(b, SysStringLen(b));
}

// The tags of every value the source holds, in the order the host is handed them.
std::vector<std::u16string> TagsOf(int scene) {
    std::vector<std::u16string> tags;
    OlvaneNamespace* tree = nullptr;
    GetAllNamespaces(scene, "clip", &tree);
    for (intptr_t i = 0; i < tree->children.size; ++i) {
        const OlvaneNamespace* ns = tree->children.data[i];
        const std::u16string uri = FromBstr(ns->ns_uri);
        for (uint32_t b = 0; ns->values.table != nullptr && b < ns->values.table_size; ++b) {
            for (const OlvaneMapEntry* e = ns->values.table[b]; e != nullptr; e = e->next) {
                tags.push_back(uri + u":" + FromBstr(e->key));
            }
        }
    }
    FreeNamespace(&tree);
    return tags;
}

// count rules spread over the source's tags, all ten types in turn; every tenth tag names no
// value, so that evaluation meets both outcomes.
std::u16string RulesXml(const std::vector<std::u16string>& tags, int count) {
    std::u16string xml = u"<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<Pavex-MetaData-Rules>\n";
    for (int i = 0; i < count; ++i) {
        std::u16string tag = tags.empty() ? u"urn:none:x" : tags[(i * 7919u) % tags.size()];
        if (i % 10 == 9) {
            tag += u"-missing";
        }
        xml += u"<";
        xml += kElements[i % 10];
        xml += u" tag=\"" + Escaped(tag) + u"\" to=\"dest" + std::u16string(1, u'0' + i % 10) +
               u"\" val=\"" + (i % 3 == 0 ? u"true" : u"false") + u"\" />\n";
    }
    return xml + u"</Pavex-MetaData-Rules>\n";
}

// A scene holding the packet's source under "clip" with count rules.
int SceneWithRules(const Packet& packet, int count) {
    const int scene = AddScene();
    SetMetaData(scene, packet.bytes.c_str(), "clip", "Clip");
    const std::u16string xml = RulesXml(TagsOf(scene), count);
    SetRulesXML(scene, "clip", SysAllocStringLen(xml.data(), static_cast<unsigned>(xml.size())), 0);
    return scene;
}

void RecordsBench(benchmark::State& state, const Packet* packet, int count, bool evaluate) {
    const int scene = SceneWithRules(*packet, count);
    OlvaneRuleArray rules{};
    for (auto _ : state) {
        const int result =
            evaluate ? ParseRules(scene, "clip", &rules) : GetRules(scene, "clip", &rules);
        if (result != 1 || rules.size != count) {
            state.SkipWithError("the records did not come back");
            break;
        }
        FreeRules(&rules);
    }
    FreeRules(&rules);
    DelScene(scene);
    state.SetItemsProcessed(state.iterations() * count);
}

void GetRulesXmlBench(benchmark::State& state, const Packet* packet, int count) {
    const int scene = SceneWithRules(*packet, count);
    for (auto _ : state) {
        BSTR xml = GetRulesXML(scene, "clip");
        benchmark::DoNotOptimize(xml);
        SysFreeString(xml);
    }
    DelScene(scene);
    state.SetItemsProcessed(state.iterations() * count);
}

// The text GetRulesXML writes for count rules.
std::u16string RulesText(const Packet& packet, int count) {
    const int scene = SceneWithRules(packet, count);
    BSTR xml = GetRulesXML(scene, "clip");
    const std::u16string text = FromBstr(xml);
    SysFreeString(xml);
    DelScene(scene);
    return text;
}

// UTF-16 to UTF-8, for expat; the text holds no unpaired surrogate.
std::string Utf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

void XMLCALL NoStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL NoEnd(void*, const XML_Char*) {}
void XMLCALL NoText(void*, const XML_Char*, int) {}

// SetRulesXML's floor: expat alone, namespaces on, reading the same text in UTF-8.
void RulesExpatBench(benchmark::State& state, const Packet* packet, int count) {
    const std::string text = Utf8(RulesText(*packet, count));
    for (auto _ : state) {
        XML_Parser parser = XML_ParserCreateNS(nullptr, '\x01');
        XML_SetElementHandler(parser, NoStart, NoEnd);
        XML_SetCharacterDataHandler(parser, NoText);
        const XML_Status status =
            XML_Parse(parser, text.data(), static_cast<int>(text.size()), XML_TRUE);
        XML_ParserFree(parser);
        if (status != XML_STATUS_OK) {
            state.SkipWithError("expat refused the rules");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// GetRulesXML's floor: the same text copied into a new BSTR and freed.
void RulesCopyBench(benchmark::State& state, const Packet* packet, int count) {
    const std::u16string text = RulesText(*packet, count);
    for (auto _ : state) {
        BSTR copy = SysAllocStringLen(text.data(), static_cast<unsigned>(text.size()));
        benchmark::DoNotOptimize(copy);
        SysFreeString(copy);
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// Replaces the rules from their own text each time; the host's BSTR, which the call frees, is
// made inside the loop as a host would.
void SetRulesXmlBench(benchmark::State& state, const Packet* packet, int count) {
    const int scene = SceneWithRules(*packet, count);
    const std::u16string xml = FromBstr(GetRulesXML(scene, "clip"));
    OlvaneRuleArray rules{};
    for (auto _ : state) {
        SetRulesXML(scene, "clip", SysAllocStringLen(xml.data(), static_cast<unsigned>(xml.size())),
                    0);
    }
    GetRules(scene, "clip", &rules);
    if (rules.size != count) {
        state.SkipWithError("the rules did not read back");
    }
    FreeRules(&rules);
    DelScene(scene);
    state.SetItemsProcessed(state.iterations() * count);
}

}  // namespace

void RegisterRulesBenchmarks(const Packet& packet) {
    for (int count : kRuleCounts) {
        const std::string suffix = "/" + std::to_string(count);
        benchmark::RegisterBenchmark((kGetRules + suffix).c_str(), RecordsBench, &packet, count,
                                     false);
        benchmark::RegisterBenchmark((kParseRules + suffix).c_str(), RecordsBench, &packet, count,
                                     true);
    }
    for (int count : kXmlRuleCounts) {
        const std::string suffix = "/" + std::to_string(count);
        benchmark::RegisterBenchmark((kRulesCopy + suffix).c_str(), RulesCopyBench, &packet, count);
        benchmark::RegisterBenchmark((kGetRulesXML + suffix).c_str(), GetRulesXmlBench, &packet,
                                     count);
        benchmark::RegisterBenchmark((kRulesExpat + suffix).c_str(), RulesExpatBench, &packet,
                                     count);
        benchmark::RegisterBenchmark((kSetRulesXML + suffix).c_str(), SetRulesXmlBench, &packet,
                                     count);
    }
}

}  // namespace bench
