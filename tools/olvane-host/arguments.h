// arguments.h - the command line as UTF-8 text.
#pragma once

#include <string>
#include <vector>

namespace olvane_host {

// The arguments after the program's name. On Windows they come from the wide command line, so
// that any file name arrives whole whatever the code page; elsewhere argv is UTF-8 already.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace olvane_host
