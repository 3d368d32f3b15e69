// cli.cpp - the command line of olvane-host: its commands, options and help texts.
#include "cli.h"

#include <algorithm>
#include <set>

namespace olvane_host {

namespace {

Command CommandNamed(std::string_view name) {
    if (name == "show") {
        return Command::kShow;
    }
    if (name == "apply") {
        return Command::kApply;
    }
    if (name == "edit") {
        return Command::kEdit;
    }
    return Command::kNone;
}

std::string_view CommandName(Command command) {
    switch (command) {
        case Command::kShow:
            return "show";
        case Command::kApply:
            return "apply";
        case Command::kEdit:
            return "edit";
        default:
            return "";
    }
}

std::string CheckComplete(const Options& o) {
    const std::string name(CommandName(o.command));
    if (o.command == Command::kNone) {
        return "no command given (show, apply or edit)";
    }
    if (o.command == Command::kShow && (!o.rules.empty() || !o.templates.empty())) {
        return "show: --rules and --template are options of apply and edit";
    }
    if (o.command == Command::kEdit && o.json) {
        return "edit: --json is an option of show and apply";
    }
    if (o.command != Command::kShow && o.verbose) {
        return name + ": --verbose is an option of show";
    }
    if ((o.command == Command::kApply || o.command == Command::kEdit) && o.rules.empty()) {
        return name + ": --rules RULES.xml is required";
    }
    if (o.files.empty()) {
        return name + ": no input file given";
    }
    if (o.command == Command::kEdit && o.files.size() != 1) {
        return "edit: exactly one input file is needed";
    }
    if (std::count(o.files.begin(), o.files.end(), "-") > 1) {
        return name + ": standard input (-) can be read only once";
    }
    std::set<std::string_view> keys;
    for (const TemplateSpec& t : o.templates) {
        if (t.key == kPacketKey) {
            return "--template: the key " + t.key + " is reserved for the packet";
        }
        if (!keys.insert(t.key).second) {
            return "--template: the key " + t.key + " is given twice";
        }
    }
    return {};
}

}  // namespace

bool ParseTemplate(std::string_view text, TemplateSpec& out, std::string& error) {
    const size_t first = text.find('=');
    if (first == std::string_view::npos) {
        error = "--template " + std::string(text) + ": expected KEY=NAME[=VALUE]";
        return false;
    }
    if (first == 0) {
        error = "--template " + std::string(text) + ": the key is empty";
        return false;
    }
    out.key = text.substr(0, first);
    const std::string_view rest = text.substr(first + 1);
    const size_t second = rest.find('=');
    out.name = rest.substr(0, second);
    out.value =
        second == std::string_view::npos ? std::string() : std::string(rest.substr(second + 1));
    return true;
}

ParsedArguments ParseArguments(const std::vector<std::string>& args) {
    ParsedArguments result;
    Options& o = result.options;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            if (o.command == Command::kNone) {
                o.command = CommandNamed(arg);
                if (o.command == Command::kNone) {
                    result.error = "unknown command '" + arg + "' (show, apply or edit)";
                    return result;
                }
            } else {
                o.files.push_back(arg);
            }
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            return result;
        }
        // --name VALUE or --name=VALUE
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const bool takesValue = name == "--plugin" || name == "--rules" || name == "--template";
        if (name != "--json" && name != "--verbose" && !takesValue) {
            result.error = "unknown option '" + arg + "'";
            return result;
        }
        if (!takesValue) {
            if (eq != std::string::npos) {
                result.error = name + " takes no value";
                return result;
            }
            (name == "--json" ? o.json : o.verbose) = true;
            continue;
        }
        std::string value;
        if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            result.error = name + " needs a value";
            return result;
        }
        if (value.empty()) {
            result.error = name + " needs a non-empty value";
            return result;
        }
        if (name == "--plugin") {
            o.plugin = value;
        } else if (name == "--rules") {
            if (!o.rules.empty()) {
                result.error = "--rules is given twice";
                return result;
            }
            o.rules = value;
        } else {
            TemplateSpec text;
            if (!ParseTemplate(value, text, result.error)) {
                return result;
            }
            o.templates.push_back(std::move(text));
        }
    }
    result.error = CheckComplete(o);
    return result;
}

std::string HelpText(Command command) {
    switch (command) {
        case Command::kShow:
            return R"(Usage: olvane-host show [--json] [--verbose] [--plugin PATH] FILE...

Prints the namespaces and values the plug-in reads from each file's XMP packet:
which packet was taken, the namespace prefixes with their URIs, then one row per
value. With --json, one JSON object per file and line. With --verbose, also
every packet a scan of the file finds, with its offset.

FILE is an XMP sidecar, - for standard input, or any file that embeds an XMP
packet. JPEG (with extended XMP), TIFF, PNG, AVI/WAV, MP4/MOV and PDF are read
where their format keeps the packet; other files are scanned and the last
complete packet is taken.

Exit status: 0 every packet was read, 2 usage error, 3 a file could not be
read, holds no packet or the plug-in could not read its packet, 4 the plug-in
could not be used.
)";
        case Command::kApply:
            return R"(Usage: olvane-host apply --rules RULES.xml [--template KEY=NAME[=VALUE]]...
                         [--json] [--plugin PATH] FILE...

Sets up a scene with the templates as destinations, hands over each file's
packet and the rules, and carries the evaluated rules out in order: a push
writes the value into its template, a check compares the value with a string,
a template's current value or a comma-separated list (items trimmed). A tag
without a value fails. Prints each rule's outcome and the final template
values; with --json one JSON object per file and line.

Exit status: 0 every validation rule passed, 1 a validation rule failed,
2 usage error, 3 an input could not be read (the plug-in could not read a
packet, among others), 4 the plug-in could not be used.
)";
        case Command::kEdit:
            return R"(Usage: olvane-host edit --rules RULES.xml [--template KEY=NAME[=VALUE]]...
                        [--plugin PATH] FILE

Opens the plug-in's rules editor on the file's packet, with the rules from
RULES.xml (a missing or empty file starts with no rules). When the editor has
changed the rules, RULES.xml is replaced atomically; otherwise (cancel, or OK
without a change) it is left as it was.
)";
        default:
            return R"(Usage: olvane-host [--plugin PATH] COMMAND [OPTIONS] FILE...

Commands:
  show    print the namespaces and values of each file's XMP packet
  apply   carry out a rules file on each file's packet, as a host does
  edit    edit a rules file in the plug-in's editor

Options:
  --plugin PATH   the plug-in to load (default: libolvane.so beside this program, else the installed one)
  --help          this text; 'olvane-host COMMAND --help' for a command

Exit status: 0 success, 1 a validation rule failed, 2 usage error,
3 an input could not be read or written, 4 the plug-in could not be used.
)";
    }
}

}  // namespace olvane_host
