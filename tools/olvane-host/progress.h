// progress.h - the progress line of a run over many files, and its summary.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "commands.h"

namespace olvane_host {

enum class FileOutcome {
    kRead,        // a packet was found and the plug-in read it
    kUnreadable,  // a packet was found but the plug-in could not read it
    kNoPacket,
    kFailed,  // the file could not be read
};

// On a terminal, a line on standard error that is redrawn as files are handled (files done, of
// how many, the rate, the current file) and cleared before anything else is printed; never into
// redirected output. With more than one file, a summary line at the end.
class Progress {
  public:
    Progress(Io& io, size_t total);
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    ~Progress() { Clear(); }

    // Before handling the file at index; redrawn at most ten times a second.
    void Step(size_t index, const std::string& name);
    void Clear();
    void Count(FileOutcome outcome);
    // "olvane-host: N files, packets found: ..." on standard error when there was more than one
    // file.
    void Summary();

  private:
    using Clock = std::chrono::steady_clock;

    Io& m_io;
    bool m_active;
    size_t m_total;
    bool m_shown = false;
    Clock::time_point m_start = Clock::now();
    Clock::time_point m_drawn{};
    size_t m_counts[4] = {};
};

}  // namespace olvane_host
