// main.cpp - olvane-host, the reference host of the plug-in.
#include <iostream>

#include "run.h"
#include "terminal.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    olvane_host::Io io{std::cout, std::cerr, olvane_host::StandardErrorIsTerminal()};
    const int status = olvane_host::Run(args, io);
    std::cout.flush();
    return std::cout.good() ? status : olvane_host::kExitUnreadable;
}
