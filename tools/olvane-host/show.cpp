// show.cpp - the show command: the namespaces and values the plug-in reads from each packet.
#include <nlohmann/json.hpp>

#include "commands.h"
#include "host_scene.h"
#include "packet_report.h"
#include "progress.h"
#include "table.h"
#include "text.h"

namespace olvane_host {

namespace {

std::string Where(uint64_t offset, uint64_t size) {
    return "at byte " + std::to_string(offset) + " (" + std::to_string(size) + " bytes)";
}

void PrintTable(Io& io, const FileInput& input, const HostScene& scene,
                const std::vector<NamespaceRecord>& namespaces, bool verbose) {
    const PacketChoice& choice = input.Choice();
    io.out << input.Name() << "\n  packet: " << choice.from << ", "
           << Where(choice.offset, choice.packet.size()) << '\n';
    if (verbose) {
        io.out << "  packets found by scanning: " << choice.listedCount << '\n';
        for (const PacketScanner::Span& span : choice.listed) {
            io.out << "    " << Where(span.offset, span.size) << '\n';
        }
    }
    if (scene.PacketUnreadable()) {
        io.out << "  packet unreadable\n";
        return;
    }
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

nlohmann::ordered_json ToJson(const FileInput& input, const HostScene& scene,
                              const std::vector<NamespaceRecord>& namespaces, bool verbose) {
    nlohmann::ordered_json json = input.JsonStart(scene);
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const NamespaceRecord& ns : namespaces) {
        nlohmann::ordered_json values = nlohmann::ordered_json::object();
        for (const auto& [key, value] : ns.values) {
            values[key] = value;
        }
        list.push_back({{"prefix", ns.prefix}, {"uri", ns.uri}, {"values", std::move(values)}});
    }
    json["namespaces"] = std::move(list);
    if (verbose) {
        nlohmann::ordered_json packets = nlohmann::ordered_json::array();
        for (const PacketScanner::Span& span : input.Choice().listed) {
            packets.push_back({{"offset", span.offset}, {"size", span.size}});
        }
        json["packets_found"] = input.Choice().listedCount;
        json["packets"] = std::move(packets);
    }
    return json;
}

}  // namespace

int RunShow(const Options& options, const PluginApi& api, Io& io) {
    int status = kExitOk;
    bool printed = false;
    Progress progress(io, options.files.size());
    for (size_t i = 0; i < options.files.size(); ++i) {
        FileInput input(options.files[i], options, io, progress);
        progress.Step(i, input.Name());
        if (!input.Read()) {
            status = kExitUnreadable;
            continue;
        }
        HostScene scene(api);
        scene.SetPacket(input.Choice().packet, input.Name());
        const std::vector<NamespaceRecord> namespaces = scene.Namespaces();
        if (input.Report(scene) != kExitOk) {
            status = kExitUnreadable;
        }
        if (options.json) {
            io.out << Dump(ToJson(input, scene, namespaces, options.verbose)) << '\n';
            continue;
        }
        if (printed) {
            io.out << '\n';
        }
        printed = true;
        PrintTable(io, input, scene, namespaces, options.verbose);
    }
    progress.Summary();
    return status;
}

}  // namespace olvane_host
