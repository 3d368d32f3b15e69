// display_probe.cpp - deciding whether a display can be opened.
#include "dialog/display_probe.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

// QT_QPA_PLATFORM holds platform names separated by ';', each optionally followed by ':' and
// options.
std::vector<std::string> PlatformCandidates(const DisplayEnvironment& env) {
    std::vector<std::string> names;
    if (env.qpaPlatform.empty()) {
        // Qt's own default on this system, with Wayland first in a Wayland session.
        if (env.sessionType == "wayland") {
            names.emplace_back("wayland");
        }
        names.emplace_back("xcb");
        return names;
    }
    std::string_view rest = env.qpaPlatform;
    while (!rest.empty()) {
        const size_t end = rest.find(';');
        std::string_view entry = rest.substr(0, end);
        entry = entry.substr(0, entry.find(':'));
        if (!entry.empty()) {
            names.emplace_back(entry);
        }
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return names;
}

bool NeedsNoDisplay(const std::string& name) {
    return name == "offscreen" || name == "minimal" || name == "vnc";
}

class XAndWaylandProbe final : public IDisplayProbe {
  public:
    bool CanConnectX(const std::string& display) override {
        // The same library Qt's X platform uses; without it that platform cannot load either.
        void* xcb = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
        if (xcb == nullptr) {
            return false;
        }
        using ConnectFn = void* (*)(const char*, int*);
        using HasErrorFn = int (*)(void*);
        using DisconnectFn = void (*)(void*);
        auto connect = reinterpret_cast<ConnectFn>(dlsym(xcb, "xcb_connect"));
        auto hasError = reinterpret_cast<HasErrorFn>(dlsym(xcb, "xcb_connection_has_error"));
        auto disconnect = reinterpret_cast<DisconnectFn>(dlsym(xcb, "xcb_disconnect"));
        bool ok = false;
        if (connect != nullptr && hasError != nullptr && disconnect != nullptr) {
            void* connection = connect(display.c_str(), nullptr);
            ok = connection != nullptr && hasError(connection) == 0;
            // A failed connection is an error object that still has to be released.
            disconnect(connection);
        }
        dlclose(xcb);
        return ok;
    }

    bool IsSocket(const std::string& path) override {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
    }
};

}  // namespace

DisplayEnvironment DisplayEnvironment::FromProcess() {
    return {Env("QT_QPA_PLATFORM"), Env("DISPLAY"), Env("WAYLAND_DISPLAY"), Env("XDG_RUNTIME_DIR"),
            Env("XDG_SESSION_TYPE")};
}

DisplayVerdict CheckDisplay(const DisplayEnvironment& env, IDisplayProbe& probe) {
    const std::vector<std::string> candidates = PlatformCandidates(env);
    std::string reason;
    for (const std::string& name : candidates) {
        if (NeedsNoDisplay(name)) {
            return {true, {}};
        }
        if (name == "xcb") {
            if (env.display.empty()) {
                reason = "DISPLAY is not set";
            } else if (probe.CanConnectX(env.display)) {
                return {true, {}};
            } else {
                reason = "cannot connect to X display \"" + env.display + "\"";
            }
            continue;
        }
        if (name.rfind("wayland", 0) == 0) {
            if (env.waylandDisplay.empty()) {
                reason = "WAYLAND_DISPLAY is not set";
                continue;
            }
            const std::string socket = env.waylandDisplay.front() == '/'
                                           ? env.waylandDisplay
                                           : env.runtimeDir + "/" + env.waylandDisplay;
            if (probe.IsSocket(socket)) {
                return {true, {}};
            }
            reason = "no Wayland display at \"" + socket + "\"";
            continue;
        }
        return {true, {}};
    }
    if (candidates.empty()) {
        reason = "QT_QPA_PLATFORM names no platform";
    }
    return {false, reason};
}

IDisplayProbe& SystemDisplayProbe() {
    static XAndWaylandProbe probe;
    return probe;
}
