// run.cpp - the whole program behind main, callable with any streams.
#include "run.h"

#include <new>

#include "host_scene.h"

namespace olvane_host {

void ReportError(Io& io, const std::string& what, const std::string& reason) {
    io.err << "olvane-host: " << what << ": " << reason << '\n';
}

int Run(const std::vector<std::string>& args, Io& io) {
    const ParsedArguments parsed = ParseArguments(args);
    const Options& options = parsed.options;
    if (options.help) {
        io.out << HelpText(options.command);
        return kExitOk;
    }
    if (!parsed.error.empty()) {
        io.err << "olvane-host: " << parsed.error << "\n\n" << HelpText(options.command);
        return kExitUsage;
    }
    // A bare --plugin name means a file here, not a search of the library path; only the default
    // falls back to the installed library by its SONAME.
    const std::string path = options.plugin.empty()                          ? DefaultPluginPath()
                             : options.plugin.find('/') == std::string::npos ? "./" + options.plugin
                                                                             : options.plugin;
    Plugin plugin;
    std::string error;
    if (!plugin.Load(path, error)) {
        ReportError(io, path, "cannot use the plug-in: " + error);
        return kExitPlugin;
    }
    try {
        switch (options.command) {
            case Command::kShow:
                return RunShow(options, plugin.Api(), io);
            case Command::kApply:
                return RunApply(options, plugin.Api(), io);
            default:
                return RunEdit(options, plugin.Api(), io);
        }
    } catch (const PluginError& e) {
        ReportError(io, path, std::string("the plug-in broke its contract: ") + e.what());
    } catch (const std::bad_alloc&) {
        ReportError(io, path, "out of memory");
    }
    return kExitPlugin;
}

}  // namespace olvane_host
