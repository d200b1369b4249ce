#include <gif_lib.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/images.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using namespace testing;

struct Frame {
    int left = 0, top = 0, width = 1, height = 1;
    std::vector<GifColorType> local{};  // empty: none
    Bytes pixels{};                     // indices, rows from the top
    int transparent = -1;
};

int AppendToBytes(GifFileType* gif, const GifByteType* data, int n) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}

ColorMapObject* MakeMap(const std::vector<GifColorType>& colours) {
    return colours.empty() ? nullptr
                           : GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
}

Bytes MakeGif(int sw, int sh, const std::vector<GifColorType>& global, int background,
              const std::vector<Frame>& frames) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendToBytes, &error);
    EXPECT_NE(gif, nullptr);
    EGifSetGifVersion(gif, true);
    ColorMapObject* gmap = MakeMap(global);
    EXPECT_EQ(EGifPutScreenDesc(gif, sw, sh, 8, background, gmap), GIF_OK);
    GifFreeMapObject(gmap);
    for (const Frame& f : frames) {
        if (f.transparent >= 0) {
            GraphicsControlBlock gcb{};
            gcb.TransparentColor = f.transparent;
            GifByteType ext[4];
            EGifGCBToExtension(&gcb, ext);
            EXPECT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext), GIF_OK);
        }
        ColorMapObject* lmap = MakeMap(f.local);
        EXPECT_EQ(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, false, lmap), GIF_OK);
        GifFreeMapObject(lmap);
        for (int y = 0; y < f.height; ++y) {
            Bytes line(f.pixels.begin() + y * f.width, f.pixels.begin() + (y + 1) * f.width);
            EXPECT_EQ(EGifPutLine(gif, line.data(), f.width), GIF_OK);
        }
    }
    EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
    return out;
}

// Colour table whose entry i is (i, 2i, 255 - i), padded to a power of two.
std::vector<GifColorType> Ramp(int n) {
    std::vector<GifColorType> t;
    for (int i = 0; i < n; ++i)
        t.push_back({static_cast<GifByteType>(i), static_cast<GifByteType>(2 * i),
                     static_cast<GifByteType>(255 - i)});
    return t;
}

Rgb RampColour(int i) {
    return C8(i, (2 * i) & 255, 255 - i);
}

// Whole pictures, top row first.
TEST(GifRead, HandWorkedFiles) {
    // A 2 x 2 image at (2, 1) with its own table, one of whose pixels is the transparent colour.
    const Frame local{.left = 2,
                      .top = 1,
                      .width = 2,
                      .height = 2,
                      .local = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}},
                      .pixels = {0, 1, 3, 2},
                      .transparent = 3};
    const Frame big{
        .left = 1, .top = 1, .width = 3, .height = 3, .pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9}};
    // The transparent entry applies to the first image only.
    const Frame first{.width = 2, .height = 1, .pixels = {4, 5}, .transparent = 4};
    const Frame second{.width = 2, .height = 1, .local = Ramp(8), .pixels = {6, 7}};
    // giflib's encoder will not write an empty image: splice one in by hand before them.
    Bytes empty_first = MakeGif(2, 1, Ramp(8), 1, {first, second});
    const Bytes empty_image = {',', 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0};  // no data blocks
    empty_first.insert(empty_first.begin() + 6 + 7 + 8 * 3, empty_image.begin(), empty_image.end());
    // A 4-entry global table taken out again (its size bits stay).
    Bytes bare = MakeGif(4, 1, Ramp(4), 0, {{.width = 4, .height = 1, .pixels = {0, 1, 2, 3}}});
    ASSERT_EQ(bare[10] & 0x87, 0x81);
    bare[10] = static_cast<uint8_t>(bare[10] & ~0x80);
    bare.erase(bare.begin() + 13, bare.begin() + 13 + 12);
    const Rgb a = C8(10, 20, 30), b = C8(40, 50, 60), c = C8(70, 80, 90), K = C8(0, 0, 0);
    const Rgb B = RampColour(6), R0 = RampColour(0), R1 = RampColour(1), R2 = RampColour(2);
    const PixelCase cases[] = {
        // clang-format off
        {"smaller image over the background, entry 6", MakeGif(5, 4, Ramp(8), 6, {local}), 5,
         {B, B, B, B, B,  B, B, a, b, B,  B, B, B, c, B,  B, B, B, B, B}},
        {"no global table: black around", MakeGif(5, 4, {}, 0, {local}), 5,
         {K, K, K, K, K,  K, K, a, b, K,  K, K, K, c, K,  K, K, K, K, K}},
        {"reaching past the screen: clipped", MakeGif(3, 2, Ramp(16), 0, {big}), 3,
         {R0, R0, R0,  R0, R1, R2}},
        {"a zero screen takes the image's size", MakeGif(0, 0, Ramp(16), 0, {big}), 4,
         {R0, R0, R0, R0,  R0, R1, R2, RampColour(3),  R0, RampColour(4), RampColour(5),
          RampColour(6),  R0, RampColour(7), RampColour(8), RampColour(9)}},
        {"the first image with pixels, transparent over entry 1", empty_first, 2,
         {R1, RampColour(5)}},
        {"no table at all: a grey ramp", bare, 4,
         {K, C8(85, 85, 85), C8(170, 170, 170), C8(255, 255, 255)}},
        // clang-format on
    };
    for (const PixelCase& t : cases) {
        SCOPED_TRACE(t.name);
        ExpectPixels(MustDecode(kFormatGif, t.file), t.width, t.expect, true);
    }
}

Frame Noise(int w, int h, uint32_t seed) {
    Frame f{.width = w, .height = h};
    std::mt19937 rng(seed);
    for (int i = 0; i < w * h; ++i) f.pixels.push_back(static_cast<uint8_t>(rng()));
    return f;
}

TEST(GifRefuse, CutDamagedAndAbsurdFiles) {
    const Bytes good = MakeGif(9, 7, Ramp(256), 0, {Noise(9, 7, 1)});
    ASSERT_EQ(good.back(), ';');
    constexpr std::size_t kImage = 13 + 6;  // header, screen and a 2-entry table
    auto patched = [&](const Bytes& f, std::initializer_list<std::pair<std::size_t, uint8_t>> at) {
        Bytes b = f;
        for (const auto& [i, v] : at) b[kImage + i] = v;
        return b;
    };
    const Frame one = Noise(1, 1, 4);
    const Bytes dot = MakeGif(1, 1, Ramp(2), 0, {one});
    const Refusal cases[] = {
        // clang-format off
        {"signature",              {'G', 'I', 'X', '8', '9', 'a'},       IoStatus::NotThisFormat},
        {"no trailer",             Bytes(good.begin(), good.end() - 1),  IoStatus::Ok},
        {"no image",               MakeGif(4, 4, Ramp(2), 0, {}),        IoStatus::Damaged, "no image in the file"},
        {"screen 65535 x 65535",   MakeGif(65535, 65535, Ramp(2), 0, {one}), IoStatus::TooLarge},
        // A one-pixel frame cannot justify a screen of 900 million pixels.
        {"screen 30000 x 30000",   MakeGif(30000, 30000, Ramp(2), 0, {one}), IoStatus::Damaged, "file too short"},
        // An image far larger than its data could ever fill.
        {"image 65535 x 65535",    patched(dot, {{5, 0xFF}, {6, 0xFF}, {7, 0xFF}, {8, 0xFF}}), IoStatus::Damaged},
        // clang-format on
    };
    for (const Refusal& c : cases) ExpectRefusal(kFormatGif, c);

    const Bytes file = MakeGif(40, 30, Ramp(4), 0, {Noise(10, 10, 5)});
    EXPECT_EQ(RefusalStatus(kFormatGif, file, nullptr, 40 * 30 * 6 - 1), IoStatus::OutOfMemory);
    EXPECT_EQ(RefusalStatus(kFormatGif, file, nullptr, 40 * 30 * 6), IoStatus::Ok);
}

}  // namespace
}  // namespace orva
