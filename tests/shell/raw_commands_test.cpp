// Dark frames and RAW settings through the shell: the dark list, the dark-file command and the
// RAW settings command. (Loading with the settings and darks is run end to end by orva-cli's
// tests.)
#include "shell/raw_commands.h"

#include <gtest/gtest.h>

#include "raw/raw_fixtures.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "support/images.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::Harness;
using testing::TempDir;

std::string WriteRaw(const TempDir& dir, const std::string& name, int w, int h, uint16_t level) {
    DngMosaic m = testing::MakeMosaic(w, h, testing::kRggb, [level](int c, int x, int) {
        return static_cast<uint16_t>(level + 100 * c + (x % 5) * 20);
    });
    m.white = 4095;
    m.make = "Orvacam";
    return testing::WriteFixture(dir.Path(name), m);
}

TEST(DarkList, AddRemoveAndRefusals) {
    std::array<std::string, kMaxDarkFiles> list{};
    EXPECT_STREQ(AddDarkFile(list, "a.png"), msg::kDarkNotRawOrFits);
    for (const char* name : {"1.CR2", "2.fits", "3.nef", "4.dng"})
        EXPECT_EQ(AddDarkFile(list, name), nullptr);
    EXPECT_STREQ(AddDarkFile(list, "5.dng"), msg::kDarkListFull);
    EXPECT_EQ(CountDarkFiles(list), 4);
    RemoveDarkFile(list, 1);  // entry 2 of four: 3 and 4 move up
    EXPECT_EQ(list, (std::array<std::string, kMaxDarkFiles>{"1.CR2", "3.nef", "4.dng", ""}));
    EXPECT_EQ(AddDarkFile(list, "x.fts"), nullptr);
    EXPECT_EQ(list[3], "x.fts");
}

// OK builds the master from the list (none for an empty one), Cancel keeps it; mixed sizes or
// formats show their messages and leave no master.
TEST(DarkCommand, OkBuildsTheMasterCancelKeepsItMixedFilesLeaveNone) {
    TempDir dir;
    Harness h;
    const std::string a = WriteRaw(dir, "a.dng", 32, 24, 300);
    const std::string b = WriteRaw(dir, "b.dng", 32, 24, 340);
    const std::string c = WriteRaw(dir, "c.dng", 32, 26, 300);
    const std::string f = dir.Path("c.fits");
    ASSERT_TRUE(WriteImageFile(f, kFormatFits, testing::MakeRecord(32, 24, 3)).ok());
    std::array<std::string, kMaxDarkFiles> files{};
    bool ok = true;
    h.ui.dialog_handlers["DARK"] = [&](AppContext& ctx) {
        ctx.darks.files = files;
        return ok;
    };
    const auto run = [&](std::array<std::string, kMaxDarkFiles> list, bool answer) {
        files = list;
        ok = answer;
        ExecuteCommand(*h.ctx, kCmdDarkFiles);
    };
    run({a, b, "", ""}, true);
    EXPECT_TRUE(h.ctx->darks.has_raw());
    EXPECT_EQ(h.ctx->darks.format, kFormatRaw);
    // Initialising from the menu keeps the master; at start-up it forgets the list too.
    InitSettings(*h.ctx, 1);
    EXPECT_TRUE(h.ctx->darks.has_raw());
    InitSettings(*h.ctx, 0);
    EXPECT_FALSE(h.ctx->darks.has_raw());
    EXPECT_EQ(CountDarkFiles(h.ctx->darks.files), 0);
    run({a, b, "", ""}, true);
    run({}, false);  // Cancel: the dialog's edits are its own business; the master stays
    EXPECT_TRUE(h.ctx->darks.has_raw());
    run({}, true);
    EXPECT_FALSE(h.ctx->darks.has_raw());
    EXPECT_EQ(h.ctx->darks.format, -1);
    EXPECT_TRUE(h.ui.Texts(msg::kTitleError).empty());

    run({a, "", "", ""}, true);
    ASSERT_TRUE(h.ctx->darks.has_raw());
    run({a, c, "", ""}, true);
    EXPECT_FALSE(h.ctx->darks.has_raw());
    run({a, f, "", ""}, true);
    EXPECT_EQ(h.ctx->darks.format, -1);
    EXPECT_EQ(h.ui.Texts(msg::kTitleError),
              (std::vector<std::string>{msg::kDarkMixedSizes, msg::kDarkMixedFormats}));
}

TEST(RawSettingsCommand, CancelRestoresSlidersButKeepsTheAlgorithm) {
    Harness h;
    h.ui.dialog_handlers["RAWMODE"] = [](AppContext& ctx) {
        ctx.settings.raw.algorithm = 1;
        ctx.settings.raw.sharpness = 8;
        ctx.settings.raw.gamma[1] = 3.3;
        return false;
    };
    ExecuteCommand(*h.ctx, kCmdRawSettings);
    EXPECT_EQ(h.ctx->settings.raw.algorithm, 1);
    EXPECT_EQ(h.ctx->settings.raw.sharpness, 4);
    EXPECT_EQ(h.ctx->settings.raw.gamma[1], 2.2);
    h.ui.dialog_handlers["RAWMODE"] = [](AppContext& ctx) {
        ctx.settings.raw.sharpness = 7;
        return true;
    };
    ExecuteCommand(*h.ctx, kCmdRawSettings);
    EXPECT_EQ(h.ctx->settings.raw.sharpness, 7);
}

}  // namespace
}  // namespace orva
