// stdout_capture_posix.cpp - standard output swapped for an unlinked temporary file with dup2.
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "stdout_capture.h"
#include "temporary_file_posix.h"

namespace olvane_host {

StdoutCapture::StdoutCapture() {
    const char* dir = std::getenv("TMPDIR");
    std::string name =
        std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/olvane-host-stdout.XXXXXX";
    m_file = ::mkstemp(name.data());
    if (m_file < 0) {
        return;
    }
    ::unlink(name.c_str());
    // What the host has written so far belongs to the real output.
    std::fflush(stdout);
    m_saved = ::dup(STDOUT_FILENO);
    if (m_saved < 0 && errno != EBADF) {
        ::close(m_file);
        m_file = -1;
        return;
    }
    if (::dup2(m_file, STDOUT_FILENO) < 0) {
        if (m_saved >= 0) {
            ::close(m_saved);
        }
        ::close(m_file);
        m_file = -1;
        return;
    }
    m_active = true;
}

StdoutCapture::~StdoutCapture() {
    Finish();
}

std::string StdoutCapture::Finish() {
    if (!m_active) {
        return {};
    }
    m_active = false;
    std::fflush(stdout);
    if (m_saved >= 0) {
        ::dup2(m_saved, STDOUT_FILENO);
        ::close(m_saved);
    } else {
        ::close(STDOUT_FILENO);  // it was closed before
    }
    std::string text(kMaxKept, '\0');
    ssize_t n = -1;
    do {
        n = ::pread(m_file, text.data(), text.size(), 0);
    } while (n < 0 && errno == EINTR);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    ::close(m_file);
    m_file = -1;
    return text;
}

}  // namespace olvane_host
