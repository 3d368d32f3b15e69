// byte_source_posix.cpp - ByteSource over a POSIX descriptor; pipes are copied to a temporary file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "byte_source.h"
#include "temporary_file_posix.h"

namespace olvane_host {

namespace {

class FdSource : public ByteSource {
  public:
    // base: where the file's bytes start for us (standard input may have been read into already).
    FdSource(int fd, bool owned, uint64_t base, uint64_t size)
        : m_fd(fd), m_owned(owned), m_base(base), m_size(size) {}
    FdSource(const FdSource&) = delete;
    FdSource& operator=(const FdSource&) = delete;
    ~FdSource() override {
        if (m_owned) {
            ::close(m_fd);
        }
    }

    uint64_t Size() const override { return m_size; }

    size_t ReadAt(uint64_t offset, char* buffer, size_t size) override {
        size_t done = 0;
        while (done < size && offset + done < m_size) {
            const ssize_t n = ::pread(m_fd, buffer + done, size - done,
                                      static_cast<off_t>(m_base + offset + done));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                m_error = std::strerror(errno);
                return 0;
            }
            if (n == 0) {
                break;
            }
            done += static_cast<size_t>(n);
        }
        return done;
    }

  private:
    int m_fd;
    bool m_owned;
    uint64_t m_base;
    uint64_t m_size;
};

std::unique_ptr<ByteSource> Fail(std::string& error, bool* missing) {
    const int code = errno;
    error = std::strerror(code);
    if (missing != nullptr) {
        *missing = code == ENOENT;
    }
    return nullptr;
}

// Copies what is left of a non-seekable descriptor into an unlinked temporary file, so that the
// readers can jump around in it; the data goes to disk, not memory.
std::unique_ptr<ByteSource> Spool(int from, std::string& error) {
    const char* dir = std::getenv("TMPDIR");
    std::string name =
        std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/olvane-host-stdin.XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return Fail(error, nullptr);
    }
    ::unlink(name.c_str());
    std::vector<char> buffer(size_t{1} << 20);
    uint64_t total = 0;
    for (;;) {
        ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        for (ssize_t done = 0; n > 0 && done < n;) {
            const ssize_t w = ::write(fd, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno != EINTR) {
                n = -1;
            }
            done += w < 0 ? 0 : w;
        }
        if (n < 0) {
            auto failed = Fail(error, nullptr);
            ::close(fd);
            return failed;
        }
        if (n == 0) {
            return std::make_unique<FdSource>(fd, true, 0, total);
        }
        total += static_cast<uint64_t>(n);
    }
}

}  // namespace

std::unique_ptr<ByteSource> OpenByteSource(const std::string& path, std::string& error,
                                           bool* missing) {
    if (missing != nullptr) {
        *missing = false;
    }
    const bool standardInput = path == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return Fail(error, missing);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        auto failed = Fail(error, missing);
        if (!standardInput) {
            ::close(fd);
        }
        return failed;
    }
    if (S_ISDIR(info.st_mode)) {
        if (!standardInput) {
            ::close(fd);
        }
        error = std::strerror(EISDIR);
        return nullptr;
    }
    if (S_ISREG(info.st_mode)) {
        // Standard input redirected from a file may already have been read into.
        const off_t at = standardInput ? ::lseek(fd, 0, SEEK_CUR) : 0;
        const uint64_t base = at > 0 ? static_cast<uint64_t>(at) : 0;
        const uint64_t size = static_cast<uint64_t>(info.st_size);
        return std::make_unique<FdSource>(fd, !standardInput, base, size > base ? size - base : 0);
    }
    auto spooled = Spool(fd, error);
    if (!standardInput) {
        ::close(fd);
    }
    return spooled;
}

}  // namespace olvane_host
