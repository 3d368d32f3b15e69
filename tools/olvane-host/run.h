// run.h - the whole program behind main, callable with any streams.
#pragma once

#include <string>
#include <vector>

#include "commands.h"

namespace olvane_host {

// Parses args (without the program name), loads the plug-in and runs the command; returns the exit
// status.
int Run(const std::vector<std::string>& args, Io& io);

}  // namespace olvane_host
