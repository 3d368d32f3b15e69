// stdout_capture.h - what the plug-in prints on standard output, kept out of the host's output.
#pragma once

#include <string>

namespace olvane_host {

// The plug-in prints its conversion message on standard output, where the host's own output (a
// table, JSON lines) goes. While an object of this class lives, the process's standard output
// descriptor points to a temporary file; Finish (or the destructor, on any other way out) puts the
// real one back. If the swap cannot be made nothing is captured and output goes where it went.
// Not for nesting or threads: the descriptor is the process's.
class StdoutCapture {
  public:
    StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;
    ~StdoutCapture();

    // Restores standard output and returns what was written meanwhile (at most kMaxKept bytes).
    std::string Finish();

    static constexpr size_t kMaxKept = 1 << 16;

  private:
    int m_saved = -1;  // the real standard output, or -1 when it was closed
    int m_file = -1;   // the temporary file, or -1 when nothing is captured
    bool m_active = false;
};

}  // namespace olvane_host
