// terminal.h - whether standard error is a terminal that shows a progress line.
#pragma once

namespace olvane_host {

bool StandardErrorIsTerminal();

}  // namespace olvane_host
