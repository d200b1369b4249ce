// orva-cli live on small frames written into a temporary folder: the files there at start in
// name order, frames landing while others are stacked, a frame without stars rejected, and
// SIGINT ending with a complete stack. And any orva-cli ended by a signal in the middle of a
// write: the temporary file is removed, the old file stays, and the status is 128 + the
// signal; a signal it was started with ignored stays ignored.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imageio/formats.h"
#include "stack/header.h"
#include "support/files.h"
#include "support/live_lights.h"
#include "support/orva_cli.h"
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

// Starts orva-cli with the arguments, its standard output into `out` when one is named,
// SIGINT, SIGTERM and SIGHUP at their defaults but `ignored`; with `pause` it stops in its
// first write (the file writer's test hook) until a signal comes.
pid_t Start(std::vector<std::string> args, const std::string& out, int ignored = 0,
            bool pause = false) {
    std::vector<char*> argv = {const_cast<char*>(ORVA_CLI_PATH)};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (pause) setenv("ORVA_TEST_PAUSE_IN_WRITE", "1", 1);
    const pid_t pid = fork();
    if (pid == 0) {
        if (!out.empty() && !freopen(out.c_str(), "w", stdout)) _exit(126);
        for (const int sig : {SIGINT, SIGTERM, SIGHUP})
            signal(sig, sig == ignored ? SIG_IGN : SIG_DFL);
        execv(ORVA_CLI_PATH, argv.data());
        _exit(127);
    }
    unsetenv("ORVA_TEST_PAUSE_IN_WRITE");
    return pid;
}

// The exit status of a started orva-cli; -1 when a signal ended it.
int Finish(pid_t pid) {
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

double Ncombine(const std::string& path) {
    LinearImage img;
    const std::vector<uint8_t> bytes = ReadAll(path);
    if (!DecodeFitsLinear(bytes, img).ok()) return -1;
    double n = 0;
    return CardNumber(img.cards, "NCOMBINE", n) ? n : -1;
}

TEST(LiveCli, StacksFilesPresentThenFramesLandingWhileItWorks) {
    TempDir watch, outdir;
    WriteLight(watch, "a0.fits", 0, 0, true, 1);
    WriteLight(watch, "a1.fits", 0, 0, false, 2);  // no stars: rejected
    WriteLight(watch, "a2.fits", 1.5, -1, true, 3);
    const std::string out = outdir.Path("stack.fits"), png = outdir.Path("stack.png");
    const std::string log = outdir.Path("lines.txt");
    const pid_t pid = Start(
        {"live", watch.dir(), out, "--preview", png, "--frames", "6", "--max-pixels", "3072"}, log);
    ASSERT_GT(pid, 0);
    // These land while the first ones are being stacked, or before the watch looks.
    WriteLight(watch, "b3.fits", -2, 1, true, 4);
    WriteLight(watch, "b4.fits", 2, 2, true, 5);
    WriteLight(watch, "b5.fits", 0.5, 0.5, true, 6);
    EXPECT_EQ(Finish(pid), 0);
    const std::vector<std::string> lines = Lines(log);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].rfind("a0.fits: accepted", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("a1.fits: rejected (no stars)", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("a2.fits: accepted", 0), 0u) << lines[2];
    // Its stars lie 1.5 px right and 1 px down of the first light's: it moves back.
    EXPECT_NE(lines[2].find("shift -1.5"), std::string::npos) << lines[2];
    EXPECT_NE(lines[2].find(" +1.0"), std::string::npos) << lines[2];
    EXPECT_NE(lines[5].find("5 frame(s), 150 s"), std::string::npos) << lines[5];
    EXPECT_EQ(Ncombine(out), 5);
    EXPECT_TRUE(fs::exists(png));
    EXPECT_FALSE(HasTemporaryFile(outdir.dir()));
}

TEST(LiveCli, SigintEndsWithStatusZeroAndACompleteStack) {
    TempDir watch, outdir;
    WriteLight(watch, "a0.fits", 0, 0, true, 1);
    WriteLight(watch, "a1.fits", 1, 0, true, 2);
    const std::string out = outdir.Path("stack.fits"), log = outdir.Path("lines.txt");
    const pid_t pid = Start({"live", watch.dir(), out}, log);
    ASSERT_GT(pid, 0);
    while (Lines(log).size() < 2 && waitpid(pid, nullptr, WNOHANG) == 0) usleep(10000);
    kill(pid, SIGINT);
    EXPECT_EQ(Finish(pid), 0);
    EXPECT_EQ(Ncombine(out), 2);
}

// What it cannot do is refused; a light of more pixels than allowed is not taken (the frames
// of the test above are exactly at their limit).
TEST(LiveCli, RefusesWhatItCannotDo) {
    TempDir dir, lit;
    fs::create_directory(dir.Path("w"));
    const std::string w = dir.Path("w");
    WriteLight(lit, "a0.fits", 0, 0, true, 1);
    struct Case {
        std::string args;
        int status;
        const char* says;
    };
    const Case kCases[] = {
        {w + " " + dir.Path("o.png"), 2, "OUT must be a FITS file"},
        {w + " " + dir.Path("o.fits") + " --reject minmax", 2, "--reject takes"},
        {w + " " + dir.Path("o.fits") + " --frames 0", 2, "--frames needs"},
        {w + " " + dir.Path("o.fits") + " --bogus", 2, "unknown option --bogus"},
        {w + " " + dir.Path("o.fits") + " --max-pixels 0", 2, "--max-pixels 0: expected"},
        {dir.Path("none") + " " + dir.Path("o.fits"), 1, "not a folder"},
        {w + " " + dir.Path("o.fits") + " --dark " + dir.Path("o.fits"), 1, "the output is"},
        {w + " " + dir.Path("o.fits") + " --idle 0.2", 1, "no light was accepted"},
        {lit.dir() + " " + dir.Path("o.fits") + " --max-pixels 3071 --idle 0.3", 1, "no light was"},
    };
    for (const Case& c : kCases) ExpectCli(dir, "live " + c.args, c.status, c.says);
}

TEST(CliSignals, AWriteEndedByASignalLeavesNoTemporaryFile) {
    struct Case {
        const char* command;  // writing OUT, 64 x 48
        const char* out;
        int ignored;            // started with this signal ignored (0: none)
        std::vector<int> sent;  // in this order; the last one ends the program
    };
    const Case kCases[] = {
        {"sample", "out.png", 0, {SIGINT}},
        {"sample-raw", "out.dng", 0, {SIGTERM}},
        {"sample", "out.tif", 0, {SIGHUP}},
        {"sample", "out.bmp", SIGHUP, {SIGHUP, SIGTERM}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.out);
        TempDir dir;
        const std::string out = dir.Path(c.out);
        WriteAll(out, {'o', 'l', 'd'});
        const pid_t pid = Start({c.command, out, "64", "48"}, "", c.ignored, true);
        ASSERT_GT(pid, 0);
        // The writer waits in its commit until a signal comes (a minute at most).
        while (!HasTemporaryFile(dir.dir()) && waitpid(pid, nullptr, WNOHANG) == 0) usleep(10000);
        ASSERT_TRUE(HasTemporaryFile(dir.dir()));
        for (const int sig : c.sent) kill(pid, sig);
        EXPECT_EQ(Finish(pid), 128 + c.sent.back());
        EXPECT_FALSE(HasTemporaryFile(dir.dir()));
        EXPECT_EQ(ReadAll(out), (std::vector<uint8_t>{'o', 'l', 'd'}));
    }
}

}  // namespace
}  // namespace orva
