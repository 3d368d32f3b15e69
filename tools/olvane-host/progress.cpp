// progress.cpp - the progress line of a run over many files, and its summary.
#include "progress.h"

#include <cstdio>

#include "text.h"

namespace olvane_host {

namespace {

constexpr size_t kNameWidth = 50;

// The end of a long path is the part that tells files apart.
std::string Tail(const std::string& name) {
    if (DisplayWidth(name) <= kNameWidth) {
        return name;
    }
    size_t at = name.size();
    for (size_t kept = 0; at > 0 && kept < kNameWidth - 3;) {
        --at;
        if ((static_cast<unsigned char>(name[at]) & 0xC0) != 0x80) {
            ++kept;
        }
    }
    return "..." + name.substr(at);
}

}  // namespace

Progress::Progress(Io& io, size_t total)
    : io_(io), active_(io.progress && total > 1), total_(total) {}

void Progress::Step(size_t index, const std::string& name) {
    const Clock::time_point now = Clock::now();
    if (!active_ || (shown_ && now - drawn_ < std::chrono::milliseconds(100))) {
        return;
    }
    drawn_ = now;
    io_.err << "\r\033[K[" << index << '/' << total_ << "] ";
    const double seconds = std::chrono::duration<double>(now - start_).count();
    if (index > 0 && seconds > 0) {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%.1f files/s  ", static_cast<double>(index) / seconds);
        io_.err << rate;
    }
    io_.err << EscapeControls(Tail(name)) << std::flush;
    shown_ = true;
}

void Progress::Clear() {
    if (shown_) {
        io_.err << "\r\033[K" << std::flush;
        shown_ = false;
    }
}

void Progress::Count(FileOutcome outcome) {
    ++counts_[static_cast<size_t>(outcome)];
}

void Progress::Summary() {
    Clear();
    if (total_ < 2) {
        return;
    }
    const size_t unreadable = counts_[static_cast<size_t>(FileOutcome::kUnreadable)];
    const size_t failed = counts_[static_cast<size_t>(FileOutcome::kFailed)];
    io_.err << "olvane-host: " << total_ << " files, packets found: "
            << counts_[static_cast<size_t>(FileOutcome::kRead)] + unreadable
            << ", unreadable: " << unreadable
            << ", without a packet: " << counts_[static_cast<size_t>(FileOutcome::kNoPacket)];
    if (failed > 0) {
        io_.err << ", not read: " << failed;
    }
    io_.err << '\n';
}

}  // namespace olvane_host
