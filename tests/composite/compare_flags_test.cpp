#include <gtest/gtest.h>

#include <tuple>

#include "ops/op_params.h"

namespace orva {
namespace {

// What the commands and the batch pack is what the compositing kernels read, for every
// combination, and settings outside their fields are packed clamped.
TEST(CompareFlags, ThePackedWordReadsBackAsPacked) {
    for (int shift : {0, 1})
        for (int method : {0, 1, 2})
            for (int normalise : {0, 1}) {
                const CompareFlags f = CompareFlagsOf(CompareFlagsWord(shift, method, normalise));
                EXPECT_EQ(std::tuple(f.shift_one_pixel, f.compare_method, f.normalise),
                          std::tuple(shift == 1, method, normalise == 1));
                EXPECT_EQ(PointNormaliseOf(PointNormaliseWord(normalise)), normalise == 1);
            }
    EXPECT_EQ(CompareFlagsWord(7, 9, -2), 256 + 2);
    EXPECT_EQ(PointNormaliseWord(5), 3);
    const CompareFlags negative = CompareFlagsOf(-1);
    EXPECT_EQ(std::tuple(negative.shift_one_pixel, negative.compare_method, negative.normalise),
              std::tuple(false, 0, false));
}

}  // namespace
}  // namespace orva
