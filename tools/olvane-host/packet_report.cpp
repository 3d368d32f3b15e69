// packet_report.cpp - what show and apply share about each file: its packet, warnings and counts.
#include "packet_report.h"

#include "input_files.h"

namespace olvane_host {

FileInput::FileInput(const std::string& path, const Options& options, Io& io, Progress& progress)
    : path_(path), name_(DisplayName(path)), options_(options), io_(io), progress_(progress) {}

bool FileInput::Read() {
    std::string error;
    const ChoiceResult result = ReadPacket(path_, options_.verbose, choice_, error);
    if (result == ChoiceResult::kChosen) {
        return true;
    }
    progress_.Clear();
    progress_.Count(result == ChoiceResult::kNoPacket ? FileOutcome::kNoPacket
                                                      : FileOutcome::kFailed);
    ReportError(io_, name_, error);
    if (options_.json) {
        io_.out << Dump({{"file", name_}, {"error", error}, {"warnings", choice_.notes}}) << '\n';
    } else {
        for (const std::string& note : choice_.notes) {
            ReportError(io_, name_, note);
        }
    }
    return false;
}

std::vector<std::string> FileInput::Warnings(const HostScene& scene) const {
    std::vector<std::string> warnings = choice_.notes;
    warnings.insert(warnings.end(), scene.Warnings().begin(), scene.Warnings().end());
    return warnings;
}

int FileInput::Report(const HostScene& scene) {
    progress_.Clear();
    progress_.Count(scene.PacketUnreadable() ? FileOutcome::kUnreadable : FileOutcome::kRead);
    if (!options_.json) {
        for (const std::string& warning : Warnings(scene)) {
            ReportError(io_, name_, warning);
        }
    }
    return scene.PacketUnreadable() ? kExitUnreadable : kExitOk;
}

nlohmann::ordered_json FileInput::JsonStart(const HostScene& scene) const {
    return {{"file", name_},
            {"packet",
             {{"from", choice_.from}, {"offset", choice_.offset}, {"size", choice_.packet.size()}}},
            {"status", scene.PacketUnreadable() ? "unreadable" : "read"},
            {"warnings", Warnings(scene)}};
}

std::string Dump(const nlohmann::ordered_json& json) {
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace olvane_host
