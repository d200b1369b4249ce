// Runs of orva-cli for the end-to-end tests, and reading back what it wrote.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "imageio/formats.h"
#include "support/scripted_ui.h"

namespace orva::testing {

struct CliRun {
    int status;  // the exit status, -1 when the program did not exit normally
    std::string out, err;
};

// Runs orva-cli with the arguments; its standard output and error go through files in dir.
inline CliRun RunCli(const TempDir& dir, const std::string& args) {
    const std::string out = dir.Path("stdout.txt"), err = dir.Path("stderr.txt");
    const std::string cmd = std::string(ORVA_CLI_PATH) + " " + args + " >" + out + " 2>" + err;
    const int raw = std::system(cmd.c_str());
    auto slurp = [](const std::string& p) {
        std::ifstream in(p);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    };
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
}

// The exit status of orva-cli with the arguments.
inline int Cli(const TempDir& dir, const std::string& args) {
    return RunCli(dir, args).status;
}

// Runs orva-cli and expects its exit status and a part of its standard error; the run.
inline CliRun ExpectCli(const TempDir& dir, const std::string& args, int status,
                        const std::string& says = "") {
    CliRun r = RunCli(dir, args);
    EXPECT_EQ(r.status, status) << args << "\n" << r.err;
    EXPECT_NE(r.err.find(says), std::string::npos) << args << "\n" << r.err;
    return r;
}

// Reads a picture file that must be readable.
inline DecodedImage Read(const std::string& path) {
    DecodedImage img;
    EXPECT_TRUE(ReadImageFile(path, DetectFormat(path), img).ok()) << path;
    return img;
}

}  // namespace orva::testing
