// The calibrated stacking command: its dialog's lists into a new image, with progress, and the
// refusals.
#include "shell/calibrated_commands.h"

#include <gtest/gtest.h>

#include "imageio/formats.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::Harness;
using testing::TempDir;

std::string Frame(const TempDir& dir, const std::string& name, int w, int h, int shift, float add) {
    LinearImage img;
    img.width = w;
    img.height = h;
    img.planes = 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int sx = x - shift;
            img.data.push_back(add + 1000.0f +
                               ((sx - 20) * (sx - 20) + (y - 15) * (y - 15) < 9 ? 8000.0f : 0.0f));
        }
    const std::string path = dir.Path(name);
    EXPECT_TRUE(WriteFitsLinear(path, img, false, {}).ok());
    return path;
}

TEST(CalibratedStackCommand, StacksTheListedFramesIntoANewImage) {
    TempDir dir;
    Harness h;
    AppContext& ctx = *h.ctx;
    CalibratedStackSettings& s = ctx.settings.calibrated;
    h.ui.dialog_handlers["CALSTACK"] = [](AppContext&) { return true; };
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdCalibratedStack));
    EXPECT_EQ(h.ui.Texts(msg::kTitleError), std::vector<std::string>{msg::kNoLightFrames});

    for (const char* name : {"l0.fits", "l1.fits", "l2.fits"})
        s.lights.push_back(Frame(dir, name, 48, 32, name[1] - '0', 300));
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdCalibratedStack));
    ASSERT_EQ(ctx.ws.current, 0);
    const ImageRecord& rec = ctx.ws.at(0);
    EXPECT_EQ(rec.width, 48);
    EXPECT_EQ(rec.single_plane, 1);
    EXPECT_EQ(rec.changed, 1);
    // The values themselves are the stack's business (tests/stack); here: the star is there.
    EXPECT_GT(rec.red[15 * 48 + 20], rec.red[15 * 48 + 40]);
    ASSERT_FALSE(h.ui.progress.empty());
    EXPECT_EQ(h.ui.progress.back(), -1);
    EXPECT_EQ(h.ui.progress[h.ui.progress.size() - 2], 100);
    // The desktop shows the engine's lines in its own words.
    EXPECT_EQ(h.ui.progress_texts[h.ui.progress_texts.size() - 2], "完了");
    for (const std::string& line : h.ui.progress_texts)
        EXPECT_EQ(line.find("registering"), std::string::npos) << line;

    // A frame of another size: said, and no image made.
    s.flats = {Frame(dir, "small.fits", 20, 20, 0, 0)};
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdCalibratedStack));
    EXPECT_NE(h.ui.Texts(msg::kTitleError).back().find("small.fits"), std::string::npos);
    EXPECT_FALSE(ctx.ws.at(1).occupied());
}

TEST(CalibratedStackCommand, ProgressLinesInTheDesktopsWords) {
    const std::pair<const char*, const char*> rows[] = {
        {"reading the RAW frames", "RAWフレームを読み込んでいます"},
        {"master bias of 5 frame(s)", "マスターバイアスを作成中（5枚）"},
        {"master dark of 12 frame(s)", "マスターダークを作成中（12枚）"},
        {"master flat of 1 frame(s)", "マスターフラットを作成中（1枚）"},
        {"registering 3/20", "位置合わせ中　3／20枚"},
        {"combining plane 2 row 512/3000", "合成中　プレーン2　512／3000行"},
        {"left out l7.fits: too few stars", "除外：l7.fits: too few stars"},
        {"done", "完了"},
        // Lines of another form, or with more after a known form, pass unchanged.
        {"master comet of 3 frame(s)", "master comet of 3 frame(s)"},
        {"registering 3/20 again", "registering 3/20 again"},
        {"", ""},
    };
    for (const auto& [line, shown] : rows) EXPECT_EQ(DesktopStackProgress(line), shown) << line;
}

}  // namespace
}  // namespace orva
