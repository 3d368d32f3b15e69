// edit.cpp - the edit command: the plug-in's editor on a packet, its result saved to the rules
// file.
#include "atomic_write.h"
#include "commands.h"
#include "host_scene.h"
#include "input_files.h"
#include "rules_file.h"
#include "text.h"

namespace olvane_host {

int RunEdit(const Options& options, const PluginApi& api, Io& io) {
    std::string bytes;
    std::string error;
    bool missing = false;
    // A rules file that does not exist yet is made on the first save.
    if (!ReadTextFile(options.rules, bytes, error, missing) && !missing) {
        ReportError(io, options.rules, error);
        return kExitUnreadable;
    }
    std::u16string rules;
    if (!DecodeRulesText(bytes, rules, error)) {
        ReportError(io, options.rules, error);
        return kExitUnreadable;
    }
    const std::string& file = options.files.front();
    const std::string name = DisplayName(file);
    PacketChoice choice;
    if (ReadPacket(file, false, choice, error) != ChoiceResult::kChosen) {
        ReportError(io, name, error);
        return kExitUnreadable;
    }

    HostScene scene(api);
    for (const TemplateSpec& t : options.templates) {
        scene.AddTemplate(t);
    }
    scene.SetPacket(choice.packet, name);
    if (!rules.empty()) {
        scene.SetRulesXml(rules);
    }
    // An unreadable packet still lets the operator edit the rules; the tag tree is then empty.
    for (const std::string& warning : choice.notes) {
        ReportError(io, name, warning);
    }
    for (const std::string& warning : scene.Warnings()) {
        ReportError(io, name, warning);
    }
    if (!rules.empty()) {
        // Saving over a file the plug-in could not read would lose its rules.
        if (scene.Rules().empty() && LooksUnread(rules)) {
            ReportError(
                io, options.rules,
                "no rule could be read (is it a well-formed rules document?); not editing it");
            return kExitUnreadable;
        }
    }
    // The editor does not say whether it closed with OK or cancel; a change of the rules does.
    const std::u16string before = scene.RulesXml();
    scene.RunEditor();
    const std::u16string after = scene.RulesXml();
    if (after == before) {
        io.out << options.rules << ": unchanged\n";
        return kExitOk;
    }
    if (!WriteFileAtomically(options.rules, Utf16ToUtf8(after), error)) {
        ReportError(io, options.rules, error);
        return kExitUnreadable;
    }
    io.out << options.rules << ": saved " << scene.Rules().size() << " rules\n";
    return kExitOk;
}

}  // namespace olvane_host
