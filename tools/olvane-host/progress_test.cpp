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

    // Not on a terminal: only the summary, which the end-to-end test checks.
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
