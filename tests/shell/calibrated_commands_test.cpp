// The calibrated stacking command: its dialog's lists into a new image, with progress, and the
// refusals.
#include "shell/calibrated_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <utility>

#include "imageio/formats.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "stack/stack_settings.h"
#include "support/files.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::Harness;
using testing::TempDir;

// A sky of `add` + 1000 with one bright star at (20 + shift, 15).
std::string Frame(const TempDir& dir, const std::string& name, int w, int h, int shift, float add) {
    return testing::WriteLinear(
        dir.Path(name), w, h,
        [&](int x, int y) {
            const int sx = x - shift;
            return add + 1000.0 + ((sx - 20) * (sx - 20) + (y - 15) * (y - 15) < 9 ? 8000.0 : 0.0);
        },
        {}, false);
}

// The listed frames into a new image with progress; stopped from the progress window: no
// image, no error box, no report; the report otherwise.
TEST(CalibratedStackCommand, StacksTheListedFramesIntoANewImageUnlessCancelled) {
    TempDir dir;
    Harness h;
    AppContext& ctx = *h.ctx;
    CalibratedStackSettings& s = ctx.settings.calibrated;
    h.ui.dialog_handlers["CALSTACK"] = [](AppContext&) { return true; };
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdCalibratedStack));
    EXPECT_EQ(h.ui.Texts(msg::kTitleError), std::vector<std::string>{msg::kNoLightFrames});

    for (const char* name : {"l0.fits", "l1.fits", "l2.fits"})
        s.lights.push_back(Frame(dir, name, 48, 32, name[1] - '0', 300));
    s.report = dir.Path("lights.csv");
    h.ui.cancel_progress = true;
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdCalibratedStack));
    EXPECT_FALSE(ctx.ws.at(0).occupied());
    EXPECT_EQ(h.ui.boxes.size(), 1u);
    EXPECT_EQ(h.ui.progress.back(), -1);
    EXPECT_FALSE(std::filesystem::exists(s.report));

    h.ui.cancel_progress = false;
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdCalibratedStack));
    ASSERT_EQ(ctx.ws.current, 0);
    const ImageRecord& rec = ctx.ws.at(0);
    EXPECT_EQ(rec.width, 48);
    EXPECT_EQ(rec.single_plane, 1);
    EXPECT_EQ(rec.changed, 1);
    // Named after the command and its first light, so that the pickers tell stacks apart.
    EXPECT_EQ(rec.name, CommandName(kCmdCalibratedStack) + " l0 ほか2枚");
    // The values themselves are the stack's business (tests/stack); here: the star is there.
    EXPECT_GT(rec.red[15 * 48 + 20], rec.red[15 * 48 + 40]);
    EXPECT_EQ(h.ui.progress.back(), -1);
    EXPECT_EQ(h.ui.progress[h.ui.progress.size() - 2], 100);
    // The desktop shows the engine's lines in its own words.
    EXPECT_EQ(h.ui.progress_texts[h.ui.progress_texts.size() - 2], "完了");
    for (const std::string& line : h.ui.progress_texts)
        EXPECT_EQ(line.find("registering"), std::string::npos) << line;
    const auto csv = testing::ReadAll(s.report);
    const std::string report(csv.begin(), csv.end());
    EXPECT_EQ(report.rfind("file,", 0), 0u) << report;
    EXPECT_EQ(report.find("\n" + s.lights[0] + ","), report.find('\n')) << report;
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

// The dialog's fields into the job: each choice, the "off" values, clamping, the defaults, and
// the words orva-cli takes for them.
TEST(CalibratedStackSettings, FieldsAndOptionWordsIntoTheJob) {
    const struct {
        int register_stars, normalisation, keep_best, max_fwhm;
        Registration registration;
        Normalisation norm;
        double keep, fwhm;
    } rows[] = {
        {0, 0, 50, 35, Registration::Shift, Normalisation::None, 50, 3.5},
        {1, 1, 100, 10000, Registration::Stars, Normalisation::Additive, 100, 1000},
        {1, 2, 1, 1, Registration::Stars, Normalisation::Multiplicative, 1, 0.1},
        {7, 9, 250, 20000, Registration::Stars, Normalisation::AdditiveScale, 100, 1000},
        {-1, -4, -5, -3, Registration::Shift, Normalisation::None, 100, 0},
    };
    for (const auto& r : rows) {
        CalibratedStackSettings s;
        s.register_stars = r.register_stars;
        s.normalisation = r.normalisation;
        s.keep_best = r.keep_best;
        s.max_fwhm = r.max_fwhm;
        const StackJob job = JobFromSettings(s);
        EXPECT_EQ(job.registration, r.registration) << r.register_stars;
        EXPECT_EQ(job.normalisation, r.norm) << r.normalisation;
        EXPECT_DOUBLE_EQ(job.keep_best, r.keep) << r.keep_best;
        EXPECT_DOUBLE_EQ(job.max_fwhm, r.fwhm) << r.max_fwhm;
    }
    // The defaults are the command line's.
    const auto choices = [](const StackJob& j) {
        return std::tuple(j.registration, j.normalisation, j.keep_best, j.max_fwhm,
                          j.combine.rejection, j.combine.kappa_low, j.combine.kappa_high,
                          j.combine.iterations, j.weight_by_noise, j.master_median, j.search_range);
    };
    EXPECT_EQ(choices(JobFromSettings({})), choices(StackJob{}));
    // The words orva-cli takes name the same choices as the enumerations' own names.
    for (const FieldWord& w : kRejectionWords) {
        CalibratedStackSettings s;
        s.rejection = w.value;
        Rejection named{};
        ASSERT_TRUE(ParseRejection(w.word, named)) << w.word;
        EXPECT_EQ(JobFromSettings(s).combine.rejection, named) << w.word;
    }
    for (const FieldWord& w : kNormalisationWords) {
        CalibratedStackSettings s;
        s.normalisation = w.value;
        Normalisation named{};
        ASSERT_TRUE(ParseNormalisation(w.word, named)) << w.word;
        EXPECT_EQ(JobFromSettings(s).normalisation, named) << w.word;
    }
}

}  // namespace
}  // namespace orva
