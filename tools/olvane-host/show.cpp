// show.cpp - the show command: the namespaces and values the plug-in reads from each packet.
#include <nlohmann/json.hpp>

#include "commands.h"
#include "host_scene.h"
#include "input_files.h"
#include "table.h"
#include "text.h"

namespace olvane_host {

namespace {

void PrintTable(Io& io, const std::string& name, const std::vector<NamespaceRecord>& namespaces) {
    io.out << name << '\n';
    if (namespaces.empty()) {
        io.out << "  (no namespaces)\n";
        return;
    }
    Table uris;
    uris.Add({"prefix", "namespace"});
    Table values;
    values.Add({"tag", "value"});
    for (const NamespaceRecord& ns : namespaces) {
        uris.Add({ns.prefix, ns.uri});
        for (const auto& [key, value] : ns.values) {
            values.Add({ns.prefix + ":" + key, EscapeControls(value)});
        }
    }
    uris.Print(io.out, "  ");
    io.out << '\n';
    values.Print(io.out, "  ");
}

nlohmann::ordered_json ToJson(const std::string& name,
                              const std::vector<NamespaceRecord>& namespaces) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const NamespaceRecord& ns : namespaces) {
        nlohmann::ordered_json values = nlohmann::ordered_json::object();
        for (const auto& [key, value] : ns.values) {
            values[key] = value;
        }
        list.push_back({{"prefix", ns.prefix}, {"uri", ns.uri}, {"values", std::move(values)}});
    }
    return {{"file", name}, {"namespaces", std::move(list)}};
}

}  // namespace

int RunShow(const Options& options, const PluginApi& api, Io& io) {
    int status = kExitOk;
    bool printed = false;
    Progress progress(io, options.files.size());
    for (size_t i = 0; i < options.files.size(); ++i) {
        const std::string& file = options.files[i];
        const std::string name = DisplayName(file);
        progress.Step(i, name);
        std::string packet;
        std::string error;
        if (!ReadPacket(file, packet, error)) {
            progress.Clear();
            ReportError(io, name, error);
            if (options.json) {
                io.out << nlohmann::ordered_json{{"file", name}, {"error", error}}.dump(
                              -1, ' ', false, nlohmann::json::error_handler_t::replace)
                       << '\n';
            }
            status = kExitUnreadable;
            continue;
        }
        HostScene scene(api);
        scene.SetPacket(packet, name);
        const std::vector<NamespaceRecord> namespaces = scene.Namespaces();
        progress.Clear();
        if (options.json) {
            io.out << ToJson(name, namespaces)
                          .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                   << '\n';
        } else {
            if (printed) {
                io.out << '\n';
            }
            printed = true;
            PrintTable(io, name, namespaces);
        }
    }
    return status;
}

}  // namespace olvane_host
