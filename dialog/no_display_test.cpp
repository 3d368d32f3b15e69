// no_display_test.cpp - the editor opened by a host process that has no display: one line on
// standard error, nothing changed, and the process carries on.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

extern char** environ;

namespace {

struct Outcome {
    int status = -1;  // exit code, or -1 when the process did not exit normally
    std::string out;
    std::string err;
};

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<size_t>(n));
    }
    return text;
}

// Runs the small host with the display variables removed and extra ones added.
Outcome RunHost(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && name != "QT_QPA_PLATFORM" &&
            name != "XDG_SESSION_TYPE") {
            env.push_back(entry);
        }
    }
    env.insert(env.end(), extra.begin(), extra.end());
    std::vector<char*> envp;
    for (std::string& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    int outPipe[2];
    int errPipe[2];
    Outcome outcome;
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        ADD_FAILURE() << "pipe";
        return outcome;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    char path[] = OLVANE_NO_DISPLAY_HOST;
    char* argv[] = {path, nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, path, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (spawned == 0) {
        // The host's output is small: reading one pipe to its end cannot block the other.
        outcome.out = ReadAll(outPipe[0]);
        outcome.err = ReadAll(errPipe[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    } else {
        ADD_FAILURE() << "cannot start " << path;
    }
    close(outPipe[0]);
    close(errPipe[0]);
    return outcome;
}

void ExpectRefused(const Outcome& o) {
    EXPECT_EQ(o.status, 0) << o.out << o.err;
    EXPECT_EQ(o.out, "returned, rules unchanged\n");
    // Exactly one line, and it says what is wrong.
    EXPECT_EQ(o.err.rfind("olvane: the rules editor cannot open: ", 0), 0u) << o.err;
    ASSERT_FALSE(o.err.empty());
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
}

}  // namespace

TEST(NoDisplay, HostWithoutDisplayVariablesCarriesOn) {
    ExpectRefused(RunHost({}));
}

TEST(NoDisplay, UnreachableServersAreRefusedBeforeQtCouldAbort) {
    for (const std::vector<std::string>& extra :
         {std::vector<std::string>{"DISPLAY=:4242"},
          std::vector<std::string>{"QT_QPA_PLATFORM=xcb", "DISPLAY=:4242"},
          std::vector<std::string>{"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=wayland-4242",
                                   "XDG_RUNTIME_DIR=/nonexistent"}}) {
        SCOPED_TRACE(extra.front());
        const Outcome o = RunHost(extra);
        ExpectRefused(o);
#ifdef OLVANE_HAS_DIALOG
        EXPECT_NE(o.err.find("no display"), std::string::npos) << o.err;
#endif
    }
}
