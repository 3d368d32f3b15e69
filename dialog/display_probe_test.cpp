// display_probe_test.cpp - deciding whether a display can be opened before Qt is asked.
#include "dialog/display_probe.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

class CFakeProbe final : public IDisplayProbe {
  public:
    bool CanConnectX(const std::string& display) override {
        asked.push_back("x:" + display);
        return servers.count(display) != 0;
    }
    bool IsSocket(const std::string& path) override {
        asked.push_back("socket:" + path);
        return sockets.count(path) != 0;
    }
    std::set<std::string> servers;
    std::set<std::string> sockets;
    std::vector<std::string> asked;
};

}  // namespace

TEST(DisplayProbe, PlatformsWithoutADisplayNeedNoServerAndNothingSetIsRefused) {
    CFakeProbe probe;
    DisplayVerdict v = CheckDisplay({}, probe);
    EXPECT_FALSE(v.usable);
    EXPECT_EQ(v.reason, "DISPLAY is not set");
    // Other explicit platforms are the operator's choice.
    for (const char* platform :
         {"offscreen", "minimal", "offscreen:fontengine=freetype", "eglfs"}) {
        DisplayEnvironment env;
        env.qpaPlatform = platform;
        EXPECT_TRUE(CheckDisplay(env, probe).usable) << platform;
    }
    EXPECT_TRUE(probe.asked.empty());
    // A fallback list is tried in order: X fails, offscreen follows. An empty list names nothing.
    DisplayEnvironment env;
    env.qpaPlatform = "xcb;offscreen";
    env.display = ":7";
    EXPECT_TRUE(CheckDisplay(env, probe).usable);
    EXPECT_EQ(probe.asked, std::vector<std::string>{"x::7"});
    env.qpaPlatform = ";";
    v = CheckDisplay(env, probe);
    EXPECT_FALSE(v.usable);
    EXPECT_EQ(v.reason, "QT_QPA_PLATFORM names no platform");
}

TEST(DisplayProbe, XNeedsAServerThatAnswersAndWaylandItsSocket) {
    CFakeProbe probe;
    DisplayEnvironment env;
    env.display = ":99";
    const DisplayVerdict v = CheckDisplay(env, probe);
    EXPECT_FALSE(v.usable);
    EXPECT_NE(v.reason.find("\":99\""), std::string::npos) << v.reason;
    probe.servers.insert(":99");
    EXPECT_TRUE(CheckDisplay(env, probe).usable);

    CFakeProbe wayland;
    env = {};
    env.sessionType = "wayland";
    env.waylandDisplay = "wayland-0";
    env.runtimeDir = "/run/user/1000";
    // Not there, and no X either: both of Qt's choices in a Wayland session fail.
    EXPECT_FALSE(CheckDisplay(env, wayland).usable);
    EXPECT_EQ(wayland.asked.front(), "socket:/run/user/1000/wayland-0");
    wayland.sockets.insert("/run/user/1000/wayland-0");
    EXPECT_TRUE(CheckDisplay(env, wayland).usable);
    // Outside a Wayland session Qt only tries X, so the socket alone is not enough.
    env.sessionType.clear();
    EXPECT_FALSE(CheckDisplay(env, wayland).usable);
    // An absolute WAYLAND_DISPLAY is the socket itself.
    env.qpaPlatform = "wayland";
    env.waylandDisplay = "/tmp/compositor";
    wayland.asked.clear();
    EXPECT_FALSE(CheckDisplay(env, wayland).usable);
    EXPECT_EQ(wayland.asked, std::vector<std::string>{"socket:/tmp/compositor"});
}

TEST(DisplayProbe, SystemProbeFailsCleanlyOnAMissingServer) {
    // No server listens on display 4242 here; the probe must say so, not hang or crash.
    EXPECT_FALSE(SystemDisplayProbe().CanConnectX(":4242"));
    EXPECT_FALSE(SystemDisplayProbe().IsSocket("/nonexistent/wayland-0"));
}
