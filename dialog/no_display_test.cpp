// no_display_test.cpp - the editor opened by a host process that has no display: one line on
// standard error, nothing changed, and the process carries on.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(NoDisplay, TheHostCarriesOnWithoutDisplayOrWithUnreachableServers) {
    const std::string out = ::testing::TempDir() + "no_display_test.out";
    const std::string err = ::testing::TempDir() + "no_display_test.err";
    // Unreachable servers are refused before Qt could abort the process.
    for (const std::string extra :
         {"", "DISPLAY=:4242", "QT_QPA_PLATFORM=xcb DISPLAY=:4242",
          "XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-4242 XDG_RUNTIME_DIR=/nonexistent"}) {
        SCOPED_TRACE(extra);
        // The small host, with the display variables removed and extra ones added.
        const int status = std::system(
            ("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE " + extra +
             " '" OLVANE_NO_DISPLAY_HOST "' >'" + out + "' 2>'" + err + "'")
                .c_str());
        const std::string o = ReadAll(out);
        const std::string e = ReadAll(err);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << o << e;
        EXPECT_EQ(o, "returned, rules unchanged\n");
        // Exactly one line, and it says what is wrong.
        EXPECT_EQ(e.rfind("olvane: the rules editor cannot open: ", 0), 0u) << e;
        ASSERT_FALSE(e.empty());
        EXPECT_EQ(e.find('\n'), e.size() - 1) << e;
#ifdef OLVANE_HAS_DIALOG
        if (!extra.empty()) {
            EXPECT_NE(e.find("no display"), std::string::npos) << e;
        }
#endif
    }
    std::remove(out.c_str());
    std::remove(err.c_str());
}

}  // namespace
