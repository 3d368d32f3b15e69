// commands.h - the three commands and what they share: exit codes, output streams, messages.
#pragma once

#include <ostream>
#include <string>

#include "cli.h"
#include "plugin.h"

namespace olvane_host {

enum ExitCode : int {
    kExitOk = 0,
    kExitValidationFailed = 1,
    kExitUsage = 2,
    kExitUnreadable = 3,  // an input could not be read, or the rules file not written
    kExitPlugin = 4,      // the plug-in could not be loaded or answered out of contract
};

struct Io {
    std::ostream& out;
    std::ostream& err;
    bool progress = false;  // whether standard error is a terminal that shows a progress line
};

// "olvane-host: WHAT: reason" on standard error.
void ReportError(Io& io, const std::string& what, const std::string& reason);

int RunShow(const Options& options, const PluginApi& api, Io& io);
int RunApply(const Options& options, const PluginApi& api, Io& io);
int RunEdit(const Options& options, const PluginApi& api, Io& io);

}  // namespace olvane_host
