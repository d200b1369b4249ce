// orva-cli end to end: `apply` gives what the desktop command gives in process, conversions
// follow the output name and options, and failures exit non-zero with one line. The
// operations' own numbers are checked by their unit tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "imageio/formats.h"
#include "raw/raw_fixtures.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/settings.h"
#include "support/files.h"
#include "support/images.h"
#include "support/orva_cli.h"
#include "support/scripted_ui.h"
#include "workspace/workspace.h"

namespace orva {
namespace {

using testing::Cli;
using testing::CliRun;
using testing::ExpectCli;
using testing::Read;
using testing::RunCli;
using testing::TempDir;

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RunCli(dir, "sample " + dir.Path("s.ppm") + " 37 23").status, 0);
        std::ofstream(dir.Path("a.ovg")) << "resize 1 0\n";
    }
    // The arguments with every '@' replaced by the test's folder.
    std::string Args(const std::string& pattern) const {
        std::string out;
        for (char c : pattern) out += c == '@' ? dir.dir() + "/" : std::string(1, c);
        return out;
    }
    TempDir dir;
};

struct ApplyCase {
    const char* op;
    int command;
    std::vector<std::string> sets;  // --set assignments
};

// One operation of each kind the program handles on its own way: a plain one, sizes that
// change, several assignments, a grey result spread to three planes, and a second output.
// The names all come from one table, so one of a kind stands for the rest.
const ApplyCase kApply[] = {
    {"sharpen", kCmdSharpen, {}},
    {"resize", kCmdResize, {"resize_size=37,23,74,46"}},
    {"rotate", kCmdRotate, {"round=0"}},
    {"wavelet", kCmdWavelet, {"wavelet=10,10,10,10,10,10", "filter=1,1"}},
    {"gray", kCmdGrey, {"gray=0"}},
    {"lines", kCmdLineSeparation, {}},
};

TEST_F(CliTest, ApplyGivesWhatTheCommandGivesInProcess) {
    for (const ApplyCase& c : kApply) {
        SCOPED_TRACE(c.op);
        const bool lines = c.command == kCmdLineSeparation;
        std::string args = "apply " + std::string(c.op) + " @s.ppm @out.ppm --settings @a.ovg";
        for (const auto& s : c.sets) args += " --set " + s;
        if (lines) args += " --even @even.ppm";
        const CliRun run = RunCli(dir, Args(args));
        ASSERT_EQ(run.status, 0) << run.err;

        // The same command in process: the settings file, then the assignments, then the
        // picture as the reader gives it.
        testing::Harness h;
        AppContext& ctx = *h.ctx;
        ASSERT_TRUE(LoadSettingsFile(dir.Path("a.ovg"), ctx.settings));
        for (const auto& s : c.sets) ASSERT_TRUE(ApplySettingAssignment(ctx.settings, s, nullptr));
        StoreDecoded(ctx.ws.at(0), Read(dir.Path("s.ppm")), dir.Path("s.ppm"));
        MarkLoaded(ctx.ws, 0);
        ASSERT_TRUE(ExecuteCommand(ctx, c.command));
        ImageRecord* want = ctx.ws.Current();
        ASSERT_NE(want, nullptr);
        SpreadSinglePlane(*want);
        testing::ExpectSamePlanes(Read(dir.Path("out.ppm")), *want);
        if (lines) {
            // The even rows are in the other new slot.
            ImageRecord& even = ctx.ws.at(ctx.ws.current == 1 ? 2 : 1);
            SpreadSinglePlane(even);
            testing::ExpectSamePlanes(Read(dir.Path("even.ppm")), even);
        }
    }
}

// The writer follows the output name (the options are the conventions test's) and info says
// what a file is; failures exit non-zero and say why; a settings file's unknown keywords are
// warned about.
TEST_F(CliTest, ConversionsFollowTheOutputNameAndFailuresSayWhy) {
    ASSERT_EQ(RunCli(dir, Args("convert @s.ppm @c.bmp")).status, 0);
    EXPECT_EQ(ExpectCli(dir, Args("info @c.bmp"), 0).out, dir.Path("c.bmp") + ": BMP 37x23\n");

    std::ofstream(dir.Path("bad.ppm")) << "P6\n4 4\n255\nxx";
    ASSERT_EQ(RunCli(dir, Args("sample @wide.ppm 5000 2")).status, 0);
    struct Case {
        const char* args;
        int status;  // 1: one line on stderr; 2: a usage error
        const char* why;
    };
    // clang-format off
    const Case cases[] = {
        {"convert @nope.bmp @out.ppm", 1, "nope.bmp"},
        {"convert @bad.ppm @out.bmp", 1, "bad.ppm"},
        {"convert @s.ppm @out.gif", 1, "cannot write GIF"},
        {"convert @s.ppm @out.txt", 1, "unknown output format"},
        {"apply blur @s.ppm @out.ppm", 1, "unknown operation"},
        {"apply sharpen @s.ppm @out.ppm --set sharp=99", 1, "--set sharp=99"},
        {"apply resize @s.ppm @out.bmp --settings @missing.ovg", 1, "missing.ovg"},
        {"apply resize @s.ppm @out.bmp --settings @s.ppm", 1, "s.ppm: not a settings file"},
        {"info @s.ppm --max-pixels 850", 1, "more than the limit of 850 pixels"},
        {"apply lines @s.ppm @out.ppm", 2, "--even"},
        {"frobnicate", 2, "unknown command"},
        {"sample @out.txt", 1, "out.txt"},
        // Not a failure: a picture too wide to enlarge is processed at its own size, and the
        // user is told.
        {"apply wavelet @wide.ppm @o.ppm --set filter=1,1", 0,
         "too large to enlarge twice: processed at its own size"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const CliRun r = ExpectCli(dir, Args(c.args), c.status, c.why);
        EXPECT_EQ(r.err.rfind("orva-cli: ", 0), 0u) << r.err;
        if (c.status == 1) {
            EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        }
        for (const char* ext : {"ppm", "bmp", "gif", "txt"})
            EXPECT_FALSE(std::filesystem::exists(dir.Path(std::string("out.") + ext)));
    }
    EXPECT_EQ(Read(dir.Path("o.ppm")).width, 5000);

    // Unknown keywords of a settings file are warned about, one line each, and the rest read.
    std::ofstream(dir.Path("b.ovg")) << "resize 1 0\nfoo 3\n";
    const CliRun r = RunCli(dir, Args("info @s.ppm --max-pixels 851 --settings @b.ovg"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, dir.Path("b.ovg") + ": unknown keyword foo\n");
    // The known ones are what `keywords` lists.
    const CliRun listing = ExpectCli(dir, "keywords", 0);
    for (const char* kw : {"sharp ", "gamma ", "compfile ", "VER560 "})
        EXPECT_NE(listing.out.find(kw), std::string::npos) << kw;
}

// `preview`: the window's view of a file at a zoom, plain or stretched (the view's own
// levels are checked by the view tests).
TEST_F(CliTest, PreviewZoomAndStretchReachTheView) {
    const std::string in = dir.Path("s.ppm");
    const auto preview = [&](const std::string& out, const std::string& more) {
        return RunCli(dir, "preview " + in + " " + dir.Path(out) + more).status;
    };
    ASSERT_EQ(preview("plain.png", ""), 0);
    ASSERT_EQ(preview("half.bmp", " --zoom 50"), 0);
    ASSERT_EQ(preview("auto.png", " --stretch auto"), 0);
    const DecodedImage source = Read(in), plain = Read(dir.Path("plain.png"));
    ASSERT_EQ(std::pair(plain.width, plain.height), std::pair(37, 23));
    // At 100 % every screen level is the sample's high byte.
    for (std::size_t i = 0; i < source.red.size(); i += 7)
        ASSERT_EQ(plain.red[i] >> 8, source.red[i] >> 8) << i;
    EXPECT_EQ(Read(dir.Path("half.bmp")).width, 18);
    EXPECT_NE(testing::ReadAll(dir.Path("auto.png")), testing::ReadAll(dir.Path("plain.png")));

    EXPECT_EQ(preview("x.png", " --zoom 0"), 2);
    EXPECT_NE(RunCli(dir, "preview " + dir.Path("none.fits") + " " + dir.Path("x.png")).status, 0);
}

// The background operations: extra pictures and clicked places reach the operation (its
// numbers are checked by the background unit tests), and the refusals a script needs.
TEST_F(CliTest, BackgroundExtraPicturesPointsAndRefusals) {
    ASSERT_EQ(Cli(dir, Args("sample @b.ppm 64 48")), 0);
    const auto apply = [&](const std::string& op, const std::string& out, const std::string& more) {
        return Args("apply " + op + " @b.ppm @" + out + " " + more);
    };
    // The picture given by --with reaches the comparison: itself gives the reference level.
    ASSERT_EQ(Cli(dir, apply("compare", "d.ppm", "--with @b.ppm --set compare_level=100")), 0);
    EXPECT_EQ(Read(dir.Path("d.ppm")).red[0], 100 * 256 - 1);
    ASSERT_EQ(Cli(dir, apply("make-background", "bg.ppm", "--set back3=16,4,0,30,0")), 0);
    EXPECT_EQ(Cli(dir, apply("background-image", "c.ppm", "--background @bg.ppm")), 0);
    EXPECT_EQ(Cli(dir, apply("background-points", "p.ppm", "--points 3,3 60,3 30,24 3,44 60,44")),
              0);
    ExpectCli(dir, apply("background-points", "p.ppm", "--points 3,3 64,3"), 1,
              "outside the picture");
    EXPECT_EQ(Cli(dir, apply("background-points", "p.ppm", "--points 3,3")), 1);
    EXPECT_EQ(Cli(dir, apply("compare", "p.ppm", "")), 1);  // nothing to compare with
    ExpectCli(dir, apply("background", "r.ppm", ""), 1, "edge levels");
    EXPECT_EQ(Cli(dir, apply("background", "r.ppm", "--set back2=1,100,50,100,50,100,50")), 0);
}

// On camera RAW files: convert develops with the RAW settings, info shows the camera fields,
// --dark and --set reach the development.
std::string WriteRaw(const TempDir& dir, const std::string& name, int w, int h) {
    DngMosaic m = testing::MakeMosaic(w, h, testing::kGbrg, [](int c, int x, int y) {
        return static_cast<uint16_t>(500 + 300 * c + 11 * x + 5 * y);
    });
    m.white = 4095;
    m.make = "Orvacam";
    m.model = "X1";
    m.exposure = 2.5;
    m.f_number = 8;
    m.iso = 400;
    return testing::WriteFixture(dir.Path(name), m);
}

TEST_F(CliTest, RawConvertDevelopsInfoShowsTheCameraAndSettingsAndDarksReachTheDevelopment) {
    const std::string in = WriteRaw(dir, "x.dng", 40, 30);
    ASSERT_EQ(Cli(dir, "convert " + in + " " + dir.Path("a.tif")), 0);
    const DecodedImage a = Read(dir.Path("a.tif"));
    EXPECT_EQ(std::pair(a.width, a.height), std::pair(40, 30));
    const CliRun info = ExpectCli(dir, "info " + in, 0);
    EXPECT_NE(info.out.find("camera RAW 40x30 make=\"Orvacam\" model=\"X1\""), std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find("exposure=25/10 f-number=80/10 iso=400"), std::string::npos)
        << info.out;
    // The reference development (algorithm 1, quality 0) gives another picture.
    ASSERT_EQ(Cli(dir, "convert " + in + " " + dir.Path("b.tif") + " --set dark=1,0,2,0"), 0);
    EXPECT_NE(testing::At(a, 20, 15), testing::At(Read(dir.Path("b.tif")), 20, 15));
    // The file as its own dark leaves nothing.
    ASSERT_EQ(Cli(dir, "convert " + in + " " + dir.Path("c.tif") + " --dark " + in), 0);
    EXPECT_EQ(testing::At(Read(dir.Path("c.tif")), 20, 15), testing::Grey(0));

    const std::string other = WriteRaw(dir, "y.dng", 40, 32);
    ExpectCli(dir, "convert " + in + " " + dir.Path("o.tif") + " --dark " + in + " --dark " + other,
              1, "different sizes");
    ExpectCli(
        dir, "info " + in + " --dark a.dng --dark b.dng --dark c.dng --dark d.dng --dark e.dng", 2);
}

}  // namespace
}  // namespace orva
