// atomic_write_win32.cpp - replacing a file's contents so that a failure leaves the old file whole:
// a temporary file beside it, flushed, then moved over the file in one step (MoveFileEx with
// write-through). The file keeps no attributes of the old one beyond what the move leaves.
#include <string>

#include "atomic_write.h"
#include "win32_text.h"

namespace olvane_host {

namespace {

std::string SystemError(const char* what) {
    return std::string(what) + ": " + SystemMessage(::GetLastError());
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error) {
    const std::wstring target = WideFromUtf8(path);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        error = "not a regular file";
        return false;
    }
    // Beside the target, so that the move stays on one volume and cannot be a copy.
    HANDLE file = INVALID_HANDLE_VALUE;
    std::wstring temp;
    for (unsigned attempt = ::GetTickCount(); file == INVALID_HANDLE_VALUE; ++attempt) {
        temp = target + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" +
               std::to_wstring(attempt) + L".tmp";
        file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
            error = SystemError("cannot create a temporary file");
            return false;
        }
    }
    bool ok = true;
    while (ok && !content.empty()) {
        const DWORD chunk =
            content.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(content.size());
        DWORD written = 0;
        ok = ::WriteFile(file, content.data(), chunk, &written, nullptr) && written == chunk;
        content.remove_prefix(written);
    }
    if (!ok) {
        error = SystemError("cannot write");
    } else if (!::FlushFileBuffers(file)) {
        ok = false;
        error = SystemError("cannot flush");
    }
    ::CloseHandle(file);
    if (ok && !::MoveFileExW(temp.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        error = SystemError("cannot replace the file");
    }
    if (!ok) {
        ::DeleteFileW(temp.c_str());
    }
    return ok;
}

}  // namespace olvane_host
