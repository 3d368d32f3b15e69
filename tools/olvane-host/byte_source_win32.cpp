// byte_source_win32.cpp - ByteSource over a Windows file handle, read at offsets with ReadFile;
// standard input that is not a file is copied to a temporary file first.
#include <vector>

#include "byte_source.h"
#include "win32_text.h"

namespace olvane_host {

namespace {

class HandleSource : public ByteSource {
  public:
    HandleSource(HANDLE file, bool owned, uint64_t base, uint64_t size)
        : m_file(file), m_owned(owned), m_base(base), m_size(size) {}
    HandleSource(const HandleSource&) = delete;
    HandleSource& operator=(const HandleSource&) = delete;
    ~HandleSource() override {
        if (m_owned) {
            ::CloseHandle(m_file);
        }
    }

    uint64_t Size() const override { return m_size; }

    size_t ReadAt(uint64_t offset, char* buffer, size_t size) override {
        size_t done = 0;
        while (done < size && offset + done < m_size) {
            const uint64_t at = m_base + offset + done;
            OVERLAPPED where{};
            where.Offset = static_cast<DWORD>(at);
            where.OffsetHigh = static_cast<DWORD>(at >> 32);
            const size_t left = size - done;
            DWORD n = 0;
            if (!::ReadFile(m_file, buffer + done,
                            left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left), &n,
                            &where)) {
                const DWORD error = ::GetLastError();
                if (error == ERROR_HANDLE_EOF) {
                    break;
                }
                m_error = SystemMessage(error);
                return 0;
            }
            if (n == 0) {
                break;
            }
            done += n;
        }
        return done;
    }

  private:
    HANDLE m_file;
    bool m_owned;
    uint64_t m_base;
    uint64_t m_size;
};

std::unique_ptr<ByteSource> Fail(std::string& error, bool* missing) {
    const DWORD code = ::GetLastError();
    error = SystemMessage(code);
    if (missing != nullptr) {
        *missing = PosixErrorOf(code) == ENOENT;
    }
    return nullptr;
}

// Copies what standard input still holds into a temporary file the readers can jump around in.
std::unique_ptr<ByteSource> Spool(HANDLE from, std::string& error) {
    const HANDLE file = CreateTemporaryFile(L"olv");
    if (file == INVALID_HANDLE_VALUE) {
        return Fail(error, nullptr);
    }
    std::vector<char> buffer(size_t{1} << 20);
    uint64_t total = 0;
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr)) {
            if (::GetLastError() != ERROR_BROKEN_PIPE) {
                auto failed = Fail(error, nullptr);
                ::CloseHandle(file);
                return failed;
            }
            n = 0;
        }
        if (n == 0) {
            return std::make_unique<HandleSource>(file, true, 0, total);
        }
        DWORD written = 0;
        if (!::WriteFile(file, buffer.data(), n, &written, nullptr) || written != n) {
            auto failed = Fail(error, nullptr);
            ::CloseHandle(file);
            return failed;
        }
        total += n;
    }
}

}  // namespace

std::unique_ptr<ByteSource> OpenByteSource(const std::string& path, std::string& error,
                                           bool* missing) {
    if (missing != nullptr) {
        *missing = false;
    }
    if (path == "-") {
        const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
        LARGE_INTEGER size{};
        LARGE_INTEGER at{};
        if (::GetFileType(in) == FILE_TYPE_DISK && ::GetFileSizeEx(in, &size) &&
            ::SetFilePointerEx(in, LARGE_INTEGER{}, &at, FILE_CURRENT)) {
            // Redirected from a file, which may already have been read into.
            const auto whole = static_cast<uint64_t>(size.QuadPart);
            const auto base = static_cast<uint64_t>(at.QuadPart);
            return std::make_unique<HandleSource>(in, false, base, whole > base ? whole - base : 0);
        }
        return Spool(in, error);
    }
    const std::wstring wide = WideFromUtf8(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        error = std::strerror(EISDIR);
        return nullptr;
    }
    const HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return Fail(error, missing);
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) {
        auto failed = Fail(error, missing);
        ::CloseHandle(file);
        return failed;
    }
    return std::make_unique<HandleSource>(file, true, 0, static_cast<uint64_t>(size.QuadPart));
}

}  // namespace olvane_host
