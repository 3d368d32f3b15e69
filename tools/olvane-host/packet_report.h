// packet_report.h - what show and apply share about each file: its packet, warnings and counts.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "commands.h"
#include "host_scene.h"
#include "packet_choice.h"
#include "progress.h"

namespace olvane_host {

// One input file of a run: its packet read (or not), then handed to the plug-in by the command.
class FileInput {
  public:
    FileInput(const std::string& path, const Options& options, Io& io, Progress& progress);

    // Reads the packet. On failure reports the reason (standard error, and a JSON line with
    // --json), counts it and returns false.
    bool Read();
    // After the plug-in has read the packet: counts the file; in the table form the warnings go to
    // standard error. Returns the exit status the file calls for (0 or kExitUnreadable).
    int Report(const HostScene& scene);
    // The object's first members: "file", "packet", "status", "warnings".
    nlohmann::ordered_json JsonStart(const HostScene& scene) const;

    const std::string& Name() const { return m_name; }
    const PacketChoice& Choice() const { return m_choice; }

  private:
    std::vector<std::string> Warnings(const HostScene& scene) const;

    const std::string& m_path;
    std::string m_name;
    const Options& m_options;
    Io& m_io;
    Progress& m_progress;
    PacketChoice m_choice;
};

// One JSON line's text; text that is not UTF-8 is replaced rather than refused.
std::string Dump(const nlohmann::ordered_json& json);

}  // namespace olvane_host
