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
    m_file = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR | _O_BINARY);
    if (m_file < 0) {
        ::CloseHandle(file);
        return;
    }
    // What the host has written so far belongs to the real output.
    std::fflush(stdout);
    m_saved = ::_dup(::_fileno(stdout));
    if (m_saved < 0 || ::_dup2(m_file, ::_fileno(stdout)) != 0) {
        if (m_saved >= 0) {
            ::_close(m_saved);
            m_saved = -1;
        }
        ::_close(m_file);
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
    ::_dup2(m_saved, ::_fileno(stdout));
    ::_close(m_saved);
    m_saved = -1;
    std::string text(kMaxKept, '\0');
    ::_lseek(m_file, 0, SEEK_SET);
    const int n = ::_read(m_file, text.data(), static_cast<unsigned>(text.size()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    ::_close(m_file);
    m_file = -1;
    return text;
}

}  // namespace olvane_host
