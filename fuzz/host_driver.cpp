// host_driver.cpp - HostDriver: misuse of the exports, checked call by call against a model.
#include "fuzz/host_driver.h"

#include <climits>
#include <string_view>
#include <utility>

#include "host/host_test_peer.h"
#include "platform/codepage.h"
#include "zev/registry.h"

namespace olvane_fuzz {

uint32_t Choices::Below(uint32_t bound) {
    if (m_random) {
        return bound <= 1 ? 0 : static_cast<uint32_t>(m_engine() % bound);
    }
    uint32_t value = 0;
    for (uint32_t range = bound - 1; range != 0; range >>= 8) {
        value = value << 8 | (m_at < m_size ? m_data[m_at++] : 0);
    }
    return bound <= 1 ? 0 : value % bound;
}

std::string Choices::Bytes(size_t max) {
    std::string out(Below(static_cast<uint32_t>(max) + 1), '\0');
    if (!m_random) {
        out.resize(std::min(out.size(), m_size - m_at));
        out.assign(reinterpret_cast<const char*>(m_data + m_at), out.size());
        m_at += out.size();
        return out;
    }
    // Markup-like ASCII: random bytes would nearly always be invalid UTF-8, which the fuzz targets
    // cover, and each such packet prints the conversion message.
    for (char& c : out) {
        c = "<>/=\"' :abcdefxyz&#;"[Below(20)];
    }
    return out;
}

namespace {

// Keys that collide on purpose: null and "" are one key, case matters; on POSIX an invalid byte
// reads as U+FFFD, so the fifth and sixth are one key (in a Windows code page they are two).
const char* const kKeys[] = {nullptr,         "", "k1", "K1", "k\xC3", "k\xEF\xBF\xBD", "T1",
                             "c/\xE2\x82\xAC"};
const char* const kNames[] = {nullptr, "", "Headline", "bad \xFF"};

// The number of rule lines in a rules text; -1 when it is not one.
int RuleLines(std::u16string_view text) {
    constexpr std::u16string_view head =
        u"<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<Pavex-MetaData-Rules>\n";
    constexpr std::u16string_view tail = u"</Pavex-MetaData-Rules>\n";
    int lines = text.starts_with(head) && text.ends_with(tail) ? 0 : -1;
    for (size_t at = head.size(); lines >= 0 && at < text.size() - tail.size(); ++lines) {
        const size_t end = text.find(u"/>\n", at);
        lines = text.substr(at, 5) == u"<Data" && end != std::u16string_view::npos ? lines : -2;
        at = end + 3;
    }
    return lines;
}

std::u16string Take(BSTR text) {
    std::u16string out = text == nullptr ? u"" : std::u16string(text, SysStringLen(text));
    SysFreeString(text);
    return out;
}

// The export's result when the scene is missing, the key is missing, the key names a destination
// and when it names a source; per op 2 to 8 of Call.
constexpr int kCodes[][4] = {{-1, 1, -3, -3},   // AddDestination
                             {-1, -2, 1, 1},    // DelDestination
                             {-1, 1, -3, -3},   // SetMetaData
                             {-1, -2, -2, 1},   // SetRulesXML
                             {-1, -2, -3, 1},   // GetRules (empties the array unless -1)
                             {-1, -2, -3, 1},   // ParseRules (changes the array only for 1)
                             {-1, -3, -4, 1}};  // GetAllNamespaces

}  // namespace

HostDriver::HostDriver(Choices& choices, std::vector<std::string> packets, size_t maxLiveScenes)
    : m_choices(choices), m_maxLive(maxLiveScenes) {
    const std::string rdf =
        "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description ";
    m_packets = {
        rdf +
            "xmlns:dc='http://purl.org/dc/elements/1.1/' xmlns:xmp='http://ns.adobe.com/xap/1.0/'"
            " xmp:Rating='3'><dc:subject><rdf:Bag><rdf:li>a</rdf:li></rdf:Bag></dc:subject>"
            "<dc:format>video</dc:format></rdf:Description></rdf:RDF>",
        rdf + "xmlns:dc='urn:dc' xmlns:DC='urn:DC' xmlns:e='urn:e' dc:f='v'/></rdf:RDF>",
        "",
        "-1",
        rdf,
        std::string(900, '<')};
    m_namespaces = {2, 3, 0, 0, 0, 0};
    m_packets.insert(m_packets.end(), packets.begin(), packets.end());
    m_namespaces.resize(m_packets.size(), -1);
    const std::u16string head = u"<Pavex-MetaData-Rules>";
    const std::u16string tail = u"</Pavex-MetaData-Rules>";
    m_rulesTexts = {
        {head +
             u"<DataPush tag=\"http://purl.org/dc/elements/1.1/:format\" to=\"T1\" val=\"1\"/>"
             u"<DataIsOneOf tag=\"http://ns.adobe.com/xap/1.0/:Rating\" to=\"1,2,3\"/>"
             u"<DataContainsStr tag=\"urn:a:1:x\" to=\"a &amp; &lt;b&gt; &quot;c&quot;\"/>"
             u"<datapush tag=\"skipped\"/><Wrapper><DataPush tag=\"nested\"/></Wrapper>" +
             tail,
         3},
        {head + tail, 0},
        {u"<Other><DataPush tag=\"a\" to=\"b\"/></Other>", -2},  // parses: replacing empties
        {head + u"<DataPush tag=\"a\"", -1},                     // does not parse
        {u"-1", -1},
        {head + u"<DataPush tag=\"" + std::u16string(1, u'\xD800') + u"\"/>" + tail, -1},
    };
}

HostDriver::~HostDriver() {
    // A driver stopped at a mismatch still gives back what the host holds.
    for (int i = 0; i < 3; ++i) {
        FreeRules(&m_arrays[i]);
        FreeNamespace(&m_trees[i]);
    }
}

bool HostDriver::Check(bool ok, const char* what) {
    if (!ok && m_failure.empty()) {
        m_failure = "call " + std::to_string(m_calls) + ": " + what;
    }
    return ok;
}

bool HostDriver::RemoveAll() {
    RemoveAllScenes();
    for (const auto& [id, scene] : m_live) {
        m_deleted.push_back(id);
    }
    m_live.clear();
    return Check(HostTestPeer::SceneCount() == 0, "scenes left after RemoveAllScenes");
}

bool HostDriver::Step() {
    if (!m_failure.empty()) {
        return false;
    }
    ++m_calls;
    // Calls that change the scenes come more often than the others.
    static constexpr int kOps[] = {0, 1, 2, 2, 3, 4, 4, 5, 5, 6, 7, 8, 9, 10, 11};
    const int op = kOps[m_choices.Below(std::size(kOps))];
    // A live scene, a deleted one, or one never issued (the next ID and beyond, IDs none can have).
    const uint32_t kind = m_choices.Below(10);
    int id = 0;
    if (kind < 7 && !m_live.empty()) {
        id =
            std::next(m_live.begin(), m_choices.Below(static_cast<uint32_t>(m_live.size())))->first;
    } else if (kind < 8 && !m_deleted.empty()) {
        id = m_deleted[m_choices.Below(static_cast<uint32_t>(m_deleted.size()))];
    } else {
        const int never[] = {
            HostTestPeer::NextSceneID(), HostTestPeer::NextSceneID() + 1, 0, -1, INT_MAX, INT_MIN};
        id = never[m_choices.Below(6)];
    }
    const uint32_t which = m_choices.Below(std::size(kKeys) + 1);
    const std::string typed = which < std::size(kKeys) ? "" : m_choices.Bytes(12);
    const char* key = which < std::size(kKeys) ? kKeys[which] : typed.c_str();
    auto live = m_live.find(id);
    Scene* scene = live == m_live.end() ? nullptr : &live->second;
    auto found = scene == nullptr ? Scene::iterator() : scene->find(AnsiToWide(key));
    Object* object = scene == nullptr || found == scene->end() ? nullptr : &found->second;
    // No call leaves a parsed tree behind.
    return Call(op, id, key, scene, object) &&
           Check(zev::GetRegisteredObjectCount() == 0, "zev objects alive after a call");
}

bool HostDriver::Call(int op, int id, const char* key, Scene* scene, Object* object) {
    const int where = scene == nullptr ? 0 : object == nullptr ? 1 : object->type == 0 ? 2 : 3;
    const int expected = op >= 2 && op <= 8 ? kCodes[op - 2][where] : 0;
    const std::u16string wideKey = AnsiToWide(key);
    const int slot = static_cast<int>(m_choices.Below(4));  // what the host hands in; 3: nothing
    OlvaneRuleArray* array = slot == 3 ? nullptr : &m_arrays[slot];
    const intptr_t held = array == nullptr ? 0 : array->size;
    switch (op) {
        case 0:
            if (m_choices.Below(100) == 0) {
                return RemoveAll();
            }
            if (m_live.size() < m_maxLive) {
                const int next = HostTestPeer::NextSceneID();
                const int added = AddScene();
                m_live[added];
                return Check(added == next, "AddScene id");
            }
            id = m_live.begin()->first;
            [[fallthrough]];
        case 1:
            if (m_live.erase(id) != 0) {
                m_deleted.push_back(id);
                return Check(DelScene(id) == 1, "DelScene");
            }
            return Check(DelScene(id) == -1, "DelScene of no scene");
        case 2: {
            const int result = AddDestination(id, kNames[m_choices.Below(std::size(kNames))], key,
                                              static_cast<int>(m_choices.Below(1000)) - 500);
            if (scene != nullptr) {
                (*scene)[wideKey] = Object{};
            }
            return Check(result == expected, "AddDestination");
        }
        case 3:
            if (object != nullptr) {
                scene->erase(wideKey);
            }
            return Check(DelDestination(id, key) == expected, "DelDestination");
        case 4: {
            const uint32_t pick = m_choices.Below(static_cast<uint32_t>(m_packets.size() + 1));
            const std::string packet =
                pick < m_packets.size() ? m_packets[pick] : m_choices.Bytes(200);
            const int result =
                SetMetaData(id, packet.c_str(), key, kNames[m_choices.Below(std::size(kNames))]);
            if (scene != nullptr) {  // a replaced source's rules carry over
                (*scene)[wideKey] = Object{1, where == 3 ? object->rules : 0,
                                           pick < m_packets.size() ? m_namespaces[pick] : -1};
            }
            return Check(result == expected, "SetMetaData");
        }
        case 5: {
            const auto& [text, adds] =
                m_rulesTexts[m_choices.Below(static_cast<uint32_t>(m_rulesTexts.size()))];
            const int append = static_cast<int>(m_choices.Below(4) * 0x100 + m_choices.Below(2));
            BSTR xml = SysAllocStringLen(text.data(), static_cast<unsigned>(text.size()));
            const int result = SetRulesXML(id, key, xml, append);
            if (result == -1) {
                SysFreeString(xml);  // a missing scene leaves the string with the host
            }
            if (where == 3 && adds != -1) {
                object->rules = ((append & 0xFF) != 0 ? object->rules : 0) + std::max(adds, 0);
            }
            return Check(result == expected, "SetRulesXML");
        }
        case 6:
        case 7: {
            const int result = op == 6 ? GetRules(id, key, array) : ParseRules(id, key, array);
            if (array == nullptr) {
                return Check(result == -2, "rules without an array");
            }
            const bool emptied = op == 6 && result != -1 && result != 1;
            return Check(result == expected && array->size == (result == 1 ? object->rules
                                                               : emptied   ? 0
                                                                           : held),
                         "GetRules or ParseRules");
        }
        case 8: {
            if (slot == 3) {
                return Check(GetAllNamespaces(id, key, nullptr) == -2, "GetAllNamespaces, no tree");
            }
            FreeNamespace(&m_trees[slot]);
            m_trees[slot] = nullptr;
            const int result = GetAllNamespaces(id, key, &m_trees[slot]);
            const intptr_t count = m_trees[slot]->children.size;
            return Check(result == expected &&
                             (result == 1 ? object->namespaces < 0 || count == object->namespaces
                                          : count == 0),
                         "GetAllNamespaces");
        }
        case 9: {
            const std::u16string text = Take(GetRulesXML(id, key));
            if (where != 3) {
                return Check(text == (where == 0 ? u"-1" : u"-2"), "GetRulesXML code");
            }
            // The text joins the pool: one source's rules handed to another.
            if (object->rules >= 2000) {
            } else if (m_rulesTexts.size() < 10) {
                m_rulesTexts.emplace_back(text, object->rules);
            } else {
                m_rulesTexts[6 + m_choices.Below(4)] = {text, object->rules};
            }
            return Check(RuleLines(text) == object->rules, "GetRulesXML rule lines");
        }
        case 10:
            return Check(FreeRules(array) == (array == nullptr ? -1 : 1) &&
                             (array == nullptr || (array->size == 0 && array->data == nullptr)),
                         "FreeRules");
        default: {
            if (slot == 3) {
                return Check(FreeNamespace(nullptr) == -1, "FreeNamespace, no address");
            }
            const bool holds = m_trees[slot] != nullptr;
            const int result = FreeNamespace(&m_trees[slot]);
            m_trees[slot] = nullptr;  // the library leaves the host's pointer dangling
            return Check(result == (holds ? 1 : -2), "FreeNamespace");
        }
    }
}

bool HostDriver::Finish() {
    return RemoveAll() &&
           Check(zev::GetRegisteredObjectCount() == 0, "zev objects alive at the end");
}

}  // namespace olvane_fuzz
