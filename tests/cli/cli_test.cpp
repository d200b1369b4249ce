// orva-cli end to end: every operation of `apply` gives what its desktop command gives in
// process, conversions round-trip exactly, and failures exit non-zero with one line. The
// operations' own numbers are checked by their unit tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "imageio/formats.h"
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

using testing::CliRun;
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
    const char* sets;   // --set assignments separated by spaces
    int width, height;  // of the result; 0 keeps the source's
};

// clang-format off
const ApplyCase kApply[] = {
    {"sharpen", kCmdSharpen, "", 0, 0},
    {"edge", kCmdEdge, "", 0, 0},
    {"resize", kCmdResize, "resize_size=37,23,74,46", 74, 46},
    {"crop", kCmdCrop, "", 0, 0},
    {"rotate", kCmdRotate, "round=0", 23, 37},
    {"distortion", kCmdDistortion, "", 0, 0},
    {"gamma", kCmdGamma, "", 0, 0},
    {"level", kCmdLevel, "", 0, 0},
    {"dynamic-range", kCmdDynamicRange, "", 0, 0},
    {"wavelet", kCmdWavelet, "wavelet=10,12,15,20,30,50", 0, 0},
    {"wavelet", kCmdWavelet, "wavelet=10,10,10,10,10,10 filter=1,1", 74, 46},
    {"restore", kCmdRestore, "restore=1,50,5,3", 0, 0},
    {"gray", kCmdGrey, "gray=0", 0, 0},
    {"saturation", kCmdSaturationHue, "color=100,300", 0, 0},
    {"colour-rgb", kCmdColourChangeRgb, "chgrgb=40,40,40,200,0,100,100", 0, 0},
    {"colour-hsv", kCmdColourChangeHsv, "chghsv=0,0,40,0,0,50,0", 0, 0},
    {"noise", kCmdNoise, "noise=3,0,5", 0, 0},
    {"lines", kCmdLineSeparation, "", 0, 0},
};
// clang-format on

TEST_F(CliTest, ApplyGivesWhatTheCommandGivesInProcess) {
    for (const ApplyCase& c : kApply) {
        SCOPED_TRACE(std::string(c.op) + " " + c.sets);
        const bool lines = c.command == kCmdLineSeparation;
        std::string args = "apply " + std::string(c.op) + " @s.ppm @out.ppm --settings @a.ovg";
        std::vector<std::string> sets;
        std::istringstream words(c.sets);
        for (std::string s; words >> s;) {
            sets.push_back(s);
            args += " --set " + s;
        }
        if (lines) args += " --even @even.ppm";
        const CliRun run = RunCli(dir, Args(args));
        ASSERT_EQ(run.status, 0) << run.err;

        // The same command in process: the settings file, then the assignments, then the
        // picture as the reader gives it.
        testing::Harness h;
        AppContext& ctx = *h.ctx;
        ASSERT_TRUE(LoadSettingsFile(dir.Path("a.ovg"), ctx.settings));
        for (const auto& s : sets) ASSERT_TRUE(ApplySettingAssignment(ctx.settings, s, nullptr));
        StoreDecoded(ctx.ws.at(0), Read(dir.Path("s.ppm")), dir.Path("s.ppm"));
        MarkLoaded(ctx.ws, 0);
        ASSERT_TRUE(ExecuteCommand(ctx, c.command));
        ImageRecord* want = ctx.ws.Current();
        ASSERT_NE(want, nullptr);
        SpreadSinglePlane(*want);
        const DecodedImage got = Read(dir.Path("out.ppm"));
        testing::ExpectSamePlanes(got, *want);
        EXPECT_EQ(got.width, c.width ? c.width : 37);
        EXPECT_EQ(got.height, c.height ? c.height : 23);
        if (lines) {
            // The even rows are in the other new slot.
            ImageRecord& even = ctx.ws.at(ctx.ws.current == 1 ? 2 : 1);
            SpreadSinglePlane(even);
            testing::ExpectSamePlanes(Read(dir.Path("even.ppm")), even);
        }
    }
}

TEST_F(CliTest, ConversionsRoundTripExactly) {
    const DecodedImage original = Read(dir.Path("s.ppm"));
    struct Step {
        const char* args;
        const char* result;
        int shift;  // low bits a format does not keep
    };
    // clang-format off
    const Step steps[] = {
        {"convert @s.ppm @a.ppm --ppm ascii", "a.ppm", 0},
        {"convert @a.ppm @b.ppm", "b.ppm", 0},
        {"convert @s.ppm @c.bmp", "c.bmp", 8},
        {"convert @c.bmp @d.bmp", "d.bmp", 8},
    };
    // clang-format on
    for (const Step& s : steps) {
        SCOPED_TRACE(s.args);
        ASSERT_EQ(RunCli(dir, Args(s.args)).status, 0);
        const DecodedImage got = Read(dir.Path(s.result));
        ASSERT_EQ(got.width, original.width);
        ASSERT_EQ(got.height, original.height);
        for (std::size_t i = 0; i < got.red.size(); ++i) {
            ASSERT_EQ(got.red[i] >> s.shift, original.red[i] >> s.shift) << i;
            ASSERT_EQ(got.blue[i] >> s.shift, original.blue[i] >> s.shift) << i;
        }
    }
    const CliRun info = RunCli(dir, Args("info @c.bmp"));
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.out, dir.Path("c.bmp") + ": BMP 37x23\n");
}

TEST_F(CliTest, FailuresExitNonZeroAndSayWhy) {
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
        {"apply saturation @s.ppm @out.ppm --set color=201", 1, "--set color=201"},
        {"apply resize @s.ppm @out.bmp --settings @missing.ovg", 1, "missing.ovg"},
        {"apply lines @s.ppm @out.ppm", 2, "--even"},
        {"apply gray @s.ppm @out.ppm --even @e.ppm", 2, "--even"},
        {"convert only-one-arg", 2, "IN and OUT"},
        {"frobnicate", 2, "unknown command"},
        {"sample @out.txt", 1, "out.txt"},
        // Not a failure: a picture too wide to enlarge is processed at its own size, and the
        // user is told.
        {"apply wavelet @wide.ppm @o.ppm --set filter=1,1", 0,
         "サイズが大きすぎ、２倍に拡大できません！ 等倍で処理します。"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const CliRun r = RunCli(dir, Args(c.args));
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err.rfind("orva-cli: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
        if (c.status == 1) {
            EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        }
        for (const char* ext : {"ppm", "bmp", "gif", "txt"})
            EXPECT_FALSE(std::filesystem::exists(dir.Path(std::string("out.") + ext)));
    }
    EXPECT_EQ(Read(dir.Path("o.ppm")).width, 5000);
}

TEST_F(CliTest, InfoPrintsTheCameraFieldsOfJpegFiles) {
    REQUIRE_TOOL("exiftool");
    const std::string jpg = dir.Path("cam.jpg");
    ASSERT_EQ(RunCli(dir, Args("convert @s.ppm @cam.jpg --jpeg jfif")).status, 0);
    ASSERT_EQ(testing::Shell("exiftool -q -overwrite_original -Make=Nikon -Model=D850 "
                             "-ModifyDate='2025:03:04 05:06:07' -ExposureTime=1/250 -FNumber=4 "
                             "-ISO=800 '" +
                             jpg + "'"),
              0);
    const CliRun r = RunCli(dir, "info " + jpg);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, jpg +
                         ": JPEG 37x23 make=\"Nikon\" model=\"D850\" date=\"2025:03:04 05:06:07\" "
                         "exposure=1/250 f-number=4/1 iso=800\n");
}

TEST_F(CliTest, KeywordListingNamesTheSettingsVocabulary) {
    const CliRun r = RunCli(dir, "keywords");
    EXPECT_EQ(r.status, 0);
    for (const char* kw : {"sharp ", "gamma ", "compfile ", "VER560 "})
        EXPECT_NE(r.out.find(kw), std::string::npos) << kw;
}

}  // namespace
}  // namespace orva
