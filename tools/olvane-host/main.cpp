// main.cpp - olvane-host, the reference host of the plug-in.
#include <unistd.h>

#include <iostream>

#include "run.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    olvane_host::Io io{std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1};
    const int status = olvane_host::Run(args, io);
    std::cout.flush();
    return std::cout.good() ? status : olvane_host::kExitUnreadable;
}
