// progress_test.cpp - the progress line only on a terminal, cleared for output; the summary.
#include "progress.h"

#include <gtest/gtest.h>

#include <sstream>

namespace olvane_host {
namespace {

TEST(Progress, DrawsOnlyOnATerminalAndSumsUpSeveralFiles) {
    std::ostringstream out;
    std::ostringstream terminal;
    Io io{out, terminal, true};
    {
        Progress progress(io, 3);
        progress.Step(0, "first.jpg");
        EXPECT_EQ(terminal.str(), "\r\033[K[0/3] first.jpg");
        progress.Count(FileOutcome::kRead);
        progress.Clear();
        // A long path keeps its end; the rate shows once a file is done.
        const std::string name = std::string(80, 'd') + "/clip.avi";
        terminal.str("");
        progress.Step(1, name);
        EXPECT_NE(terminal.str().find(" files/s  ..." + name.substr(name.size() - 47)),
                  std::string::npos)
            << terminal.str();
        progress.Count(FileOutcome::kUnreadable);
        progress.Count(FileOutcome::kNoPacket);
        terminal.str("");
        progress.Summary();
    }
    EXPECT_EQ(terminal.str(),
              "\r\033[Kolvane-host: 3 files, packets found: 2, unreadable: 1, without a packet: "
              "1\n");

    std::ostringstream redirected;
    Io plain{out, redirected, false};
    Progress several(plain, 2);
    several.Step(0, "a.jpg");
    several.Count(FileOutcome::kFailed);
    several.Count(FileOutcome::kRead);
    several.Summary();
    EXPECT_EQ(redirected.str(),
              "olvane-host: 2 files, packets found: 1, unreadable: 0, without a packet: 0, not "
              "read: 1\n");
    Io single{out, terminal, true};
    terminal.str("");
    Progress one(single, 1);
    one.Step(0, "a.jpg");
    one.Summary();
    EXPECT_EQ(terminal.str(), "");
    EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace olvane_host
