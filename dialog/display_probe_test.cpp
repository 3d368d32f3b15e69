// display_probe_test.cpp - deciding whether a display can be opened before Qt is asked.
#include "dialog/display_probe.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Knows one X server and one socket; logs what it was asked.
class CFakeProbe final : public IDisplayProbe {
  public:
    bool CanConnectX(const std::string& display) override {
        asked += "x" + display + " ";
        return display == ":99";
    }
    bool IsSocket(const std::string& path) override {
        asked += "socket " + path + " ";
        return path == "/run/user/1000/wayland-0";
    }
    std::string asked;
};

DisplayEnvironment Env(std::string qpa = "", std::string display = "", std::string wayland = "",
                       std::string runtime = "", std::string session = "") {
    return {std::move(qpa), std::move(display), std::move(wayland), std::move(runtime),
            std::move(session)};
}

TEST(DisplayProbe, TriesThePlatformsQtWouldTryInTurn) {
    struct Case {
        DisplayEnvironment
            env;  // QT_QPA_PLATFORM, DISPLAY, WAYLAND_DISPLAY, XDG_RUNTIME_DIR, session
        bool usable;
        const char* asked;
        const char* reason;
    };
    const Case cases[] = {
        {Env(), false, "", "DISPLAY is not set"},
        {Env("offscreen"), true, "", ""},
        {Env("minimal:fontengine=freetype"), true, "", ""},
        {Env("eglfs"), true, "", ""},  // any other platform named is the operator's choice
        {Env("xcb;offscreen", ":7"), true, "x:7 ", ""},
        {Env(";"), false, "", "QT_QPA_PLATFORM names no platform"},
        {Env("", ":7"), false, "x:7 ", "cannot connect to X display \":7\""},
        {Env("", ":99"), true, "x:99 ", ""},
        {{"", "", "wayland-0", "/run/user/1000", "wayland"},
         true,
         "socket /run/user/1000/wayland-0 ",
         ""},
        {{"", ":7", "wayland-1", "/run/user/1000", "wayland"},
         false,
         "socket /run/user/1000/wayland-1 x:7 ",
         "cannot connect to X display \":7\""},
        {Env("", "", "wayland-0", "/run/user/1000"), false, "",
         "DISPLAY is not set"},  // no session
        {Env("wayland", "", "/tmp/compositor"), false, "socket /tmp/compositor ",
         "no Wayland display at \"/tmp/compositor\""},
        {Env("wayland"), false, "", "WAYLAND_DISPLAY is not set"},
    };
    for (const Case& c : cases) {
        CFakeProbe probe;
        const DisplayVerdict verdict = CheckDisplay(c.env, probe);
        EXPECT_EQ(verdict.usable, c.usable)
            << c.env.qpaPlatform << "|" << c.env.display << "|" << c.env.waylandDisplay;
        EXPECT_EQ(probe.asked, c.asked);
        EXPECT_EQ(verdict.reason, c.reason);
    }
    // No server listens on display 4242: the real probe says so rather than hang or crash.
    EXPECT_FALSE(SystemDisplayProbe().CanConnectX(":4242"));
    EXPECT_FALSE(SystemDisplayProbe().IsSocket("/nonexistent/wayland-0"));
}

}  // namespace
