// Commands 316 (wavelet) and 317 (blur restoration) through the processing-command pattern.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "shell/commands.h"
#include "shell/wavelet_restore_commands.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;
using testing::Sample;

const char kTooLarge[] = "サイズが大きすぎ、２倍に拡大できません！\n等倍で処理します。";

uint16_t Gradient(int c, int x, int y) {
    return static_cast<uint16_t>(1000 * (c + 1) + 7 * x + 3 * y);
}

TEST(WaveletCommands, EnlargementIsUndoneToTheOwnSize) {
    Harness h;
    ImageRecord& rec = MakeImage(h.ctx->ws, 0, 3, 1, [](int, int x, int) -> uint16_t {
        return static_cast<uint16_t>(x == 1 ? 10000 : 0);
    });
    h.ctx->settings.wavelet.enlarge = 1;
    h.ctx->settings.wavelet.filter_order = 1;
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 316));
    EXPECT_EQ(std::pair(rec.width, rec.height), std::pair(6, 2));
    EXPECT_EQ(Sample(rec, 0, 3, 1), 10000);
    // Undo brings back the picture at its own size.
    ExecuteCommand(*h.ctx, 201);
    EXPECT_EQ(std::pair(rec.width, rec.height), std::pair(3, 1));
    EXPECT_EQ(Sample(rec, 0, 1, 0), 10000);
}

TEST(WaveletCommands, SidesOf5000AreNotEnlarged) {
    Harness h;
    ImageRecord& wide = MakeImage(h.ctx->ws, 0, 5000, 10, Gradient);
    h.ctx->settings.wavelet.enlarge = 1;
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 316));
    EXPECT_EQ(h.ui.Texts("Message !"), std::vector<std::string>{kTooLarge});
    EXPECT_EQ(std::pair(wide.width, wide.height), std::pair(5000, 10));
    EXPECT_EQ(Sample(wide, 2, 4999, 9), Gradient(2, 4999, 9));  // unit gains
    EXPECT_EQ(wide.undo_available, 1);
    // The setting stays on: a smaller picture is enlarged.
    ImageRecord& narrow = MakeImage(h.ctx->ws, 1, 4999, 10, Gradient);
    h.ctx->ws.current = 1;
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 316));
    EXPECT_EQ(std::pair(narrow.width, narrow.height), std::pair(9998, 20));
    EXPECT_EQ(h.ui.Texts("Message !").size(), 1u);
}

}  // namespace
}  // namespace orva
