// packet_report.cpp - what show and apply share about each file: its packet, warnings and counts.
#include "packet_report.h"

#include "input_files.h"

namespace olvane_host {

FileInput::FileInput(const std::string& path, const Options& options, Io& io, Progress& progress)
    : m_path(path), m_name(DisplayName(path)), m_options(options), m_io(io), m_progress(progress) {}

bool FileInput::Read() {
    std::string error;
    const ChoiceResult result = ReadPacket(m_path, m_options.verbose, m_choice, error);
    if (result == ChoiceResult::kChosen) {
        return true;
    }
    m_progress.Clear();
    m_progress.Count(result == ChoiceResult::kNoPacket ? FileOutcome::kNoPacket
                                                       : FileOutcome::kFailed);
    ReportError(m_io, m_name, error);
    if (m_options.json) {
        m_io.out << Dump({{"file", m_name}, {"error", error}, {"warnings", m_choice.notes}})
                 << '\n';
    } else {
        for (const std::string& note : m_choice.notes) {
            ReportError(m_io, m_name, note);
        }
    }
    return false;
}

std::vector<std::string> FileInput::Warnings(const HostScene& scene) const {
    std::vector<std::string> warnings = m_choice.notes;
    warnings.insert(warnings.end(), scene.Warnings().begin(), scene.Warnings().end());
    return warnings;
}

int FileInput::Report(const HostScene& scene) {
    m_progress.Clear();
    m_progress.Count(scene.PacketUnreadable() ? FileOutcome::kUnreadable : FileOutcome::kRead);
    if (!m_options.json) {
        for (const std::string& warning : Warnings(scene)) {
            ReportError(m_io, m_name, warning);
        }
    }
    return scene.PacketUnreadable() ? kExitUnreadable : kExitOk;
}

nlohmann::ordered_json FileInput::JsonStart(const HostScene& scene) const {
    return {
        {"file", m_name},
        {"packet",
         {{"from", m_choice.from}, {"offset", m_choice.offset}, {"size", m_choice.packet.size()}}},
        {"status", scene.PacketUnreadable() ? "unreadable" : "read"},
        {"warnings", Warnings(scene)}};
}

std::string Dump(const nlohmann::ordered_json& json) {
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace olvane_host
