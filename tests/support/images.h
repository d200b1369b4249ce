// Pictures and pixel access shared by the tests of readers, writers and operations.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "imageio/formats.h"
#include "support/files.h"
#include "workspace/image_record.h"

namespace orva::testing {

using Bytes = std::vector<uint8_t>;
using Rgb = std::array<uint16_t, 3>;

inline Rgb C8(int r, int g, int b) {
    return {static_cast<uint16_t>(r << 8), static_cast<uint16_t>(g << 8),
            static_cast<uint16_t>(b << 8)};
}

inline Rgb Grey(uint16_t v) {
    return {v, v, v};
}

// The pixel at column x of stored row y (row 0 is the bottom of the picture).
inline Rgb At(const DecodedImage& img, int x, int y) {
    const auto i = static_cast<std::size_t>(y) * static_cast<std::size_t>(img.width) +
                   static_cast<std::size_t>(x);
    return {img.red[i], img.green[i], img.blue[i]};
}

// The pixel at column x of row y counted from the top, as files store them.
inline Rgb Top(const DecodedImage& img, int x, int y_from_top) {
    return At(img, x, img.height - 1 - y_from_top);
}

// A w x h picture of random samples: values of every decimal length, and every channel
// spanning the whole range 0..65535 at places that differ by channel.
inline ImageRecord MakeRecord(int w, int h, uint32_t seed) {
    ImageRecord rec;
    rec.width = w;
    rec.height = h;
    std::mt19937 rng(seed);
    for (int c = 0; c < 3; ++c) {
        Plane& p = rec.plane(c);
        p.Allocate(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        for (std::size_t i = 0; i < p.size(); ++i)
            p[i] = static_cast<uint16_t>(rng() >> (rng() % 17));
        const std::size_t at = static_cast<std::size_t>(c) % p.size();
        p[at] = 0;
        p[p.size() - 1 - at] = 65535;
    }
    return rec;
}

// Decoded planes equal to the record's (its red plane for all three when it is grey).
inline void ExpectSamePlanes(const DecodedImage& img, const ImageRecord& rec) {
    ASSERT_EQ(img.width, rec.width);
    ASSERT_EQ(img.height, rec.height);
    for (int c = 0; c < 3; ++c) {
        const Plane& got = c == 0 ? img.red : c == 1 ? img.green : img.blue;
        const Plane& want = rec.single_plane ? rec.red : rec.plane(c);
        for (std::size_t i = 0; i < got.size(); ++i)
            if (got[i] != want[i]) FAIL() << "channel " << c << " sample " << i;
    }
}

// A file another program wrote, read by us, against that program's own reading of it as a
// PPM: the same size, and no sample further apart than `tolerance`. Returns our picture.
inline DecodedImage ExpectReadsLikePeer(const std::string& file, int format,
                                        const std::string& peer_ppm, int width, int height,
                                        int tolerance = 0) {
    DecodedImage ours, theirs;
    const IoResult r = ReadImageFile(file, format, ours);
    EXPECT_TRUE(r.ok()) << r.detail;
    EXPECT_TRUE(ReadImageFile(peer_ppm, kFormatPnm, theirs).ok());
    for (const DecodedImage* img : {&ours, &theirs})
        if (std::pair(img->width, img->height) != std::pair(width, height)) {
            ADD_FAILURE() << "size " << img->width << "x" << img->height
                          << " (peer's: " << (img == &theirs) << ")";
            return ours;
        }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                if (std::abs(At(ours, x, y)[c] - At(theirs, x, y)[c]) > tolerance) {
                    ADD_FAILURE() << "at " << x << "," << y << " channel " << c << ": "
                                  << At(ours, x, y)[c] << " against " << At(theirs, x, y)[c];
                    return ours;
                }
    return ours;
}

// Decodes bytes that must be a valid file of the format.
inline DecodedImage MustDecode(int code, const Bytes& file) {
    DecodedImage img;
    const IoResult r = DecodeImage(file, code, img);
    EXPECT_TRUE(r.ok()) << r.detail;
    return img;
}

// Every pixel of a picture `width` wide, row by row from the bottom (or from the top).
inline void ExpectPixels(const DecodedImage& img, int width, const std::vector<Rgb>& expect,
                         bool top_first = false) {
    ASSERT_EQ(img.width, width);
    ASSERT_EQ(static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height),
              expect.size());
    for (std::size_t i = 0; i < expect.size(); ++i) {
        const int x = static_cast<int>(i) % width, y = static_cast<int>(i) / width;
        EXPECT_EQ(top_first ? Top(img, x, y) : At(img, x, y), expect[i]) << x << "," << y;
    }
}

// A file that must decode to the pixels given, bottom row first.
struct PixelCase {
    const char* name;
    Bytes file;
    int width;
    std::vector<Rgb> expect;
};

inline void ExpectDecodes(int code, const PixelCase& c) {
    SCOPED_TRACE(c.name);
    ExpectPixels(MustDecode(code, c.file), c.width, c.expect);
}

// A file a reader must refuse (or, with IoStatus::Ok, accept), and part of the reason.
struct Refusal {
    const char* name;
    Bytes file;
    IoStatus status;
    const char* why = "";
};

inline void ExpectRefusal(int code, const Refusal& c) {
    SCOPED_TRACE(c.name);
    std::string why;
    EXPECT_EQ(RefusalStatus(code, c.file, &why), c.status);
    EXPECT_NE(why.find(c.why), std::string::npos) << why;
}

}  // namespace orva::testing
