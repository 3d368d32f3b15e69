// arguments_posix.cpp - argv as it is.
#include "arguments.h"

namespace olvane_host {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace olvane_host
