// orva-cli ended by a signal in the middle of a write: the temporary file is removed, the
// old file stays, and the status is 128 + the signal; a signal it was started with ignored
// stays ignored.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using namespace testing;
namespace fs = std::filesystem;

bool HasTemporaryFile(const std::string& dir) {
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().find(".orva-tmp-") != std::string::npos) return true;
    return false;
}

// Starts orva-cli with the arguments, stopping in its first write (the file writer's test
// hook), SIGINT, SIGTERM and SIGHUP at their defaults but `ignored`.
pid_t StartPausedInWrite(std::vector<std::string> args, int ignored) {
    std::vector<char*> argv = {const_cast<char*>(ORVA_CLI_PATH)};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    setenv("ORVA_TEST_PAUSE_IN_WRITE", "1", 1);
    const pid_t pid = fork();
    if (pid == 0) {
        for (const int sig : {SIGINT, SIGTERM, SIGHUP})
            signal(sig, sig == ignored ? SIG_IGN : SIG_DFL);
        execv(ORVA_CLI_PATH, argv.data());
        _exit(127);
    }
    unsetenv("ORVA_TEST_PAUSE_IN_WRITE");
    return pid;
}

TEST(CliSignals, AWriteEndedByASignalLeavesNoTemporaryFile) {
    struct Case {
        std::vector<std::string> args;  // OUT is the folder's "out" file
        const char* out;
        int ignored;            // started with this signal ignored (0: none)
        std::vector<int> sent;  // in this order; the last one ends the program
    };
    // clang-format off
    const Case kCases[] = {
        {{"sample", "OUT", "64", "48"}, "out.png", 0, {SIGINT}},
        {{"sample-raw", "OUT", "64", "48"}, "out.dng", 0, {SIGTERM}},
        {{"sample", "OUT", "64", "48"}, "out.tif", 0, {SIGHUP}},
        {{"sample", "OUT", "64", "48"}, "out.bmp", SIGHUP, {SIGHUP, SIGTERM}},
    };
    // clang-format on
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.out);
        TempDir dir;
        const std::string out = dir.Path(c.out);
        WriteAll(out, {'o', 'l', 'd'});
        std::vector<std::string> args = c.args;
        for (auto& a : args)
            if (a == "OUT") a = out;
        const pid_t pid = StartPausedInWrite(args, c.ignored);
        ASSERT_GT(pid, 0);
        // The writer waits in its commit until a signal comes (a minute at most).
        while (!HasTemporaryFile(dir.dir()) && waitpid(pid, nullptr, WNOHANG) == 0) usleep(10000);
        ASSERT_TRUE(HasTemporaryFile(dir.dir()));
        for (const int sig : c.sent) kill(pid, sig);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 128 + c.sent.back());
        EXPECT_FALSE(HasTemporaryFile(dir.dir()));
        EXPECT_EQ(ReadAll(out), (std::vector<uint8_t>{'o', 'l', 'd'}));
    }
}

}  // namespace
}  // namespace orva
