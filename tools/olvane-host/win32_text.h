// win32_text.h - UTF-8 to and from the wide text of Windows' file and command-line functions, and
// the system's reason for a failure, worded as on POSIX where the two name the same thing.
#pragma once

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace olvane_host {

inline std::wstring WideFromUtf8(const std::string& text) {
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

inline std::string Utf8FromWide(const wchar_t* text, int length) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
    return out;
}

// The errno a POSIX system would give for error, or 0 when none says the same.
inline int PosixErrorOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return EACCES;
        case ERROR_DIRECTORY:
            return EISDIR;
        default:
            return 0;
    }
}

inline std::string SystemMessage(DWORD error) {
    if (const int code = PosixErrorOf(error)) {
        return std::strerror(code);
    }
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message =
        n > 0 ? Utf8FromWide(text, static_cast<int>(n)) : "error " + std::to_string(error);
    ::LocalFree(text);
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
        message.pop_back();
    }
    return message;
}

// A new temporary file that goes when its last handle closes, however the program ends.
inline HANDLE CreateTemporaryFile(const wchar_t* stem) {
    wchar_t dir[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (::GetTempPathW(MAX_PATH + 1, dir) == 0 || ::GetTempFileNameW(dir, stem, 0, name) == 0) {
        return INVALID_HANDLE_VALUE;
    }
    return ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                         nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

}  // namespace olvane_host
