// host_scene.h - one scene of the plug-in as the host sees it, with the records copied out.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "cli.h"
#include "plugin.h"

namespace olvane_host {

// The plug-in answered with a code the host's calling order rules out.
class PluginError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A rule record copied out of the plug-in's array, text as UTF-8.
struct RuleRecord {
    int type = OLVANE_RULE_NONE;
    std::string first;   // the tag, or its value after ParseRules
    std::string second;  // destination key, string or list
    bool validation = false;
};

// A namespace record copied out of the plug-in's tree; values sorted by name, since the
// plug-in's map order carries no meaning.
struct NamespaceRecord {
    std::string prefix;
    std::string uri;
    std::vector<std::pair<std::string, std::string>> values;
};

// A scene made for one file and deleted with this object. The packet is stored under kPacketKey.
class HostScene {
  public:
    explicit HostScene(const PluginApi& api);
    HostScene(const HostScene&) = delete;
    HostScene& operator=(const HostScene&) = delete;
    ~HostScene();

    void AddTemplate(const TemplateSpec& text);
    // Hands the packet over; what the plug-in prints meanwhile is kept as a warning, and marks the
    // packet unreadable (its only message is that of a failed conversion).
    void SetPacket(const std::string& packet, const std::string& name);
    void SetRulesXml(const std::u16string& xml);
    std::u16string RulesXml();
    std::vector<RuleRecord> Rules();        // as stored
    std::vector<RuleRecord> ParsedRules();  // evaluated
    std::vector<NamespaceRecord> Namespaces();
    void RunEditor();

    // What the plug-in printed on standard output during the calls that parse text, one entry per
    // call, each "plug-in: " and the message.
    const std::vector<std::string>& Warnings() const { return m_warnings; }
    bool PacketUnreadable() const { return m_packetUnreadable; }

  private:
    template <typename Call>
    int Captured(Call call);

    std::vector<RuleRecord> Fetch(decltype(&::GetRules) call, const char* what);
    std::string Text(BSTR text) const;

    const PluginApi& m_api;
    int m_id;
    std::vector<std::string> m_warnings;
    bool m_packetUnreadable = false;
};

}  // namespace olvane_host
