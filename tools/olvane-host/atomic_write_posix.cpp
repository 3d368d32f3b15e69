// atomic_write_posix.cpp - replacing a file's contents so that a failure leaves the old file whole:
// a temporary file beside it, fsync, rename.
#include "atomic_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace olvane_host {

namespace {

std::string SystemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        content.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error) {
    std::string target = path;
    struct stat info {};
    bool exists = ::stat(path.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) {
        error = "not a regular file";
        return false;
    }
    if (exists) {
        // Replace the file a link points to, not the link.
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) {
            target = resolved;
        }
    }
    std::string temp = target + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        error = SystemError("cannot create a temporary file");
        return false;
    }
    temp = name.data();
    const mode_t mode = exists ? (info.st_mode & 07777) : (0666 & ~CurrentUmask());
    bool ok = WriteAll(fd, content);
    if (!ok) {
        error = SystemError("cannot write");
    } else if (::fchmod(fd, mode) != 0) {
        ok = false;
        error = SystemError("cannot set permissions");
    } else if (::fsync(fd) != 0) {
        ok = false;
        error = SystemError("cannot flush");
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = SystemError("cannot write");
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        error = SystemError("cannot replace the file");
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here no longer endangers either version.
    const int dir = ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace olvane_host
