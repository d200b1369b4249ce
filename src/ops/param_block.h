// The 22-word parameter block through which commands and the batch hand an operation its
// settings. Words a code does not use keep what an earlier operation left there.
#pragma once

#include <array>
#include <cstdint>

namespace orva {

struct ParamBlock {
    std::array<int32_t, 22> p{};
    int32_t& operator[](int i) { return p[static_cast<std::size_t>(i)]; }
    int32_t operator[](int i) const { return p[static_cast<std::size_t>(i)]; }
};

// A point chosen by the user: column from the left, row from the top, each 0..16383.
inline int32_t PackPoint(int x, int y_from_top) {
    return x * 16384 + y_from_top;
}
inline int UnpackPointX(int32_t packed) {
    return packed / 16384;
}
// The stored (bottom-up) row of a packed point in an image of the given height.
inline int UnpackPointRow(int32_t packed, int height) {
    return height - 1 - packed % 16384;
}

// Channel mask bits (P5 of sharpen and edge enhancement).
inline constexpr int kMaskRed = 4, kMaskGreen = 2, kMaskBlue = 1;

}  // namespace orva
