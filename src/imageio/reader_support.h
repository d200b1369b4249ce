// What every format reader does the same way: refusing a file, dropping a half-decoded
// picture, checking a header's sizes and taking the planes.
//
// A reader that fails leaves nothing of the file in its output: no planes and a size of
// 0 x 0, whatever the output held before.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "imageio/formats.h"
#include "imageio/io_status.h"
#include "workspace/image_record.h"

namespace orva {

inline IoResult Fail(IoStatus status, std::string why) {
    return IoResult::Fail(status, std::move(why));
}

// Drops whatever a failed read put into `out`.
inline void Abandon(DecodedImage& out) {
    out.red.Release();
    out.green.Release();
    out.blue.Release();
    out.width = out.height = 0;
}

// A header's picture size: Damaged below 1 x 1, TooLarge beyond the sides any reader
// accepts or beyond `max_pixels` pixels.
inline IoResult CheckImageSize(int64_t width, int64_t height, uint64_t max_pixels) {
    if (width < 1 || height < 1)
        return Fail(IoStatus::Damaged, "image width or height is zero or negative");
    if (width > kMaxReadSide || height > kMaxReadSide)
        return Fail(IoStatus::TooLarge, "image dimensions are too large");
    const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (pixels > max_pixels)
        return Fail(IoStatus::TooLarge, std::to_string(width) + "x" + std::to_string(height) +
                                            " is more than the limit of " +
                                            std::to_string(max_pixels) + " pixels");
    return IoResult::Ok();
}

// For a header-only read: records the size and tells the reader to stop before the planes.
inline bool StopAtHeader(DecodedImage& out, int64_t width, int64_t height) {
    if (!out.header_only) return false;
    Abandon(out);
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    return true;
}

// Three planes of width x height for `out`, within its memory budget. On failure `out`
// is left empty.
inline IoResult AllocateImage(DecodedImage& out, int64_t width, int64_t height) {
    if (out.Allocate(static_cast<int>(width), static_cast<int>(height))) return IoResult::Ok();
    Abandon(out);
    return Fail(IoStatus::OutOfMemory, "not enough memory for the image");
}

}  // namespace orva
