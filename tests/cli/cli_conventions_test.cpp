// What every orva-cli command does alike: help, options and numbers, file names starting
// with '-', an output that would replace an input, the compositing limit, and a batch that
// goes on past a failing file, alike in one process or several, keeping existing outputs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/orva_cli.h"

namespace orva {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::RunCli;
using testing::TempDir;

// Runs in the test's folder, so that anything written to a relative name is seen.
class CliConventions : public ::testing::Test {
protected:
    void SetUp() override {
        before_ = fs::current_path();
        fs::current_path(dir.dir());
        for (const char* name : {"a.fits", "b.fits"})
            ASSERT_EQ(RunCli(dir, std::string("starfield ") + name + " 60 40 0 0").status, 0);
        ASSERT_EQ(RunCli(dir, "sample s.ppm 20 12").status, 0);
    }
    void TearDown() override { fs::current_path(before_); }
    // The names in the folder besides the captured output.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.dir())) {
            const std::string n = e.path().filename().string();
            if (n != "stdout.txt" && n != "stderr.txt") names.push_back(n);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    TempDir dir;

private:
    fs::path before_;
};

TEST_F(CliConventions, EveryCommandPrintsItsUsageForHelpAndWritesNothing) {
    const std::vector<std::string> before = Names();
    for (const char* args :
         {"info --help", "convert -h", "apply --help", "apply lines s.ppm o.ppm --help",
          "batch --help", "batch --write x.ovb --help", "preview --help", "stack --help",
          "stack out.fits a.fits -h", "composite --help", "lrgb -h", "starfield --help",
          "sample --help", "sample out.ppm 10 10 -h", "sample-raw --help", "sample-session -h",
          "ops --help", "keywords -h"}) {
        SCOPED_TRACE(args);
        const auto r = RunCli(dir, args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("usage"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(std::string(args).substr(0, std::string(args).find(' '))),
                  std::string::npos);
        EXPECT_EQ(Names(), before);
    }
}

TEST_F(CliConventions, OptionsNumbersAndDashedNamesFollowOneRule) {
    const std::vector<std::string> before = Names();
    // Every one a usage error before anything is read or written.
    for (const char* args : {
             "sample -x.ppm",                            // a leading dash is never a file
             "sample-raw --x",                           //
             "info -s.ppm",                              //
             "convert s.ppm -o.bmp",                     //
             "composite o.fits -a.fits b.fits",          //
             "sample o.ppm 10abc 10",                    // malformed numbers
             "sample o.ppm 10 ''",                       //
             "sample-raw o.dng 10 -5",                   //
             "starfield o.fits 10abc 10 0 0",            //
             "preview s.ppm o.png --zoom 5x",            //
             "sample-session o --lights 3.5",            //
             "batch x.ovb s.ppm --jobs 2x",              //
             "apply gamma s.ppm o.ppm --frob",           // unknown options
             "stack o.fits a.fits b.fits --frob",        //
             "composite o.fits a.fits b.fits --frob 1",  //
             "lrgb o.ppm --l s.ppm --rgb s.ppm --x",     //
             "preview s.ppm o.png -z 2",                 //
         }) {
        SCOPED_TRACE(args);
        const auto r = RunCli(dir, args);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(r.err.rfind("orva-cli: ", 0), 0u) << r.err;
        EXPECT_EQ(Names(), before);
    }
    // After "--" a dashed name is a file; negative shifts are numbers where a command takes
    // them.
    ASSERT_EQ(RunCli(dir, "sample -- -d.ppm 8 6").status, 0);
    EXPECT_EQ(ReadAll(dir.Path("-d.ppm")).empty(), false);
    EXPECT_EQ(RunCli(dir, "convert -- -d.ppm -e.bmp").status, 0);
    EXPECT_EQ(RunCli(dir, "starfield c.fits 60 40 -3 -2").status, 0);
}

TEST_F(CliConventions, AnOutputNeverReplacesAnInput) {
    fs::create_symlink(dir.Path("a.fits"), dir.Path("link.fits"));
    fs::create_directory(dir.Path("sub"));
    ASSERT_EQ(RunCli(dir, "sample x.TIF 20 12").status, 0);
    ASSERT_EQ(RunCli(dir, "batch --write g.ovb --step gamma --save " + dir.dir() + " tif").status,
              0);
    const auto a = ReadAll("a.fits"), s = ReadAll("s.ppm"), x = ReadAll("x.TIF");
    struct Case {
        const char* args;
        const char* names;  // what the message names
    };
    const Case cases[] = {
        {"stack a.fits b.fits a.fits --reject sigma", "a.fits"},
        {"stack a.fits b.fits a.fits", "a.fits"},
        {"stack sub/../a.fits b.fits --dark a.fits", "a.fits"},
        {"composite a.fits a.fits b.fits", "a.fits"},
        {"composite link.fits a.fits b.fits", "link.fits"},  // the same file by a link
        {"lrgb s.ppm --l s.ppm --rgb s.ppm", "s.ppm"},
        {"apply lines s.ppm o.ppm --even o.ppm", "o.ppm"},
        {"apply lines s.ppm o.ppm --even s.ppm", "s.ppm"},
        {"apply background-image s.ppm b.ppm --background b.ppm", "b.ppm"},
        {"batch g.ovb x.TIF", "x.TIF"},
        {"batch g.ovb s.ppm sub/s.ppm --out o", "s.TIF"},  // two inputs, one output name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const auto r = RunCli(dir, c.args);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find(c.names), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_FALSE(fs::exists("o.ppm"));
        EXPECT_FALSE(fs::exists("o"));
    }
    EXPECT_EQ(ReadAll("a.fits"), a);
    EXPECT_EQ(ReadAll("s.ppm"), s);
    EXPECT_EQ(ReadAll("x.TIF"), x);
    // One picture replaced by its result is what the user asked for.
    EXPECT_EQ(RunCli(dir, "convert s.ppm s.ppm --ppm ascii").status, 0);
    EXPECT_EQ(ReadAll("s.ppm")[1], '3');
    EXPECT_EQ(RunCli(dir, "apply gamma s.ppm ./s.ppm").status, 0);
}

TEST_F(CliConventions, CompositeTakesAtMostSixteenFilesAndSaysSoBeforeReadingAny) {
    std::string files;
    for (int i = 0; i < 17; ++i) files += " missing" + std::to_string(i) + ".fits";
    const auto r = RunCli(dir, "composite o.fits" + files);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.find("missing"), std::string::npos) << r.err;  // none was looked at
    EXPECT_NE(r.err.find("at most 16"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("orva-cli stack"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists("o.fits"));
}

// A batch goes on past a file it cannot read, with the same bytes whatever the number of
// processes, and its summary and status say so; the step's settings travel in the batch file,
// and an output already there is kept unless --overwrite.
TEST_F(CliConventions, BatchGoesOnPastAFailingFileInEveryJobsModeAndKeepsExistingOutputs) {
    std::ofstream("bad.ppm") << "P6\n4 4\n255\nxx";
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(
            RunCli(dir, "sample in" + std::to_string(i) + ".ppm " + std::to_string(30 + i) + " 20")
                .status,
            0);
    const std::string steps = "batch --write g.ovb --step gamma --step noise --save ";
    ASSERT_EQ(RunCli(dir, steps + "out tif --set noise=3,0,5").status, 0);
    std::vector<std::vector<uint8_t>> first;  // the outputs of the first run
    for (const char* jobs : {"", " --jobs 1", " --jobs 2"}) {
        SCOPED_TRACE(jobs);
        fs::remove_all("out");
        const auto r = RunCli(dir, std::string("batch g.ovb in0.ppm in1.ppm bad.ppm in2.ppm "
                                               "in3.ppm") +
                                       jobs);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("4 written, 1 failed\n"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("bad.ppm: cannot read the picture"), std::string::npos) << r.err;
        std::vector<std::vector<uint8_t>> outs;
        for (int i = 0; i < 4; ++i) {
            outs.push_back(ReadAll("out/in" + std::to_string(i) + ".TIF"));
            EXPECT_FALSE(outs.back().empty()) << i;
        }
        if (first.empty()) first = outs;
        EXPECT_EQ(outs, first);
        // Messages are English lines: nothing of the desktop's texts.
        for (const char c : r.err) EXPECT_LT(static_cast<unsigned char>(c), 0x80u) << r.err;
    }
    // Without the step's noise settings in the file the result differs.
    ASSERT_EQ(RunCli(dir, steps + "plain tif").status, 0);
    ASSERT_EQ(RunCli(dir, "batch g.ovb in0.ppm").status, 0);
    EXPECT_NE(ReadAll("plain/in0.TIF"), first[0]);

    // An existing output is kept and said so; --overwrite replaces it.
    testing::WriteAll("plain/in1.TIF", {1, 2, 3});
    const auto kept = RunCli(dir, "batch g.ovb in0.ppm in1.ppm");
    EXPECT_EQ(kept.status, 0) << kept.err;
    EXPECT_NE(kept.err.find("in1.TIF"), std::string::npos) << kept.err;
    EXPECT_EQ(ReadAll("plain/in1.TIF"), (std::vector<uint8_t>{1, 2, 3}));
    const auto ok = RunCli(dir, "batch g.ovb in0.ppm in1.ppm --overwrite");
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_NE(ok.err.find("2 written, 0 failed"), std::string::npos) << ok.err;
    ASSERT_EQ(RunCli(dir, "batch g.ovb in1.ppm --out four").status, 0);
    EXPECT_EQ(ReadAll("plain/in1.TIF"), ReadAll("four/in1.TIF"));
    EXPECT_NE(RunCli(dir, "batch in0.ppm in1.ppm").status, 0);  // not a batch file
}

}  // namespace
}  // namespace orva
