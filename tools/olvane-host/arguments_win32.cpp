// arguments_win32.cpp - the wide command line, split as the C runtime splits it, in UTF-8.
#include "arguments.h"
#include "win32_text.h"  // <windows.h>, which <shellapi.h> needs first

#include <shellapi.h>

namespace olvane_host {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv + 1, argv + argc);
    }
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) {
        args.push_back(Utf8FromWide(wide[i], -1));
        args.back().pop_back();  // the terminating NUL that a length of -1 converts too
    }
    ::LocalFree(wide);
    return args;
}

}  // namespace olvane_host
