// `orva-cli batch` end to end: a batch file written without the desktop, run over files one
// process or two, and what happens to outputs already there.
#include <gtest/gtest.h>

#include "support/files.h"
#include "support/orva_cli.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::ReadAll;
using testing::RunCli;
using testing::TempDir;

TEST(CliBatch, RunsOverFilesAlikeInOneOrTwoProcessesAndKeepsExistingOutputs) {
    TempDir dir;
    std::string inputs;
    for (int i = 0; i < 3; ++i) {
        const std::string in = dir.Path("in" + std::to_string(i) + ".ppm");
        ASSERT_EQ(RunCli(dir, "sample " + in + " " + std::to_string(40 + i) + " 30").status, 0);
        inputs += " " + in;
    }
    const std::string seq = dir.Path("seq.ovb");
    const auto batch = [&](const std::string& args) { return RunCli(dir, "batch " + args).status; };
    const std::string steps = "--write " + seq + " --step gamma --step noise --save ";
    ASSERT_EQ(batch(steps + dir.Path("one") + " tif --set noise=3,0,5"), 0);
    ASSERT_EQ(batch(seq + inputs), 0);
    ASSERT_EQ(batch(seq + inputs + " --jobs 2 --out " + dir.Path("two")), 0);
    for (int i = 0; i < 3; ++i) {
        const std::string name = "/in" + std::to_string(i) + ".TIF";
        const auto one = ReadAll(dir.Path("one") + name);
        ASSERT_FALSE(one.empty()) << name;
        EXPECT_EQ(one, ReadAll(dir.Path("two") + name)) << name;
    }
    // The step's noise settings are in the file: without them the result differs.
    ASSERT_EQ(batch(steps + dir.Path("three") + " tif"), 0);
    ASSERT_EQ(batch(seq + inputs), 0);
    EXPECT_NE(ReadAll(dir.Path("one/in0.TIF")), ReadAll(dir.Path("three/in0.TIF")));

    // An existing output is kept and said so; --overwrite replaces it.
    testing::WriteAll(dir.Path("three/in1.TIF"), {1, 2, 3});
    const auto kept = RunCli(dir, "batch " + seq + inputs);
    EXPECT_EQ(kept.status, 0);
    EXPECT_NE(kept.err.find("in1.TIF"), std::string::npos);
    EXPECT_EQ(ReadAll(dir.Path("three/in1.TIF")), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(batch(seq + inputs + " --overwrite"), 0);
    EXPECT_EQ(batch(seq + inputs + " --out " + dir.Path("four")), 0);
    EXPECT_EQ(ReadAll(dir.Path("three/in1.TIF")), ReadAll(dir.Path("four/in1.TIF")));
    EXPECT_NE(batch(dir.Path("in0.ppm") + inputs), 0);  // not a batch file
}

}  // namespace
}  // namespace orva
