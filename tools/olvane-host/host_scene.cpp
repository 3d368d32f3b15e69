// host_scene.cpp - one scene of the plug-in as the host sees it, with the records copied out.
#include "host_scene.h"

#include <algorithm>

#include "stdout_capture.h"
#include "text.h"

namespace olvane_host {

namespace {

const std::string kKey(kPacketKey);

[[noreturn]] void Unexpected(const char* call, int code) {
    throw PluginError(std::string(call) + " returned " + std::to_string(code));
}

}  // namespace

HostScene::HostScene(const PluginApi& api) : m_api(api), m_id(api.AddScene()) {}

HostScene::~HostScene() {
    m_api.DelScene(m_id);
}

std::string HostScene::Text(BSTR text) const {
    if (text == nullptr) {
        return {};
    }
    return Utf16ToUtf8(std::u16string_view(text, m_api.SysStringLen(text)));
}

void HostScene::AddTemplate(const TemplateSpec& text) {
    // The host data is the host's own; the plug-in never reads it.
    const int code = m_api.AddDestination(m_id, text.name.c_str(), text.key.c_str(), 0);
    if (code != 1) {
        Unexpected("AddDestination", code);
    }
}

template <typename Call>
int HostScene::Captured(Call call) {
    StdoutCapture capture;
    const int code = call();
    const std::string printed = capture.Finish();
    if (!printed.empty()) {
        m_warnings.push_back("plug-in: " + printed);
    }
    return code;
}

void HostScene::SetPacket(const std::string& packet, const std::string& name) {
    const size_t before = m_warnings.size();
    const int code = Captured(
        [&] { return m_api.SetMetaData(m_id, packet.c_str(), kKey.c_str(), name.c_str()); });
    m_packetUnreadable = m_warnings.size() > before;
    if (code != 1) {
        Unexpected("SetMetaData", code);
    }
}

void HostScene::SetRulesXml(const std::u16string& xml) {
    BSTR text = m_api.SysAllocStringLen(xml.data(), static_cast<unsigned int>(xml.size()));
    const int code = Captured([&] { return m_api.SetRulesXML(m_id, kKey.c_str(), text, 0); });
    if (code == -1) {
        m_api.SysFreeString(text);  // on "no scene" the text stays ours
    }
    if (code != 1) {
        Unexpected("SetRulesXML", code);
    }
}

std::u16string HostScene::RulesXml() {
    BSTR text = m_api.GetRulesXML(m_id, kKey.c_str());
    std::u16string result =
        text == nullptr ? std::u16string() : std::u16string(text, m_api.SysStringLen(text));
    m_api.SysFreeString(text);
    if (result == u"-1" || result == u"-2") {
        throw PluginError("GetRulesXML returned " + Utf16ToUtf8(result));
    }
    return result;
}

std::vector<RuleRecord> HostScene::Fetch(decltype(&::GetRules) call, const char* what) {
    OlvaneRuleArray array{};
    const int code = call(m_id, kKey.c_str(), &array);
    std::vector<RuleRecord> records;
    if (code == 1 && (array.size < 0 || (array.size > 0 && array.data == nullptr))) {
        m_api.FreeRules(&array);
        throw PluginError(std::string(what) + " returned a malformed array");
    }
    if (code == 1) {
        records.reserve(static_cast<size_t>(array.size));
        for (intptr_t i = 0; i < array.size; ++i) {
            const OlvaneRule* rule = array.data[i];
            RuleRecord record;
            if (rule != nullptr) {
                record.type = rule->type;
                record.validation = rule->validation != 0;
                if (rule->args.size > 0) {
                    record.first = Text(rule->args.data[0]);
                }
                if (rule->args.size > 1) {
                    record.second = Text(rule->args.data[1]);
                }
            }
            records.push_back(std::move(record));
        }
    }
    m_api.FreeRules(&array);
    if (code != 1) {
        Unexpected(what, code);
    }
    return records;
}

std::vector<RuleRecord> HostScene::Rules() {
    return Fetch(m_api.GetRules, "GetRules");
}

std::vector<RuleRecord> HostScene::ParsedRules() {
    return Fetch(m_api.ParseRules, "ParseRules");
}

std::vector<NamespaceRecord> HostScene::Namespaces() {
    OlvaneNamespace* root = nullptr;
    const int code = m_api.GetAllNamespaces(m_id, kKey.c_str(), &root);
    std::vector<NamespaceRecord> result;
    if (code == 1 && root != nullptr) {
        const OlvaneNamespaceArray& children = root->children;
        if (children.size > 0 && children.data == nullptr) {
            m_api.FreeNamespace(&root);
            throw PluginError("GetAllNamespaces returned a malformed tree");
        }
        for (intptr_t i = 0; i < children.size; ++i) {
            const OlvaneNamespace* ns = children.data[i];
            if (ns == nullptr) {
                continue;
            }
            NamespaceRecord record{Text(ns->prefix), Text(ns->ns_uri), {}};
            const OlvaneBstrMap& map = ns->values;
            for (uint32_t b = 0; map.table != nullptr && b < map.table_size; ++b) {
                for (const OlvaneMapEntry* e = map.table[b]; e != nullptr; e = e->next) {
                    record.values.emplace_back(Text(e->key), Text(e->value));
                }
            }
            std::sort(record.values.begin(), record.values.end());
            result.push_back(std::move(record));
        }
    }
    if (root != nullptr) {
        m_api.FreeNamespace(&root);
    }
    if (code != 1) {
        Unexpected("GetAllNamespaces", code);
    }
    return result;
}

void HostScene::RunEditor() {
    const int code = m_api.SetRulesDialog(m_id, kKey.c_str());
    if (code != 1) {
        Unexpected("SetRulesDialog", code);
    }
}

}  // namespace olvane_host
