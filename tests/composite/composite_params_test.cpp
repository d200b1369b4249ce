#include "composite/composite_params.h"

#include <gtest/gtest.h>

#include <climits>

namespace orva {
namespace {

const NoiseOptions kRemoval5{true, false, 5 * 256}, kOff{};

// What a command puts is what the kernel gets, field for field.
TEST(CompositeParams, PutThenTakeGivesEveryFieldBack) {
    ParamBlock b;
    CompositeParams a{30, 12, 4, {true, 2, true}, {}, {true, true, 9 * 256}, 0, 0};
    a.images = {StackImage{3, 100}, StackImage{}, StackImage{7, 40}, StackImage{9, 1}};
    for (const auto& [noise, shift] : {std::pair{kRemoval5, 0}, std::pair{kOff, -3}}) {
        a.noise = noise;
        a.shift_x = shift;
        PutCompositeWords(a, b);
        EXPECT_EQ(TakeCompositeWords(b), a);
    }
    PointCompositeParams p{2, kRemoval5, true, {}, 0, 0};
    p.images = {StackImage{1, 100, PackPoint(10, 20), PackPoint(110, 20)},
                StackImage{4, 60, PackPoint(16383, 0), PackPoint(0, 16383)}};
    PutPointCompositeWords(p, b);
    EXPECT_EQ(TakePointCompositeWords(b), p);
    const LrgbParams l{{StackImage{2, 0, 1, 2}, StackImage{3, 100, 3, 4}, StackImage{4, 50, 5, 6},
                        StackImage{5, 1, 7, 8}}};
    PutLrgbWords(l, b);
    EXPECT_EQ(LrgbParamsOf(b), l);
}

// Words from elsewhere are read as the kernels always read them: one row per rule.
TEST(CompositeParams, TakingOddWords) {
    const auto with = [](auto change) {
        CompositeParams p{20, 20, 0, {}, {}, kRemoval5, 0, 0};
        change(p);
        return p;
    };
    const struct {
        int word, value;
        CompositeParams expected;
    } rows[] = {
        {0, -5, with([](CompositeParams& p) { p.range_x = 0; })},
        {1, 30000, with([](CompositeParams& p) { p.range_y = 10000; })},
        {2, 9, with([](CompositeParams& p) { p.method = 4; })},
        {3, -300, with([](CompositeParams&) {})},  // a negative comparison word counts as 0
        {3, 700, with([](CompositeParams& p) {
             p.compare = {true, 2, true};
         })},
        {9, 150, with([](CompositeParams& p) { p.images[1].weight = 100; })},
        {15, -7, with([](CompositeParams& p) { p.noise = kOff; })},
        {15, 600, with([](CompositeParams& p) {
             p.noise = {true, true, 88 * 256};
         })},
        // An extra shift is held within its field and switches noise handling off.
        {16, INT_MAX, with([](CompositeParams& p) {
             p.shift_x = 10000;
             p.noise = kOff;
         })},
    };
    for (const auto& r : rows) {
        ParamBlock b;
        PutCompositeWords(with([](CompositeParams&) {}), b);
        b[r.word] = r.value;
        EXPECT_EQ(TakeCompositeWords(b), r.expected) << "P" << r.word << " = " << r.value;
        // Ranges and method stay in the block as the operation ran with them.
        EXPECT_EQ(std::tuple(b[0], b[1], b[2]),
                  std::tuple(r.expected.range_x, r.expected.range_y, r.expected.method));
    }
    ParamBlock b;
    PutPointCompositeWords(PointCompositeParams{9, kRemoval5, false, {}, 0, 0}, b);
    b[3] = 7;  // read as P3 / 3
    b[21] = -1;
    const PointCompositeParams p = TakePointCompositeWords(b);
    EXPECT_EQ(std::tuple(p.method, b[0], p.normalise, p.noise), std::tuple(4, 4, true, kOff));
}

// The settings become what the words always carried: the comparison and noise choices
// clamped part by part, the multi-file pictures at full weight.
TEST(CompositeParams, FromTheSettings) {
    CompositeSettings co;
    co.shift_one_pixel = 7;
    co.compare_method = 9;
    co.normalise = -2;
    co.noise_mode = 2;
    co.noise_level = 300;
    const CompositeParams a = AutoCompositeParams(co);
    EXPECT_EQ(a.compare, (CompareFlags{true, 2, false}));
    EXPECT_EQ(a.noise, (NoiseOptions{true, true, 255 * 256}));
    EXPECT_FALSE(PointCompositeParamsOf(co).normalise);
    const CompositeParams mf = MultiFileParams(MultiFileCompositeSettings{}, {4, 6});
    EXPECT_EQ(std::pair(mf.images[1], mf.images[2]), std::pair(StackImage{6, 100}, StackImage{}));
}

}  // namespace
}  // namespace orva
