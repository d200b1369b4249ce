// The batch: its file, its step parameters, the composite grouping and runs over dropped files.
#include <gtest/gtest.h>

#include <filesystem>

#include "batch/batch_file.h"
#include "batch/batch_steps.h"
#include "batch/run_batch.h"
#include "imageio/formats.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "shell/tone_commands.h"
#include "support/files.h"
#include "support/images.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;
using testing::TempDir;

uint16_t Pattern(int c, int x, int y) {
    return static_cast<uint16_t>(1000 * c + 2100 * x + 3700 * y);
}

// Step 2 of the sequence: gamma with a curve of its own (dark point lifted).
void GammaStep(BatchState& batch, int k = 1) {
    BatchStep& s = batch.steps[static_cast<std::size_t>(k)];
    s.edited_code = s.confirmed_code = 12;
    s.block = {};
    s.block[0] = 0;  // straight segments
    const int points[6] = {0, 60, 128, 200, 255, 255};
    for (int set = 0; set < 4; ++set)
        for (int j = 0; j < 6; ++j) s.block[static_cast<std::size_t>(2 + 6 * set + j)] = points[j];
}

// A picture's size and samples, for comparing.
struct Pixels {
    int width = 0, height = 0;
    std::vector<uint16_t> planes[3];
    bool operator==(const Pixels&) const = default;
};

Pixels Snap(const ImageRecord& r) {
    Pixels p{r.width, r.height, {}};
    for (int c = 0; c < 3; ++c)
        p.planes[c].assign(r.plane(c).data(), r.plane(c).data() + r.pixels());
    return p;
}

// The planes gamma with the step's curve gives, worked through the menu command's own path.
Pixels GammaOf(const Pixels& source) {
    Harness h;
    GammaStep(h.ctx->batch);
    LoadStepParameters(*h.ctx, 1, 12);
    ImageRecord& r = MakeImage(h.ctx->ws, 0, source.width, source.height, [&](int c, int x, int y) {
        return source.planes[c][static_cast<std::size_t>(y) * source.width + x];
    });
    EXPECT_TRUE(ApplyProcessing(*h.ctx, *ProcessingOf(kCmdGamma), r));
    return Snap(r);
}

Pixels ReadBack(const std::string& path) {
    DecodedImage img;
    EXPECT_TRUE(ReadImageFile(path, DetectFormat(path), img).ok()) << path;
    ImageRecord r;
    StoreDecoded(r, std::move(img), path);
    return Snap(r);
}

TEST(BatchFile, RoundTripsByteForByteWithBlanksInTexts) {
    Harness h;
    BatchState& b = h.ctx->batch;
    b.steps[0].edited_code = 2;
    b.steps[0].block[0] = 40;
    b.steps[0].block[31] = -7;
    GammaStep(b);
    b.steps[7].format = ".TIF";
    b.steps[7].folder = "/data/m 42/out";  // a blank once lost the folder on reading
    const std::string text = WriteBatchText(b);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 8 * 35);
    EXPECT_EQ(text.substr(0, 6), "2\n40\n0");
    EXPECT_NE(text.find("\n\".TIF\"\n\"/data/m 42/out\"\n"), std::string::npos);

    BatchState again;
    EXPECT_EQ(ReadBatchText(text, again), 8);
    EXPECT_EQ(WriteBatchText(again), text);
    EXPECT_EQ(again.steps[7].folder, "/data/m 42/out");
    EXPECT_EQ(again.steps[1].confirmed_code, 12);
    EXPECT_EQ(again.steps[0].block[31], -7);
}

TEST(BatchFile, FewerBlocksKeepTheStepsAfterThem) {
    BatchState b;
    ResetBatchSequence(b);
    b.steps[2].edited_code = b.steps[2].confirmed_code = 9;
    b.steps[2].block[1] = 33;
    // Two whole blocks written by hand with single-word texts, then a block cut short.
    std::string text = "2\n";
    for (int i = 0; i < 32; ++i) text += std::to_string(i) + "\n";
    text += "\"\"\n\"\"\n6\n";
    for (int i = 0; i < 32; ++i) text += "1\n";
    text += "\".BMP\"\n\"D:out\"\n16\n5\n";
    EXPECT_EQ(ReadBatchText(text, b), 2);
    EXPECT_EQ(b.steps[0].edited_code, 2);
    EXPECT_EQ(b.steps[0].block[31], 31);
    EXPECT_EQ(b.steps[1].edited_code, 6);
    EXPECT_EQ(b.steps[1].folder, "D:out");
    EXPECT_EQ(b.steps[2].edited_code, 9);  // the cut block changed nothing
    EXPECT_EQ(b.steps[2].block[1], 33);
    EXPECT_EQ(b.steps[7].edited_code, kStepSave);
    EXPECT_EQ(ReadBatchText("not a batch file", b), 0);
    EXPECT_FALSE(ReadBatchFile("/no/such/file.ovb", b));
}

TEST(BatchRun, CompositeFirstStacksInGroupsAndTheBackgroundStepCorrectsAsItsCommandDoes) {
    // The groups go by slot remainder.
    using G = std::vector<std::vector<int>>;
    EXPECT_EQ(CompositeGroups(4), (G{{0, 1, 2, 3}}));
    EXPECT_EQ(CompositeGroups(5), (G{{0, 2, 4}, {1, 3}}));
    EXPECT_EQ(CompositeGroups(13), (G{{0, 4, 8, 12}, {1, 5, 9}, {2, 6, 10}, {3, 7, 11}}));
    EXPECT_EQ(CompositeGroups(16)[3], (std::vector<int>{3, 7, 11, 15}));
    // Five copies of a sky with a gradient and a star: stacked without a forced shift they
    // give the sky back, in the slot after the two group results.
    auto sky = [](int c, int x, int y) {
        const int star = (x - 20) * (x - 20) + (y - 14) * (y - 14) < 6 ? 30000 : 0;
        return static_cast<uint16_t>(4000 + 150 * x + 90 * y + 500 * c + star);
    };
    Harness h;
    AppContext& ctx = *h.ctx;
    for (int s = 0; s < 5; ++s) MakeImage(ctx.ws, s, 48, 32, sky);
    const Pixels source = Snap(ctx.ws.at(0));
    BatchState& b = ctx.batch;
    b.steps[0].edited_code = b.steps[0].confirmed_code = kStepOpenComposite;
    b.steps[0].block = {};
    b.steps[0].block[0] = 4;   // comparison range
    b.steps[0].block[1] = 1;   // centre only
    b.steps[0].block[11] = 0;  // (0, 0) may win
    b.steps[7].edited_code = kStepEnd;
    ASSERT_TRUE(RunBatch(ctx, 5, "/x/last.fits"));
    EXPECT_EQ(ctx.ws.current, 7);
    EXPECT_EQ(Snap(ctx.ws.at(7)), source);
    // Two images make one stack, which keeps the step's rule that they must shift.
    for (int slot = 0; slot < kSlotCount; ++slot) ClearSlot(ctx.ws, slot);
    for (int slot = 0; slot < 2; ++slot) MakeImage(ctx.ws, slot, 48, 32, sky);
    b.steps[0].block[11] = 1;
    ASSERT_TRUE(RunBatch(ctx, 2, "/x/last.fits"));
    EXPECT_EQ(ctx.ws.current, 2);
    EXPECT_NE(Snap(ctx.ws.at(2)), source);
    b.steps[0].block[11] = 0;

    // A background step on that result subtracts what command 3071 subtracts, from the step's
    // words (the user's background settings are the defaults, which differ).
    b.steps[1].edited_code = b.steps[1].confirmed_code = 5;
    b.steps[1].block = {};
    const int words[6] = {16, 4, 2, 10, 1, 1};  // detection, averaging, subtract, shift, two parts
    for (int i = 0; i < 6; ++i) b.steps[1].block[static_cast<std::size_t>(i)] = words[i];
    for (int s = 0; s < kSlotCount; ++s) ClearSlot(ctx.ws, s);
    for (int s = 0; s < 5; ++s) MakeImage(ctx.ws, s, 48, 32, sky);
    const Settings before = ctx.settings;
    ASSERT_TRUE(RunBatch(ctx, 5, "/x/last.fits"));
    EXPECT_EQ(ctx.settings, before);  // the step's own words, not the user's settings
    EXPECT_EQ(ctx.ws.at(7).changed, 1);
    EXPECT_EQ(ctx.ws.at(7).undo_available, 0);  // the batch keeps no undo copies
    for (int s = 8; s < kSlotCount; ++s) EXPECT_FALSE(ctx.ws.at(s).occupied()) << s;

    Harness menu;
    MakeImage(menu.ctx->ws, 0, 48, 32, sky);
    BackgroundSettings& bg = menu.ctx->settings.background;
    bg.detect_area = 16;
    bg.average_area = 4;
    bg.generated_use = 2;
    bg.generated_shift = 10;
    bg.two_part = 1;
    ASSERT_TRUE(ExecuteCommand(*menu.ctx, kCmdMakeBackground));
    const Pixels corrected = Snap(menu.ctx->ws.at(0));
    EXPECT_NE(corrected, source);
    EXPECT_EQ(Snap(ctx.ws.at(7)), corrected);
}

TEST(BatchRun, SaveStepNamesTheFileAfterTheSourceAndAsksBeforeReplacing) {
    TempDir dir;
    Harness h;
    AppContext& ctx = *h.ctx;
    BatchStep& save = ctx.batch.steps[7];
    save.folder = dir.dir();
    save.format = ".TIF";  // 16 bits: the samples come back exactly
    save.block[0] = kFilterTiff;
    const Pixels first = Snap(MakeImage(ctx.ws, 0, 6, 4, Pattern));
    ASSERT_TRUE(RunBatch(ctx, 1, "/elsewhere/m42.fit"));
    const std::string out = dir.Path("m42.TIF");
    EXPECT_EQ(ReadBack(out), first);
    for (int s = 0; s < kSlotCount; ++s) EXPECT_FALSE(ctx.ws.at(s).occupied());

    // The file is there: Cancel keeps it, OK replaces it.
    const Pixels second =
        Snap(MakeImage(ctx.ws, 0, 6, 4, [](int, int, int) { return uint16_t{5000}; }));
    h.ui.answers = {Answer::Cancel};
    ASSERT_TRUE(RunBatch(ctx, 1, "/elsewhere/m42.fit"));
    EXPECT_EQ(ReadBack(out), first);
    ASSERT_TRUE(ctx.ws.at(0).occupied()) << "a result that was not written stays open";
    EXPECT_EQ(Snap(ctx.ws.at(0)), second);
    h.ui.answers = {Answer::Ok};
    ASSERT_TRUE(RunBatch(ctx, 1, "/elsewhere/m42.fit"));
    EXPECT_EQ(ReadBack(out), second);
    EXPECT_EQ(h.ui.Texts(msg::kTitleCaution).size(), 2u);
}

TEST(BatchRun, DropsInModeOneRunEachFile) {
    TempDir dir;
    Harness h;
    AppContext& ctx = *h.ctx;
    InstallBatch(ctx);
    std::vector<std::string> files;
    std::vector<Pixels> sources;
    for (int i = 0; i < 3; ++i) {
        files.push_back(dir.Path("in" + std::to_string(i) + ".bmp"));
        ASSERT_TRUE(
            WriteImageFile(files.back(), kFormatBmp, testing::MakeRecord(5 + i, 4, i)).ok());
        sources.push_back(ReadBack(files.back()));  // as loaded (8-bit file)
    }
    GammaStep(ctx.batch);
    BatchStep& save = ctx.batch.steps[7];
    save.folder = dir.Path("out");
    std::filesystem::create_directory(save.folder);
    save.format = ".PPM";
    save.block[0] = kFilterPpmBinary;
    ctx.batch.save_configured = 1;
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdBatchStart));
    EXPECT_EQ(ctx.batch.mode, 1);
    DropFiles(ctx, files);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ReadBack(dir.Path("out/in" + std::to_string(i) + ".PPM")),
                  GammaOf(sources[static_cast<std::size_t>(i)]));
    EXPECT_EQ(ctx.batch.mode, 1);
}

TEST(BatchDialog, DetailsEditTheStepsWordsNotTheUsersSettings) {
    Harness h;
    AppContext& ctx = *h.ctx;
    BatchState& b = ctx.batch;
    // A sharpen step set up through its dialog.
    b.steps[1].edited_code = 6;
    h.ui.dialog_handlers["SHARP"] = [](AppContext& c) {
        c.settings.sharpen.radius = 7;
        return true;
    };
    ShowStepDetails(ctx, 1);
    EXPECT_EQ(b.steps[1].confirmed_code, 6);
    EXPECT_EQ(b.steps[1].block[3], 7);
    EXPECT_EQ(ctx.settings.sharpen.radius, kSharpenFields.radius.def);

    // A background step must correct: the dialog comes back until it does.
    b.steps[2].edited_code = 5;
    int runs = 0;
    h.ui.dialog_handlers["MAKEBG"] = [&runs](AppContext& c) {
        c.settings.background.generated_use = runs++ == 0 ? 0 : 2;
        return true;
    };
    ShowStepDetails(ctx, 2);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(h.ui.Texts(msg::kTitleMessage), std::vector<std::string>{msg::kBatchBackgroundMode});
    EXPECT_EQ(b.steps[2].block[2], 2);

    // The save step: a name without a folder is asked again; the filter gives the format.
    EXPECT_FALSE(ConfirmBatchSequence(ctx));  // no folder yet
    h.ui.save_results = {FileDialogResult{"/", 1}, FileDialogResult{"/data/out/any", kFilterTiff}};
    ShowStepDetails(ctx, 7);
    EXPECT_EQ(b.steps[7].folder, "/data/out");
    EXPECT_EQ(b.steps[7].format, ".TIF");
    EXPECT_EQ(b.steps[7].block[0], kFilterTiff);
    EXPECT_EQ(h.ui.Texts(msg::kTitleMessage).back(), msg::kBatchSaveRetry);

    // OK: a step whose code changed takes the user's settings of its new operation.
    b.steps[1].edited_code = 9;
    ctx.settings.restore.iterations = 4;
    EXPECT_TRUE(ConfirmBatchSequence(ctx));
    EXPECT_EQ(b.steps[1].confirmed_code, 9);
    EXPECT_EQ(b.steps[1].block[2], 4);
    EXPECT_EQ(b.steps[2].block[2], 2);  // unchanged steps keep their words
}

TEST(BatchDialog, BatchFileCommandsWriteReadAndArm) {
    TempDir dir;
    Harness h;
    AppContext& ctx = *h.ctx;
    InstallBatch(ctx);
    GammaStep(ctx.batch);
    ctx.batch.steps[0].edited_code = ctx.batch.steps[0].confirmed_code = 2;
    h.ui.save_results = {FileDialogResult{dir.Path("night"), 1}};
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdBatchSave));
    const std::string written = WriteBatchText(ctx.batch);
    const auto bytes = testing::ReadAll(dir.Path("night.ovb"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), written);

    Harness other;
    InstallBatch(*other.ctx);
    other.ui.open_results = {std::nullopt, FileDialogResult{dir.Path("night.ovb"), 1}};
    ASSERT_TRUE(ExecuteCommand(*other.ctx, kCmdBatchOpen));  // cancelled: nothing changes
    EXPECT_EQ(other.ctx->batch.mode, 0);
    EXPECT_EQ(other.ui.Texts(msg::kTitleMessage).back(), msg::kSettingsNotLoaded);
    ASSERT_TRUE(ExecuteCommand(*other.ctx, kCmdBatchOpen));
    EXPECT_EQ(WriteBatchText(other.ctx->batch), written);
    EXPECT_EQ(other.ctx->batch.mode, 2);
    EXPECT_EQ(other.ctx->batch.save_configured, 1);
    EXPECT_EQ(other.ui.Texts(msg::kTitleMessage).back(), msg::kBatchCheckFolder);
}

}  // namespace
}  // namespace orva
