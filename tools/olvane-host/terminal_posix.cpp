// terminal_posix.cpp - whether standard error is a terminal, with isatty.
#include <unistd.h>

#include "terminal.h"

namespace olvane_host {

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace olvane_host
