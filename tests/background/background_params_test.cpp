#include <gtest/gtest.h>

#include "ops/op_params.h"

namespace orva {
namespace {

TEST(BackgroundParams, PutThenTakeGivesEveryFieldBack) {
    ParamBlock b;
    // Subtracting carries the shift in the levels, which may leave 0..255.
    const BackgroundParams radial{1, {-700, 12, 510}, {-300, 0, 255}, 150, -1, {}};
    PutBackgroundWords(radial, b);
    EXPECT_EQ(TakeBackgroundWords(b), radial);
    for (int mode : {3, 4, 5}) {
        const BackgroundParams image{mode, {}, {}, 200, 17, {-40, 0, 300}};  // shifts as they are
        PutBackgroundWords(image, b);
        EXPECT_EQ(TakeBackgroundWords(b), image) << mode;
        EXPECT_EQ(b[8], 17);  // a slot, not a curve: not clamped
    }
    const MakeBackgroundParams g{6, 64, 4, 0};
    PutMakeBackgroundWords(g, b);
    EXPECT_EQ(TakeMakeBackgroundWords(b), g);
}

// One row per rule: radial levels held within +-1024, division keeping its background in
// 0..255 and above the edge, the curve and the generated background's words clamped and
// written back.
TEST(BackgroundParams, TakingOddWords) {
    const struct {
        std::array<int, 9> words;
        std::array<int, 3> centre, edge;
        int curve;
    } rows[] = {
        {{0, 0, 10, 200, 300, -50, 255, 255, 90}, {201, 255, 256}, {200, 0, 255}, 100},
        {{1, 0, 2000, -3000, 1024, -1024, 0, 0, 400}, {1024, 1024, 0}, {-1024, -1024, 0}, 300},
    };
    for (const auto& r : rows) {
        ParamBlock b;
        for (std::size_t i = 0; i < 9; ++i) b[static_cast<int>(i)] = r.words[i];
        const BackgroundParams p = TakeBackgroundWords(b);
        EXPECT_EQ(std::tuple(p.centre, p.edge, p.curve, b[8]),
                  std::tuple(r.centre, r.edge, r.curve, r.curve));
    }
    ParamBlock b;
    PutMakeBackgroundWords(MakeBackgroundParams{3, 3, 40, -2}, b);
    EXPECT_EQ(TakeMakeBackgroundWords(b), (MakeBackgroundParams{3, 8, 16, 0}));
    EXPECT_EQ(std::tuple(b[1], b[2], b[3]), std::tuple(8, 16, 0));
    PutMakeBackgroundWords(MakeBackgroundParams{3, 400, 1, 5}, b);
    EXPECT_EQ(TakeMakeBackgroundWords(b), (MakeBackgroundParams{3, 256, 2, 1}));
}

}  // namespace
}  // namespace orva
