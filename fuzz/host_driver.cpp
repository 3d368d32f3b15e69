// host_driver.cpp - HostDriver: misuse of the exports, checked call by call against a model.
#include "fuzz/host_driver.h"

#include <climits>
#include <cstring>
#include <string_view>
#include <utility>

#include "host/host_test_peer.h"
#include "platform/codepage.h"
#include "zev/registry.h"

namespace olvane_fuzz {

uint32_t ByteChoices::Below(uint32_t bound) {
    uint32_t value = 0;
    for (uint32_t range = bound - 1; range != 0; range >>= 8) {
        value = value << 8 | (m_at < m_size ? m_data[m_at++] : 0);
    }
    return bound <= 1 ? 0 : value % bound;
}

std::string ByteChoices::Bytes(size_t max) {
    const size_t n = Below(static_cast<uint32_t>(max) + 1);
    const size_t take = n < m_size - m_at ? n : m_size - m_at;
    std::string out(reinterpret_cast<const char*>(m_data + m_at), take);
    m_at += take;
    return out;
}

uint32_t RandomChoices::Below(uint32_t bound) {
    return bound <= 1 ? 0 : static_cast<uint32_t>(m_engine() % bound);
}

std::string RandomChoices::Bytes(size_t max) {
    // Markup-like ASCII: random bytes would nearly always be invalid UTF-8, which the fuzz targets
    // cover, and each such packet prints the conversion message.
    static constexpr char kAlphabet[] = "<>/=\"' :abcdefxyz&#;";
    std::string out(Below(static_cast<uint32_t>(max) + 1), '\0');
    for (char& c : out) {
        c = kAlphabet[Below(sizeof kAlphabet - 1)];
    }
    return out;
}

namespace {

// Keys that collide on purpose: null and "" are one key; an invalid byte reads as U+FFFD, so the
// fifth and sixth are one key too; case matters.
struct Key {
    bool isNull;
    std::string text;
    const char* Arg() const { return isNull ? nullptr : text.c_str(); }
    std::u16string Wide() const { return isNull ? u"" : AnsiToWide(text.c_str()); }
};

const Key kKeys[] = {{true, ""},       {false, ""},
                     {false, "k1"},    {false, "K1"},
                     {false, "k\xC3"}, {false, "k\xEF\xBF\xBD"},
                     {false, "T1"},    {false, "clip/\xE2\x82\xAC a rather longer key"}};

const char* const kNames[] = {nullptr, "", "Headline",
                              "\xC3\x9cn\xC3\xAF"
                              "code",
                              "bad \xFF"};

struct Packet {
    std::string text;
    int namespaces;
};

std::string DeepPacket() {
    std::string text;
    for (int i = 0; i < 300; ++i) {
        text += "<a>";
    }
    for (int i = 0; i < 300; ++i) {
        text += "</a>";
    }
    return text;
}

const std::vector<Packet>& Packets() {
    static const std::vector<Packet> packets = {
        {"<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
         "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
         "xmlns:dc='http://purl.org/dc/elements/1.1/' xmlns:xmp='http://ns.adobe.com/xap/1.0/' "
         "xmp:Rating='3'><dc:title><rdf:Alt><rdf:li xml:lang='x-default'>Hello</rdf:li></rdf:Alt>"
         "</dc:title><dc:subject><rdf:Bag><rdf:li>a</rdf:li><rdf:li>b</rdf:li></rdf:Bag>"
         "</dc:subject><dc:format>video</dc:format></rdf:Description></rdf:RDF></x:xmpmeta>",
         2},
        {"", 0},
        {"-1", 0},
        {"<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF", 0},
        {"<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
         "xmlns:dc='http://purl.org/dc/elements/1.1/' xmlns:DC='urn:other:dc' dc:format='video'/>"
         "</rdf:RDF>",
         2},
        {DeepPacket(), 0},
        {"<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
         "xmlns:a='urn:a:1' xmlns:b='urn:b:2' xmlns:c='urn:c:3' a:x='1' b:y='2'><c:z>3</c:z>"
         "</rdf:Description></rdf:Description></rdf:RDF>",
         0},  // mismatched end tag: unreadable
        {"<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
         "xmlns:a='urn:a:1' xmlns:b='urn:b:2' xmlns:c='urn:c:3' a:x='1' b:y='2'><c:z>3</c:z>"
         "</rdf:Description></rdf:RDF>",
         3},
    };
    return packets;
}

std::u16string U(const char16_t* text) {
    return std::u16string(text);
}

std::u16string Dump(BSTR text) {
    return text == nullptr ? std::u16string() : std::u16string(text, SysStringLen(text));
}

// The number of rule lines in a rules text; -1 when it is not one.
int RuleLines(std::u16string_view text) {
    constexpr std::u16string_view head =
        u"<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<Pavex-MetaData-Rules>\n";
    constexpr std::u16string_view tail = u"</Pavex-MetaData-Rules>\n";
    if (text.size() < head.size() + tail.size() || text.substr(0, head.size()) != head ||
        text.substr(text.size() - tail.size()) != tail) {
        return -1;
    }
    int lines = 0;
    for (size_t at = head.size(); at < text.size() - tail.size();) {
        if (text.substr(at, 5) != u"<Data") {
            return -1;
        }
        ++lines;
        const size_t end = text.find(u"/>\n", at);
        if (end == std::u16string_view::npos) {
            return -1;
        }
        at = end + 3;
    }
    return lines;
}

}  // namespace

HostDriver::HostDriver(IChoices& choices, std::vector<std::string> packets, size_t maxLiveScenes)
    : m_choices(choices), m_extraPackets(std::move(packets)), m_maxLive(maxLiveScenes) {
    const std::u16string head = u"<Pavex-MetaData-Rules>";
    const std::u16string tail = u"</Pavex-MetaData-Rules>";
    m_rulesTexts = {
        {head +
             U(u"<DataPush tag=\"http://purl.org/dc/elements/1.1/:format\" to=\"T1\" val=\"true\"/>"
               u"<DataIsOneOf tag=\"http://ns.adobe.com/xap/1.0/:Rating\" to=\"1,2,3\"/>"
               u"<DataContainsStr tag=\"urn:a:1:x\" to=\"a &amp; &lt;b&gt; &quot;c&quot;\"/>") +
             tail,
         3, true, true},
        {head + tail, 0, true, true},
        {U(u"<Other><DataPush tag=\"a\" to=\"b\" val=\"true\"/></Other>"), 0, true, false},
        {head + U(u"<DataPush tag=\"a\""), 0, false, true},
        {U(u"-1"), 0, false, true},
        {U(u""), 0, false, true},
        {head +
             U(u"<DataPush tag=\"t\" to=\"1\"/><DataEqualsStr tag=\"t\" to=\"2\"/>"
               u"<DataEqualsDest tag=\"t\" to=\"3\"/><DataNotEqualStr tag=\"t\" to=\"4\"/>"
               u"<DataNotEqualDest tag=\"t\" to=\"5\"/><DataContainsStr tag=\"t\" to=\"6\"/>"
               u"<DataContainsDest tag=\"t\" to=\"7\"/><DataWithoutStr tag=\"t\" to=\"8\"/>"
               u"<DataWithoutDest tag=\"t\" to=\"9\"/><DataIsOneOf tag=\"t\" to=\"10\"/>"
               u"<datapush tag=\"skipped\"/><Wrapper><DataPush tag=\"nested\"/></Wrapper>") +
             tail,
         10, true, true},
        {head + U(u"<DataPush tag=\"") + std::u16string(1, char16_t(0xD800)) + U(u"\" to=\"x\"/>") +
             tail,
         0, false, true},
    };
}

HostDriver::~HostDriver() {
    // A driver stopped at a mismatch still gives back what the host holds.
    for (OlvaneRuleArray& array : m_arrays) {
        FreeRules(&array);
    }
    for (OlvaneNamespace*& tree : m_trees) {
        if (tree != nullptr) {
            FreeNamespace(&tree);
            tree = nullptr;
        }
    }
}

bool HostDriver::Check(bool ok, const std::string& what) {
    if (!ok && m_failure.empty()) {
        m_failure = "call " + std::to_string(m_calls) + ": " + what;
    }
    return ok;
}

int HostDriver::PickScene() {
    const uint32_t kind = m_choices.Below(10);
    if (kind < 7 && !m_live.empty()) {
        auto it = m_live.begin();
        std::advance(it, m_choices.Below(static_cast<uint32_t>(m_live.size())));
        return it->first;
    }
    if (kind < 8 && !m_deleted.empty()) {
        return m_deleted[m_choices.Below(static_cast<uint32_t>(m_deleted.size()))];
    }
    // Never issued: the next ID and beyond, and IDs no scene can have.
    const int never[] = {
        HostTestPeer::NextSceneID(), HostTestPeer::NextSceneID() + 1, 0, -1, INT_MAX, INT_MIN};
    return never[m_choices.Below(6)];
}

HostDriver::Scene* HostDriver::Live(int id) {
    auto it = m_live.find(id);
    return it == m_live.end() ? nullptr : &it->second;
}

OlvaneRuleArray* HostDriver::PickArray() {
    const uint32_t which = m_choices.Below(4);
    return which == 3 ? nullptr : &m_arrays[which];
}

bool HostDriver::TouchRecords(const OlvaneRuleArray& records, int expectedSize) {
    if (!Check(records.size >= 0 && records.size <= records.capacity, "array size/capacity") ||
        (expectedSize >= 0 && !Check(records.size == expectedSize, "record count"))) {
        return false;
    }
    for (intptr_t i = 0; i < records.size; ++i) {
        const OlvaneRule* rule = records.data[i];
        if (!Check(rule != nullptr && rule->args.size == 2 && rule->reserved == 1 &&
                       rule->next == nullptr && rule->validation <= 1,
                   "record fields") ||
            !Check((rule->type >= 1 && rule->type <= 10) || rule->type == -1, "record type")) {
            return false;
        }
        for (intptr_t a = 0; a < rule->args.size; ++a) {
            volatile size_t length = SysStringLen(rule->args.data[a]);
            if (length > 0) {
                volatile char16_t last = rule->args.data[a][length - 1];
                (void)last;
            }
        }
    }
    return true;
}

bool HostDriver::TouchTree(const OlvaneNamespace* root) {
    if (root == nullptr) {
        return true;
    }
    if (!Check(root->prefix == nullptr && root->ns_uri == nullptr && root->values.count == 0,
               "root record")) {
        return false;
    }
    for (intptr_t i = 0; i < root->children.size; ++i) {
        const OlvaneNamespace* record = root->children.data[i];
        intptr_t seen = 0;
        for (uint32_t b = 0; record->values.table != nullptr && b < record->values.table_size;
             ++b) {
            for (const OlvaneMapEntry* e = record->values.table[b]; e != nullptr; e = e->next) {
                ++seen;
                if (!Check(
                        e->hash == static_cast<uint32_t>(reinterpret_cast<uintptr_t>(e->key) >> 4),
                        "map entry hash")) {
                    return false;
                }
                volatile size_t length = SysStringLen(e->key) + SysStringLen(e->value);
                (void)length;
            }
        }
        if (!Check(record->prefix != nullptr && record->ns_uri != nullptr &&
                       record->children.size == 0 && seen == record->values.count,
                   "namespace record")) {
            return false;
        }
    }
    return true;
}

bool HostDriver::DoAddScene() {
    if (m_live.size() >= m_maxLive) {
        return DoDelScene();
    }
    const int expected = HostTestPeer::NextSceneID();
    const int id = AddScene();
    if (!Check(id == expected && Live(id) == nullptr, "AddScene id")) {
        return false;
    }
    m_live[id];
    return true;
}

bool HostDriver::DoDelScene() {
    const int id = PickScene();
    const bool live = Live(id) != nullptr;
    if (!Check(DelScene(id) == (live ? 1 : -1), "DelScene result")) {
        return false;
    }
    if (live) {
        m_live.erase(id);
        m_deleted.push_back(id);
    }
    return true;
}

bool HostDriver::DoRemoveAllScenes() {
    RemoveAllScenes();
    for (const auto& [id, scene] : m_live) {
        m_deleted.push_back(id);
    }
    m_live.clear();
    return Check(HostTestPeer::SceneCount() == 0, "scenes left after RemoveAllScenes");
}

std::string HostDriver::PickKey() {
    const uint32_t pool = sizeof kKeys / sizeof kKeys[0];
    const uint32_t which = m_choices.Below(pool + 1);
    if (which < pool) {
        return (kKeys[which].isNull ? "N" : "S") + kKeys[which].text;
    }
    return "S" + m_choices.Bytes(12);
}

const char* HostDriver::KeyArg(const std::string& key) const {
    return key[0] == 'N' ? nullptr : key.c_str() + 1;
}

HostDriver::Object* HostDriver::Find(int id, const std::string& key) {
    Scene* scene = Live(id);
    if (scene == nullptr) {
        return nullptr;
    }
    const char* arg = KeyArg(key);
    auto it = scene->objects.find(arg == nullptr ? u"" : AnsiToWide(arg));
    return it == scene->objects.end() ? nullptr : &it->second;
}

bool HostDriver::DoAddDestination() {
    const int id = PickScene();
    const std::string key = PickKey();
    const char* name = kNames[m_choices.Below(sizeof kNames / sizeof kNames[0])];
    const int hostData = static_cast<int>(m_choices.Below(1000)) - 500;
    Scene* scene = Live(id);
    const bool existed = Find(id, key) != nullptr;
    const int result = AddDestination(id, name, KeyArg(key), hostData);
    if (scene == nullptr) {
        return Check(result == -1, "AddDestination without scene");
    }
    const char* arg = KeyArg(key);
    scene->objects[arg == nullptr ? u"" : AnsiToWide(arg)] = Object{0, 0, -1};
    return Check(result == (existed ? -3 : 1), "AddDestination result");
}

bool HostDriver::DoDelDestination() {
    const int id = PickScene();
    const std::string key = PickKey();
    Scene* scene = Live(id);
    const bool existed = Find(id, key) != nullptr;
    const int result = DelDestination(id, KeyArg(key));
    if (scene == nullptr) {
        return Check(result == -1, "DelDestination without scene");
    }
    if (existed) {
        const char* arg = KeyArg(key);
        scene->objects.erase(arg == nullptr ? u"" : AnsiToWide(arg));
    }
    return Check(result == (existed ? 1 : -2), "DelDestination result");
}

bool HostDriver::DoSetMetaData() {
    const int id = PickScene();
    const std::string key = PickKey();
    const char* name = kNames[m_choices.Below(sizeof kNames / sizeof kNames[0])];
    const std::vector<Packet>& own = Packets();
    const uint32_t which =
        m_choices.Below(static_cast<uint32_t>(own.size() + m_extraPackets.size() + 1));
    std::string packet;
    int namespaces = -1;
    if (which < own.size()) {
        packet = own[which].text;
        namespaces = own[which].namespaces;
    } else if (which < own.size() + m_extraPackets.size()) {
        packet = m_extraPackets[which - own.size()];
    } else {
        packet = m_choices.Bytes(200);
    }
    Scene* scene = Live(id);
    const Object* old = Find(id, key);
    const bool existed = old != nullptr;
    const int rules = old != nullptr && old->type == 1 ? old->rules : 0;
    const int result = SetMetaData(id, packet.c_str(), KeyArg(key), name);
    if (scene == nullptr) {
        return Check(result == -1, "SetMetaData without scene");
    }
    const char* arg = KeyArg(key);
    scene->objects[arg == nullptr ? u"" : AnsiToWide(arg)] = Object{1, rules, namespaces};
    return Check(result == (existed ? -3 : 1), "SetMetaData result");
}

bool HostDriver::DoSetRulesXML() {
    const int id = PickScene();
    const std::string key = PickKey();
    const RulesText& text =
        m_rulesTexts[m_choices.Below(static_cast<uint32_t>(m_rulesTexts.size()))];
    const int append = static_cast<int>(m_choices.Below(4)) * 0x100 + (m_choices.Below(2) ? 1 : 0);
    Scene* scene = Live(id);
    Object* object = Find(id, key);
    BSTR xml = SysAllocStringLen(text.text.data(), static_cast<unsigned int>(text.text.size()));
    const int result = SetRulesXML(id, KeyArg(key), xml, append);
    if (scene == nullptr) {
        SysFreeString(xml);  // a missing scene leaves the string with the host
        return Check(result == -1, "SetRulesXML without scene");
    }
    if (object == nullptr || object->type != 1) {
        return Check(result == -2, "SetRulesXML without source");
    }
    if (text.parses) {
        if ((append & 0xFF) == 0) {
            object->rules = text.rootOk ? text.rules : 0;
        } else if (text.rootOk) {
            object->rules += text.rules;
        }
    }
    return Check(result == 1, "SetRulesXML result");
}

bool HostDriver::DoGetRulesXML() {
    const int id = PickScene();
    const std::string key = PickKey();
    const Object* object = Find(id, key);
    const std::u16string text = [&] {
        BSTR b = GetRulesXML(id, KeyArg(key));
        std::u16string t = Dump(b);
        SysFreeString(b);
        return t;
    }();
    if (Live(id) == nullptr) {
        return Check(text == u"-1", "GetRulesXML without scene");
    }
    if (object == nullptr || object->type != 1) {
        return Check(text == u"-2", "GetRulesXML without source");
    }
    if (!Check(RuleLines(text) == object->rules, "GetRulesXML rule lines")) {
        return false;
    }
    // The text goes back into the pool: a source's own rules handed to another.
    if (m_rulesTexts.size() < 12 && object->rules < 2000) {
        m_rulesTexts.push_back({text, object->rules, true, true});
    } else if (object->rules < 2000) {
        m_rulesTexts[8 + m_choices.Below(4)] = {text, object->rules, true, true};
    }
    return true;
}

bool HostDriver::DoGetRules() {
    const int id = PickScene();
    const std::string key = PickKey();
    OlvaneRuleArray* array = PickArray();
    const Object* object = Find(id, key);
    const intptr_t before = array == nullptr ? 0 : array->size;
    const int result = GetRules(id, KeyArg(key), array);
    if (array == nullptr) {
        return Check(result == -2, "GetRules null array");
    }
    if (Live(id) == nullptr) {
        return Check(result == -1 && array->size == before, "GetRules without scene");
    }
    if (object == nullptr) {
        return Check(result == -2 && array->size == 0, "GetRules missing key");
    }
    if (object->type != 1) {
        return Check(result == -3 && array->size == 0, "GetRules destination");
    }
    if (!Check(result == 1, "GetRules result") || !TouchRecords(*array, object->rules)) {
        return false;
    }
    for (intptr_t i = 0; i < array->size; ++i) {
        if (!Check(array->data[i]->type != -1, "GetRules unresolved record")) {
            return false;
        }
    }
    return true;
}

bool HostDriver::DoParseRules() {
    const int id = PickScene();
    const std::string key = PickKey();
    OlvaneRuleArray* array = PickArray();
    const Object* object = Find(id, key);
    const intptr_t before = array == nullptr ? 0 : array->size;
    const int result = ParseRules(id, KeyArg(key), array);
    if (array == nullptr) {
        return Check(result == -2, "ParseRules null array");
    }
    if (Live(id) == nullptr) {
        return Check(result == -1 && array->size == before, "ParseRules without scene");
    }
    if (object == nullptr) {
        return Check(result == -2 && array->size == before, "ParseRules missing key");
    }
    if (object->type != 1) {
        return Check(result == -3 && array->size == before, "ParseRules destination");
    }
    return Check(result == 1, "ParseRules result") && TouchRecords(*array, object->rules);
}

bool HostDriver::DoFreeRules() {
    OlvaneRuleArray* array = PickArray();
    const int result = FreeRules(array);
    if (array == nullptr) {
        return Check(result == -1, "FreeRules null");
    }
    return Check(result == 1 && array->size == 0 && array->data == nullptr, "FreeRules result");
}

bool HostDriver::DoGetAllNamespaces() {
    const int id = PickScene();
    const std::string key = PickKey();
    const uint32_t slot = m_choices.Below(4);
    const Object* object = Find(id, key);
    if (slot == 3) {
        return Check(GetAllNamespaces(id, KeyArg(key), nullptr) == -2, "GetAllNamespaces null");
    }
    OlvaneNamespace*& tree = m_trees[slot];
    if (tree != nullptr && !Check(FreeNamespace(&tree) == 1, "FreeNamespace before reuse")) {
        return false;
    }
    tree = nullptr;
    const int result = GetAllNamespaces(id, KeyArg(key), &tree);
    if (!Check(tree != nullptr, "GetAllNamespaces root") || !TouchTree(tree)) {
        return false;
    }
    if (Live(id) == nullptr) {
        return Check(result == -1 && tree->children.size == 0, "GetAllNamespaces without scene");
    }
    if (object == nullptr) {
        return Check(result == -3 && tree->children.size == 0, "GetAllNamespaces missing key");
    }
    if (object->type != 1) {
        return Check(result == -4 && tree->children.size == 0, "GetAllNamespaces destination");
    }
    return Check(result == 1, "GetAllNamespaces result") &&
           Check(object->namespaces < 0 || tree->children.size == object->namespaces,
                 "namespace count");
}

bool HostDriver::DoFreeNamespace() {
    const uint32_t slot = m_choices.Below(4);
    if (slot == 3) {
        return Check(FreeNamespace(nullptr) == -1, "FreeNamespace null address");
    }
    OlvaneNamespace*& tree = m_trees[slot];
    const bool held = tree != nullptr;
    const int result = FreeNamespace(&tree);
    tree = nullptr;  // the library leaves the host's pointer dangling
    return Check(result == (held ? 1 : -2), "FreeNamespace result");
}

bool HostDriver::DoTouchHeld() {
    // Records and trees stay valid whatever happened to their scenes since.
    for (const OlvaneRuleArray& array : m_arrays) {
        if (!TouchRecords(array, -1)) {
            return false;
        }
    }
    for (const OlvaneNamespace* tree : m_trees) {
        if (!TouchTree(tree)) {
            return false;
        }
    }
    return true;
}

bool HostDriver::Step() {
    if (!m_failure.empty()) {
        return false;
    }
    ++m_calls;
    bool ok = true;
    if (m_choices.Below(500) == 0) {
        ok = DoRemoveAllScenes();
    } else {
        switch (m_choices.Below(16)) {
            case 0:
                ok = DoAddScene();
                break;
            case 1:
                ok = DoDelScene();
                break;
            case 2:
            case 3:
                ok = DoAddDestination();
                break;
            case 4:
                ok = DoDelDestination();
                break;
            case 5:
            case 6:
                ok = DoSetMetaData();
                break;
            case 7:
            case 8:
                ok = DoSetRulesXML();
                break;
            case 9:
                ok = DoGetRulesXML();
                break;
            case 10:
                ok = DoGetRules();
                break;
            case 11:
                ok = DoParseRules();
                break;
            case 12:
                ok = DoFreeRules();
                break;
            case 13:
                ok = DoGetAllNamespaces();
                break;
            case 14:
                ok = DoFreeNamespace();
                break;
            default:
                ok = DoTouchHeld();
                break;
        }
    }
    // No call leaves a parsed tree behind.
    return ok && Check(zev::GetRegisteredObjectCount() == 0, "zev objects alive after a call");
}

bool HostDriver::Finish() {
    for (OlvaneRuleArray& array : m_arrays) {
        if (!Check(FreeRules(&array) == 1 && array.size == 0 && array.data == nullptr,
                   "FreeRules at the end")) {
            return false;
        }
    }
    for (OlvaneNamespace*& tree : m_trees) {
        if (tree != nullptr && !Check(FreeNamespace(&tree) == 1, "FreeNamespace at the end")) {
            return false;
        }
        tree = nullptr;
    }
    std::vector<int> ids;
    for (const auto& [id, scene] : m_live) {
        ids.push_back(id);
    }
    if (!DoRemoveAllScenes()) {
        return false;
    }
    for (const int id : ids) {
        if (!Check(DelScene(id) == -1, "scene alive after RemoveAllScenes")) {
            return false;
        }
    }
    return Check(zev::GetRegisteredObjectCount() == 0, "zev objects alive at the end");
}

}  // namespace olvane_fuzz
