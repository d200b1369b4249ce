#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "shell/commands.h"
#include "shell/operations.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;
using testing::Sample;

uint16_t Flat(int, int, int) {
    return 1000;
}

// A stand-in operation: adds the radius (P0) to every sample of the plane.
OpKernels AddingKernels() {
    OpKernels k;
    k.sharpen = [](const PlaneArgs& a, const SharpenParams& p) {
        for (int i = 0; i < a.width * a.height; ++i)
            a.plane[i] = static_cast<uint16_t>(a.plane[i] + p.radius);
        return true;
    };
    return k;
}

ProcessingCommand Adding(int amount) {
    ProcessingCommand cmd;
    cmd.memory_count = 2;
    cmd.dialog = DialogId::Sharpen;
    cmd.code = kOpSharpen;
    cmd.fill = [amount](const AppContext&, const ImageRecord&, ParamBlock& b) {
        b[0] = amount;
        b[5] = kMaskRed | kMaskGreen | kMaskBlue;
        b[1] = b[2] = b[3] = 0;
    };
    return cmd;
}

TEST(ProcessingCommand, UndoRedoTheChangedFlagAndAllImagesMode) {
    const OpKernels kernels = AddingKernels();
    Harness h(kernels);
    ImageRecord& r = MakeImage(h.ctx->ws, 0, 4, 3, Flat);
    RunProcessingCommand(*h.ctx, Adding(5));
    EXPECT_EQ(h.ui.dialogs_run, std::vector<std::string>{"SHARP"});
    EXPECT_EQ(Sample(r, 1, 2, 2), 1005);
    EXPECT_EQ(r.changed, 1);
    ExecuteCommand(*h.ctx, 201);
    EXPECT_EQ(Sample(r, 1, 2, 2), 1000);
    EXPECT_EQ(r.changed, 0);  // closing now asks nothing
    EXPECT_TRUE(RequestApplicationClose(*h.ctx));
    ExecuteCommand(*h.ctx, 202);
    EXPECT_EQ(Sample(r, 1, 2, 2), 1005);
    EXPECT_EQ(r.changed, 1);
    // Two operations, then undo: only the second is taken back; a second undo does nothing.
    RunProcessingCommand(*h.ctx, Adding(10));
    ExecuteCommand(*h.ctx, 201);
    ExecuteCommand(*h.ctx, 201);
    EXPECT_EQ(Sample(r, 0, 0, 0), 1005);
    // Undo, then a new operation: redo is gone.
    RunProcessingCommand(*h.ctx, Adding(1));
    EXPECT_EQ(r.redo_available, 0);
    ExecuteCommand(*h.ctx, 202);
    EXPECT_EQ(Sample(r, 0, 0, 0), 1006);

    // All-images mode: every image with the same values, and undo takes every one back.
    for (int s : {0, 3, 4, 8, 200}) MakeImage(h.ctx->ws, s, 2, 2, Flat);
    h.ctx->ws.current = 3;
    h.ctx->shell.all_images = 1;
    RunProcessingCommand(*h.ctx, Adding(7));
    for (int s : {0, 3, 4, 8, 200}) {
        EXPECT_EQ(Sample(h.ctx->ws.at(s), 2, 1, 1), 1007) << s;
        EXPECT_EQ(h.ctx->ws.at(s).undo_available, 1);
    }
    ExecuteCommand(*h.ctx, 201);
    for (int s : {0, 3, 4, 8, 200}) EXPECT_EQ(Sample(h.ctx->ws.at(s), 0, 0, 0), 1000) << s;
}

// Each processing command opens its own dialog and, on OK, leaves one step to undo.
TEST(ProcessingCommand, EachCommandRunsItsDialogAndCanBeUndone) {
    for (const OperationDescriptor& op : Operations()) {
        if (op.processing == nullptr) continue;
        const int id = op.command;
        Harness h;
        const ImageRecord& r = MakeImage(h.ctx->ws, 0, 5, 4, [](int c, int x, int y) {
            return static_cast<uint16_t>(1000 * (c + 1) + 300 * x + 100 * y);
        });
        EXPECT_TRUE(CommandEnabled(*h.ctx, id)) << id;
        ASSERT_TRUE(ExecuteCommand(*h.ctx, id)) << id;
        ASSERT_TRUE(op.dialog.has_value()) << id;
        EXPECT_EQ(h.ui.dialogs_run, std::vector<std::string>{std::string(DialogName(*op.dialog))})
            << id;
        EXPECT_EQ(r.undo_available, 1) << id;
        EXPECT_TRUE(h.ui.boxes.empty()) << id;
    }
}

// A cancelled dialog, too little memory to start, or an operation that runs short of memory
// half way (red processed, then green fails): the image stays as it was.
TEST(ProcessingCommand, CancelOrMemoryShortageLeavesTheImageAsItWas) {
    OpKernels k = AddingKernels();
    const auto add = k.sharpen;
    bool fail_green = false;
    k.sharpen = [&](const PlaneArgs& a, const SharpenParams& p) {
        return a.channel == 1 && fail_green ? false : add(a, p);
    };
    Harness h(k);
    ImageRecord& r = MakeImage(h.ctx->ws, 0, 4, 3, Flat);
    h.ui.dialog_handlers["SHARP"] = [](AppContext&) { return false; };
    RunProcessingCommand(*h.ctx, Adding(5));
    EXPECT_EQ(Sample(r, 0, 0, 0), 1000);
    EXPECT_EQ(r.undo_available, 0);
    h.ctx->ws.available_memory = [] { return uint64_t{100}; };
    RunProcessingCommand(*h.ctx, Adding(5));
    EXPECT_EQ(h.ui.Texts("Error !"), std::vector<std::string>{"メモリ不足で実行できません！"});
    EXPECT_EQ(h.ui.dialogs_run.size(), 1u);  // the check comes before the dialog

    h.ctx->ws.available_memory = [] { return uint64_t{1} << 40; };
    h.ui.dialog_handlers.clear();
    fail_green = true;
    RunProcessingCommand(*h.ctx, Adding(5));
    EXPECT_EQ(h.ui.Texts("Error !").size(), 2u);
    EXPECT_EQ(h.ui.Texts("Error !")[1], "メモリ不足で実行できません！");
    EXPECT_EQ(Sample(r, 0, 1, 1), 1000);
    EXPECT_EQ(std::pair(r.changed, r.undo_available), std::pair(0, 0));
}

TEST(ProcessingCommand, RotationAngleIsNotScaledTwiceInAllImagesMode) {
    OpKernels k;
    std::vector<int> angles;
    auto record = [&](ImageRecord&, const RotateParams& p) {
        angles.push_back(p.thousandths);
        return true;
    };
    k.rotate = record;
    k.quarter_turn = record;
    k.flip = record;
    Harness h(k);
    for (int s : {0, 1, 2}) MakeImage(h.ctx->ws, s, 2, 2, Flat);
    h.ctx->shell.all_images = 1;
    ProcessingCommand cmd;
    cmd.memory_count = 3;
    cmd.code = kOpRotate;
    cmd.fill = [](const AppContext&, const ImageRecord&, ParamBlock& b) {
        b[0] = 3300;  // 33 degrees in hundredths
        b[1] = 0;
    };
    RunProcessingCommand(*h.ctx, cmd);
    EXPECT_EQ(angles, (std::vector<int>{33000, 33000, 33000}));
}

// Command 316 processed at twice the size is brought back to its own; sides of 5000 are not
// enlarged but processed at their own size, with a message.
TEST(WaveletCommand, EnlargementIsUndoneToTheOwnSizeAndSidesOf5000AreNotEnlarged) {
    const auto gradient = [](int c, int x, int y) {
        return static_cast<uint16_t>(1000 * (c + 1) + 7 * x + 3 * y);
    };
    Harness h;
    h.ctx->settings.wavelet.enlarge = 1;
    ImageRecord& wide = MakeImage(h.ctx->ws, 0, 5000, 10, gradient);
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 316));
    EXPECT_EQ(
        h.ui.Texts("Message !"),
        std::vector<std::string>{"サイズが大きすぎ、２倍に拡大できません！\n等倍で処理します。"});
    EXPECT_EQ(std::pair(wide.width, wide.height), std::pair(5000, 10));
    EXPECT_EQ(Sample(wide, 2, 4999, 9), gradient(2, 4999, 9));  // unit gains
    EXPECT_EQ(wide.undo_available, 1);
    // The setting stays on: a smaller picture is enlarged, without a message.
    ImageRecord& rec = MakeImage(h.ctx->ws, 2, 3, 1, [](int, int x, int) -> uint16_t {
        return static_cast<uint16_t>(x == 1 ? 10000 : 0);
    });
    h.ctx->ws.current = 2;
    h.ctx->settings.wavelet.filter_order = 1;
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 316));
    EXPECT_EQ(std::pair(rec.width, rec.height), std::pair(6, 2));
    EXPECT_EQ(Sample(rec, 0, 3, 1), 10000);
    EXPECT_EQ(h.ui.Texts("Message !").size(), 1u);
    ExecuteCommand(*h.ctx, 201);  // undo: the picture at its own size
    EXPECT_EQ(std::pair(rec.width, rec.height), std::pair(3, 1));
    EXPECT_EQ(Sample(rec, 0, 1, 0), 10000);
}

}  // namespace
}  // namespace orva
