// terminal_win32.cpp - whether standard error is a console.
#include <io.h>

#include <cstdio>

#include "terminal.h"

namespace olvane_host {

bool StandardErrorIsTerminal() {
    return ::_isatty(::_fileno(stderr)) != 0;
}

}  // namespace olvane_host
