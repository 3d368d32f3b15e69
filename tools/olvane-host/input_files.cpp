// input_files.cpp - reading the command's input files: packets out of any file, and text files.
#include "input_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>

#include "packet_scanner.h"

namespace olvane_host {

namespace {

// Closes a descriptor we opened, but never standard input.
struct Fd {
    int fd = -1;
    bool owned = false;
    ~Fd() {
        if (owned && fd >= 0) {
            ::close(fd);
        }
    }
};

bool Open(const std::string& path, Fd& fd, std::string& error) {
    if (path == "-") {
        fd.fd = STDIN_FILENO;
        return true;
    }
    fd.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd.fd < 0) {
        const int code = errno;
        error = std::strerror(code);
        errno = code;
        return false;
    }
    fd.owned = true;
    return true;
}

// read() that retries interrupted calls; -1 with errno on failure.
ssize_t ReadSome(int fd, char* buffer, size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

}  // namespace

std::string DisplayName(const std::string& path) {
    return path == "-" ? "<stdin>" : path;
}

bool ReadPacket(const std::string& path, std::string& packet, std::string& error,
                size_t chunkSize) {
    Fd fd;
    if (!Open(path, fd, error)) {
        return false;
    }
    const auto buffer = std::make_unique<char[]>(chunkSize);
    PacketScanner scanner;
    for (;;) {
        const ssize_t n = ReadSome(fd.fd, buffer.get(), chunkSize);
        if (n < 0) {
            error = std::strerror(errno);
            return false;
        }
        if (n == 0) {
            break;
        }
        if (scanner.Feed(std::string_view(buffer.get(), static_cast<size_t>(n)))) {
            break;
        }
    }
    if (!scanner.Finish()) {
        if (scanner.GaveUpOversized()) {
            error = "no XMP packet found (a packet larger than " +
                    std::to_string(PacketScanner::kDefaultMaxPacket >> 20) + " MiB was skipped)";
        } else if (scanner.SawUnfinished()) {
            error = "no XMP packet found (a packet starts but never ends)";
        } else {
            error = "no XMP packet found";
        }
        return false;
    }
    packet = scanner.TakePacket();
    // The plug-in takes the packet as a NUL-terminated string; a NUL inside would silently cut it.
    if (packet.find('\0') != std::string::npos) {
        error = "the XMP packet holds NUL bytes (only UTF-8 packets are supported)";
        return false;
    }
    return true;
}

bool ReadTextFile(const std::string& path, std::string& text, std::string& error, bool& missing,
                  size_t maxSize) {
    missing = false;
    Fd fd;
    if (!Open(path, fd, error)) {
        missing = errno == ENOENT;
        return false;
    }
    text.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ReadSome(fd.fd, buffer, sizeof buffer);
        if (n < 0) {
            error = std::strerror(errno);
            return false;
        }
        if (n == 0) {
            return true;
        }
        if (text.size() + static_cast<size_t>(n) > maxSize) {
            error = "file is larger than " + std::to_string(maxSize >> 20) + " MiB";
            return false;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
}

}  // namespace olvane_host
