// main.cpp - olvane-host, the reference host of the plug-in.
#include <iostream>

#include "arguments.h"
#include "run.h"
#include "terminal.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args = olvane_host::CommandLineArguments(argc, argv);
    olvane_host::Io io{std::cout, std::cerr, olvane_host::StandardErrorIsTerminal()};
    const int status = olvane_host::Run(args, io);
    std::cout.flush();
    return std::cout.good() ? status : olvane_host::kExitUnreadable;
}
