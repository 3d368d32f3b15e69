// cli.h - the command line of olvane-host: its commands, options and help texts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace olvane_host {

enum class Command { kNone, kShow, kApply, kEdit };

// The key under which the packet is stored in each scene; no template may use it.
inline constexpr std::string_view kPacketKey = "olvane-host.packet";

// One --template KEY=NAME[=VALUE]: a destination of the scene and its value before any push.
struct TemplateSpec {
    std::string key;
    std::string name;
    std::string value;
};

struct Options {
    Command command = Command::kNone;
    bool help = false;  // print the help of command (or the general help) and stop
    bool json = false;
    bool verbose = false;  // show: list every packet a scan finds
    std::string plugin;    // empty: libolvane.so beside the program
    std::string rules;
    std::vector<TemplateSpec> templates;
    std::vector<std::string> files;
};

struct ParsedArguments {
    Options options;
    std::string error;  // a usage error when not empty
};

// Parses the arguments after the program name.
ParsedArguments ParseArguments(const std::vector<std::string>& args);

// Splits KEY=NAME[=VALUE]; the value may itself hold '='. False with a reason on a malformed text.
bool ParseTemplate(std::string_view text, TemplateSpec& out, std::string& error);

// The help of a command, or the general help for Command::kNone.
std::string HelpText(Command command);

}  // namespace olvane_host
