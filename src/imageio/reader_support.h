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

// A header's picture size: Damaged below 1 x 1, TooLarge beyond what any reader accepts.
inline IoResult CheckImageSize(int64_t width, int64_t height) {
    if (width < 1 || height < 1)
        return Fail(IoStatus::Damaged, "image width or height is zero or negative");
    if (width > kMaxReadSide || height > kMaxReadSide ||
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxReadPixels)
        return Fail(IoStatus::TooLarge, "image dimensions are too large");
    return IoResult::Ok();
}

// Three planes of width x height for `out`, within its memory budget. On failure `out`
// is left empty.
inline IoResult AllocateImage(DecodedImage& out, int64_t width, int64_t height) {
    if (out.Allocate(static_cast<int>(width), static_cast<int>(height))) return IoResult::Ok();
    Abandon(out);
    return Fail(IoStatus::OutOfMemory, "not enough memory for the image");
}

}  // namespace orva
