// display_probe.h - whether a user interface can be opened in this process, decided before the
// toolkit is asked: Qt ends the whole process when its platform cannot start, and the process is
// the host's.
#pragma once

#include <string>

// The environment variables that choose and reach a display. Unset and empty are the same.
struct DisplayEnvironment {
    std::string qpaPlatform;     // QT_QPA_PLATFORM
    std::string display;         // DISPLAY
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string runtimeDir;      // XDG_RUNTIME_DIR
    std::string sessionType;     // XDG_SESSION_TYPE

    static DisplayEnvironment FromProcess();
};

// The checks that touch the system, apart so that the decision can be tested.
class IDisplayProbe {
  public:
    // An X server accepts a connection to display (as DISPLAY names it).
    virtual bool CanConnectX(const std::string& display) = 0;
    // path is a socket (a Wayland compositor's).
    virtual bool IsSocket(const std::string& path) = 0;

  protected:
    ~IDisplayProbe() = default;
};

struct DisplayVerdict {
    bool usable;
    std::string reason;  // why not, when not usable
};

// Usable when one of the platforms Qt would try can start: one that needs no display (offscreen,
// minimal, vnc), X with a server that answers, Wayland with its socket present, or any other
// platform QT_QPA_PLATFORM names explicitly (left to the operator who chose it).
DisplayVerdict CheckDisplay(const DisplayEnvironment& env, IDisplayProbe& probe);

// The real checks: libxcb, loaded at run time, and the file system.
IDisplayProbe& SystemDisplayProbe();
