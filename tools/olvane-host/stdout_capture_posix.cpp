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
    file_ = ::mkstemp(name.data());
    if (file_ < 0) {
        return;
    }
    ::unlink(name.c_str());
    // What the host has written so far belongs to the real output.
    std::fflush(stdout);
    saved_ = ::dup(STDOUT_FILENO);
    if (saved_ < 0 && errno != EBADF) {
        ::close(file_);
        file_ = -1;
        return;
    }
    if (::dup2(file_, STDOUT_FILENO) < 0) {
        if (saved_ >= 0) {
            ::close(saved_);
        }
        ::close(file_);
        file_ = -1;
        return;
    }
    active_ = true;
}

StdoutCapture::~StdoutCapture() {
    Finish();
}

std::string StdoutCapture::Finish() {
    if (!active_) {
        return {};
    }
    active_ = false;
    std::fflush(stdout);
    if (saved_ >= 0) {
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
    } else {
        ::close(STDOUT_FILENO);  // it was closed before
    }
    std::string text(kMaxKept, '\0');
    ssize_t n = -1;
    do {
        n = ::pread(file_, text.data(), text.size(), 0);
    } while (n < 0 && errno == EINTR);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    ::close(file_);
    file_ = -1;
    return text;
}

}  // namespace olvane_host
