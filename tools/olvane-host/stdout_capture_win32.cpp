// stdout_capture_win32.cpp - standard output swapped for a temporary file with the C runtime's
// _dup2. The plug-in prints through the same msvcrt.dll, so its output follows the swap.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "stdout_capture.h"
#include "win32_text.h"

namespace olvane_host {

StdoutCapture::StdoutCapture() {
    const HANDLE file = CreateTemporaryFile(L"olv");
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    file_ = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR | _O_BINARY);
    if (file_ < 0) {
        ::CloseHandle(file);
        return;
    }
    // What the host has written so far belongs to the real output.
    std::fflush(stdout);
    saved_ = ::_dup(::_fileno(stdout));
    if (saved_ < 0 || ::_dup2(file_, ::_fileno(stdout)) != 0) {
        if (saved_ >= 0) {
            ::_close(saved_);
            saved_ = -1;
        }
        ::_close(file_);
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
    ::_dup2(saved_, ::_fileno(stdout));
    ::_close(saved_);
    saved_ = -1;
    std::string text(kMaxKept, '\0');
    ::_lseek(file_, 0, SEEK_SET);
    const int n = ::_read(file_, text.data(), static_cast<unsigned>(text.size()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    ::_close(file_);
    file_ = -1;
    return text;
}

}  // namespace olvane_host
