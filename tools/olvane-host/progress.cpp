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
    : m_io(io), m_active(io.progress && total > 1), m_total(total) {}

void Progress::Step(size_t index, const std::string& name) {
    const Clock::time_point now = Clock::now();
    if (!m_active || (m_shown && now - m_drawn < std::chrono::milliseconds(100))) {
        return;
    }
    m_drawn = now;
    m_io.err << "\r\033[K[" << index << '/' << m_total << "] ";
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    if (index > 0 && seconds > 0) {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%.1f files/s  ", static_cast<double>(index) / seconds);
        m_io.err << rate;
    }
    m_io.err << EscapeControls(Tail(name)) << std::flush;
    m_shown = true;
}

void Progress::Clear() {
    if (m_shown) {
        m_io.err << "\r\033[K" << std::flush;
        m_shown = false;
    }
}

void Progress::Count(FileOutcome outcome) {
    ++m_counts[static_cast<size_t>(outcome)];
}

void Progress::Summary() {
    Clear();
    if (m_total < 2) {
        return;
    }
    const size_t unreadable = m_counts[static_cast<size_t>(FileOutcome::kUnreadable)];
    const size_t failed = m_counts[static_cast<size_t>(FileOutcome::kFailed)];
    m_io.err << "olvane-host: " << m_total << " files, packets found: "
             << m_counts[static_cast<size_t>(FileOutcome::kRead)] + unreadable
             << ", unreadable: " << unreadable
             << ", without a packet: " << m_counts[static_cast<size_t>(FileOutcome::kNoPacket)];
    if (failed > 0) {
        m_io.err << ", not read: " << failed;
    }
    m_io.err << '\n';
}

}  // namespace olvane_host
