// library_posix.cpp - dlopen, and the plug-in beside the program or under its SONAME.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "library.h"

namespace olvane_host {

void* OpenLibrary(const std::string& path, std::string& error, bool unloadable) {
    // Kept mapped until the process ends, as a host keeps its plug-ins: unloading would also unmap
    // the toolkit libraries it pulls in, whose load-time allocations then show up as leaks.
    void* library =
        ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | (unloadable ? 0 : RTLD_NODELETE));
    if (library == nullptr) {
        const char* reason = ::dlerror();
        error = reason != nullptr ? reason : "cannot be loaded";
        // dlerror starts with the file name, which the caller's message already gives.
        if (error.starts_with(path + ": ")) {
            error.erase(0, path.size() + 2);
        }
    }
    return library;
}

void* LibrarySymbol(void* library, const char* name) {
    return ::dlsym(library, name);
}

void CloseLibrary(void* library) {
    ::dlclose(library);
}

void* BstrLibrary(void* plugin) {
    return plugin;
}

std::string DefaultPluginPath() {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        return "libolvane.so";
    }
    std::string path(self, static_cast<size_t>(n));
    const std::string beside = path.substr(0, path.rfind('/') + 1) + "libolvane.so";
    // Built: the plug-in sits beside the program. Installed: it is a system library, found by the
    // dynamic loader under its SONAME.
    return ::access(beside.c_str(), F_OK) == 0 ? beside : "libolvane.so.0";
}

}  // namespace olvane_host
