// GIF through giflib: the first image of the file, drawn into the logical screen.
//
// The picture has the size of the logical screen (or, for the few files that give the
// screen as 0 x 0, the extent of the first image). The first image with pixels is decoded
// record by record, so that nothing after it is read and nothing is held but one line.
// It is drawn where its descriptor puts it, clipped to the screen; every other pixel, and
// every pixel of the image's transparent colour, shows the screen's background colour: the
// global table's background entry, or black without a global table. Indices are looked up
// in the image's local colour table, else the global one; indices past the table, and a
// background index past it, give black. A file with no colour table at all gets a grey ramp
// over the table size its screen descriptor names. Interlaced images arrive in four passes
// and each line is put in its place as it comes.
#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "imageio/file_io.h"
#include "imageio/formats.h"
#include "imageio/reader_support.h"

namespace orva {

namespace {

// Most pixels one byte of LZW data can give: a 12-bit code stands for at most 4096 pixels.
constexpr uint64_t kMaxPixelsPerByte = 4096 * 8 / 12 + 1;

struct Source {
    const uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t pos = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int n) {
    auto* src = static_cast<Source*>(gif->UserData);
    if (n <= 0) return 0;
    const std::size_t take = std::min(static_cast<std::size_t>(n), src->size - src->pos);
    std::memcpy(out, src->data + src->pos, take);
    src->pos += take;
    return static_cast<int>(take);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

IoResult GifFailure(int error, const Source& src) {
    if (error == D_GIF_ERR_NOT_ENOUGH_MEM)
        return Fail(IoStatus::OutOfMemory, "not enough memory for the GIF decoder");
    if (src.pos == src.size) return Fail(IoStatus::Damaged, "file ends early");
    const char* text = GifErrorString(error);
    return Fail(IoStatus::Damaged, text != nullptr ? text : "damaged GIF file");
}

// Colours already scaled to 16 bits; entries the table does not have stay black.
struct Palette {
    std::array<uint16_t, 256> r{}, g{}, b{};
};

Palette FromColourMap(const ColorMapObject& map) {
    Palette p;
    const int n = std::clamp(map.ColorCount, 0, 256);
    for (int i = 0; i < n; ++i) {
        p.r[i] = static_cast<uint16_t>(map.Colors[i].Red << 8);
        p.g[i] = static_cast<uint16_t>(map.Colors[i].Green << 8);
        p.b[i] = static_cast<uint16_t>(map.Colors[i].Blue << 8);
    }
    return p;
}

// Black to white over n entries (n is 2 to 256), rounded to 8 bits.
Palette GreyRamp(int n) {
    Palette p;
    for (int i = 0; i < n; ++i) {
        const auto v = static_cast<uint16_t>(((i * 255 + (n - 1) / 2) / (n - 1)) << 8);
        p.r[i] = p.g[i] = p.b[i] = v;
    }
    return p;
}

// Skips the pixel data of an image that is not drawn.
bool SkipImageData(GifFileType* gif) {
    int code_size = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &code_size, &block) == GIF_ERROR) return false;
    while (block != nullptr)
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return false;
    return true;
}

// Line order of an interlaced image: every 8th line from 0, every 8th from 4, every 4th
// from 2, every 2nd from 1.
constexpr int kPassStart[4] = {0, 4, 2, 1};
constexpr int kPassStep[4] = {8, 8, 4, 2};

// Decodes the current image (its descriptor just read) into a screen of sw x sh.
IoResult DrawImage(GifFileType* gif, const Source& src, int sw, int sh, int transparent,
                   uint8_t screen_flags, DecodedImage& img) {
    const GifImageDesc& desc = gif->Image;
    const int left = desc.Left, top = desc.Top, w = desc.Width, h = desc.Height;
    if (IoResult r = CheckImageSize(sw, sh, img.max_pixels); !r.ok()) return r;
    // Both the image and the screen it is drawn into must be within what the rest of the
    // file can give at LZW's best: a tiny frame cannot justify a screen of gigapixels.
    const uint64_t most = (src.size - src.pos + 1) * kMaxPixelsPerByte;
    if (uint64_t{static_cast<uint32_t>(w)} * static_cast<uint32_t>(h) > most ||
        uint64_t{static_cast<uint32_t>(sw)} * static_cast<uint32_t>(sh) > most)
        return Fail(IoStatus::Damaged, "file too short for the image size");
    if (StopAtHeader(img, sw, sh)) return IoResult::Ok();
    if (IoResult r = AllocateImage(img, sw, sh); !r.ok()) return r;

    const ColorMapObject* global = gif->SColorMap;
    const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : global;
    const Palette pal = map != nullptr ? FromColourMap(*map) : GreyRamp(2 << (screen_flags & 7));
    const bool covers = left == 0 && top == 0 && w >= sw && h >= sh && transparent < 0;
    if (!covers) {
        uint16_t r = 0, g = 0, b = 0;
        if (global != nullptr && gif->SBackGroundColor < global->ColorCount) {
            const Palette back = FromColourMap(*global);
            r = back.r[gif->SBackGroundColor];
            g = back.g[gif->SBackGroundColor];
            b = back.b[gif->SBackGroundColor];
        }
        std::fill_n(img.red.data(), img.red.size(), r);
        std::fill_n(img.green.data(), img.green.size(), g);
        std::fill_n(img.blue.data(), img.blue.size(), b);
    }

    std::vector<GifPixelType> line(static_cast<std::size_t>(w));
    const int x_end = std::min(left + w, sw);
    const auto drawn = static_cast<std::size_t>(std::max(0, x_end - left));
    const auto stride = static_cast<std::size_t>(sw);
    int pass = 0, y = 0;
    for (int k = 0; k < h; ++k) {
        if (DGifGetLine(gif, line.data(), w) == GIF_ERROR) return GifFailure(gif->Error, src);
        const int sy = top + y;
        if (sy < sh && drawn > 0) {
            const std::size_t at =
                static_cast<std::size_t>(sh - 1 - sy) * stride + static_cast<std::size_t>(left);
            uint16_t* r = img.red.data() + at;
            uint16_t* g = img.green.data() + at;
            uint16_t* b = img.blue.data() + at;
            for (std::size_t x = 0; x < drawn; ++x) {
                const GifPixelType i = line[x];
                if (i == transparent) continue;
                r[x] = pal.r[i];
                g[x] = pal.g[i];
                b[x] = pal.b[i];
            }
        }
        if (desc.Interlace) {
            y += kPassStep[pass];
            while (y >= h && pass < 3) y = kPassStart[++pass];
        } else {
            ++y;
        }
    }
    return IoResult::Ok();
}

}  // namespace

IoResult DecodeGif(std::span<const uint8_t> file, DecodedImage& out) {
    if (file.size() < 3 || std::memcmp(file.data(), "GIF", 3) != 0)
        return Fail(IoStatus::NotThisFormat, "not a GIF file");
    if (file.size() < 13) return Fail(IoStatus::Damaged, "header runs past the end of the file");
    const uint8_t screen_flags = file[10];

    Source src{file.data(), file.size(), 0};
    int error = 0;
    GifHandle gif(DGifOpen(&src, ReadFromMemory, &error));
    if (!gif) return GifFailure(error, src);

    int transparent = -1;  // from the graphic control extension of the next image
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return GifFailure(gif->Error, src);
        if (type == TERMINATE_RECORD_TYPE) return Fail(IoStatus::Damaged, "no image in the file");
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif.get(), &code, &ext) == GIF_ERROR)
                return GifFailure(gif->Error, src);
            if (code == GRAPHICS_EXT_FUNC_CODE && ext != nullptr && ext[0] >= 4)
                transparent = (ext[1] & 1) != 0 ? ext[4] : -1;
            while (ext != nullptr)
                if (DGifGetExtensionNext(gif.get(), &ext) == GIF_ERROR)
                    return GifFailure(gif->Error, src);
            continue;
        }
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return GifFailure(gif->Error, src);
        const GifImageDesc& desc = gif->Image;
        if (desc.Width < 1 || desc.Height < 1) {
            if (!SkipImageData(gif.get())) return GifFailure(gif->Error, src);
            transparent = -1;
            continue;
        }
        int sw = gif->SWidth, sh = gif->SHeight;
        if (sw < 1 || sh < 1) {
            sw = desc.Left + desc.Width;
            sh = desc.Top + desc.Height;
        }
        DecodedImage img;
        img.memory_budget = out.memory_budget;
        img.max_pixels = out.max_pixels;
        img.header_only = out.header_only;
        if (IoResult r = DrawImage(gif.get(), src, sw, sh, transparent, screen_flags, img); !r.ok())
            return r;
        out = std::move(img);
        return IoResult::Ok();
    }
}

}  // namespace orva
