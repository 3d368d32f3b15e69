// temporary_file_posix.h - an unlinked temporary file, for the POSIX files that need one.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace olvane_host {

// A descriptor to a new file in $TMPDIR (else /tmp) whose name is already gone, so that nothing is
// left behind however the program ends; -1 with errno on failure.
inline int OpenUnlinkedTemporaryFile(const char* stem) {
    const char* dir = std::getenv("TMPDIR");
    std::string name =
        std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/" + stem + ".XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd >= 0) {
        ::unlink(name.c_str());
    }
    return fd;
}

}  // namespace olvane_host
