// stdout_capture_test.cpp - what is printed during a capture is kept; the real output comes back.
#include "stdout_capture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace olvane_host {
namespace {

TEST(StdoutCapture, KeepsWhatIsPrintedAndPutsTheRealOutputBackOnEveryWayOut) {
    // Standard output goes to a file of the test's own, to see what reaches it.
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    std::FILE* real = std::tmpfile();
    ASSERT_NE(real, nullptr);
    ::dup2(::fileno(real), STDOUT_FILENO);

    std::printf("before ");  // still buffered when the capture starts
    {
        StdoutCapture capture;
        std::printf("message %d", 1);
        EXPECT_EQ(capture.Finish(), "message 1");
        EXPECT_EQ(capture.Finish(), "");
    }
    {
        StdoutCapture capture;
        std::printf("left without Finish, as by an exception");
    }
    ::close(STDOUT_FILENO);  // a host started with its output closed
    {
        StdoutCapture capture;
        std::printf("into nothing");
        std::fflush(stdout);
        EXPECT_EQ(capture.Finish(), "into nothing");
    }
    EXPECT_EQ(::write(STDOUT_FILENO, "x", 1), -1);  // closed again
    ::dup2(::fileno(real), STDOUT_FILENO);
    std::printf("after");
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);

    char text[64] = {};
    std::rewind(real);
    const size_t n = std::fread(text, 1, sizeof text - 1, real);
    std::fclose(real);
    EXPECT_EQ(std::string(text, n), "before after");
}

}  // namespace
}  // namespace olvane_host
