#include "shell/geometry_commands.h"

#include <algorithm>

#include "ops/geometry.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "workspace/undo.h"

namespace orva {

namespace {

constexpr int kMaxSize = 10000;

bool SizeInRange(int v) {
    return v >= 0 && v <= kMaxSize;
}

// Resizes one record with the block's sizes. False when memory ran short (the record is
// then as it was).
bool ResizeOne(AppContext& ctx, ImageRecord& rec) {
    const int new_width =
        ScaledLength(rec.width, std::max(ctx.params[0], 1), std::max(ctx.params[1], 1));
    const int new_height =
        ScaledLength(rec.height, std::max(ctx.params[2], 1), std::max(ctx.params[3], 1));
    // The new picture and the undo copy of the old one.
    if (!CheckImageMemory(ctx.ws, new_width, new_height, -1, 2)) return false;
    return ApplyWithUndo(rec, [&](ImageRecord& r) {
        return Dispatch(kOpResize, r, ctx.params, ctx.ws, ctx.kernels);
    });
}

}  // namespace



ResizeMethod ResizeMethodOf(int method, int target_width, int source_width, int target_height,
                            int source_height) {
    switch (method) {
        case 0: return ResizeMethod::Nearest;
        case 3: return ResizeMethod::Lanczos;
        case 2:
            return target_width >= source_width && target_height >= source_height
                       ? ResizeMethod::Lanczos
                       : ResizeMethod::Bilinear;
        default: return ResizeMethod::Bilinear;
    }
}

void ResizeCommand(AppContext& ctx) {
    if (ctx.ws.Current() == nullptr) return;
    if (!ctx.ui.RunDialog(DialogId::Resize, ctx)) return;
    const ResizeSettings& s = ctx.settings.resize;
    const ResizeMethod method =
        ResizeMethodOf(s.method, s.target_width, s.source_width, s.target_height, s.source_height);
    {
        BusyScope busy(ctx.ui);
        // Fills the block for one image; false (after telling the user) when a size is out of
        // range, and the image is skipped.
        auto fill = [&](int tw, int sw, int th, int sh) {
            if (!SizeInRange(tw) || !SizeInRange(sw) || !SizeInRange(th) || !SizeInRange(sh)) {
                ShowError(ctx.ui, Tr(msg::kBadSize));
                return false;
            }
            PutResizeWords(ResizeParams{tw, sw, th, sh, method}, ctx.params);
            return true;
        };
        if (ctx.shell.all_images == 0) {
            if (fill(s.target_width, s.source_width, s.target_height, s.source_height) &&
                !ResizeOne(ctx, *ctx.ws.Current())) {
                ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
            }
        } else {
            for (int slot = 0; slot < kSlotCount; ++slot) {
                ImageRecord& rec = ctx.ws.at(slot);
                if (rec.width <= 0) continue;
                // Each image keeps the ratio the settings give.
                const long long tw = static_cast<long long>(rec.width) * s.target_width /
                                     std::max(s.source_width, 1);
                const long long th = static_cast<long long>(rec.height) * s.target_height /
                                     std::max(s.source_height, 1);
                if (!fill(static_cast<int>(std::clamp<long long>(tw, -1, kMaxSize + 1)), rec.width,
                          static_cast<int>(std::clamp<long long>(th, -1, kMaxSize + 1)),
                          rec.height)) {
                    continue;
                }
                if (!ResizeOne(ctx, rec)) {
                    ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
                    break;
                }
            }
        }
    }
    ctx.ui.Repaint();
}

void CropCommand(AppContext& ctx) {
    const ImageRecord* src = ctx.ws.Current();
    if (src == nullptr) return;
    const int slot = FindFreeSlot(ctx.ws);
    if (slot < 0) {
        ShowError(ctx.ui, Tr(msg::kNoSlotNew));
        return;
    }
    if (!ctx.ui.RunDialog(DialogId::Crop, ctx)) return;
    const int source = ctx.ws.current;
    if (ctx.ws.Current() == nullptr) return;
    const char* failure = nullptr;
    {
        BusyScope busy(ctx.ui);
        failure = CropIntoSlot(ctx, source, slot);
    }
    if (failure != nullptr) ShowError(ctx.ui, failure);
    ctx.ui.Repaint();
}

const char* CropIntoSlot(AppContext& ctx, int source, int slot) {
    const ImageRecord& src = ctx.ws.at(source);
    const CropSettings& s = ctx.settings.crop;
    // Typed values are taken without limits; a crop needs at least one pixel.
    const int cw = std::clamp(s.width, 1, src.width);
    const int ch = std::clamp(s.height, 1, src.height);
    long long ow = s.output_width, oh = s.output_height;
    if (s.output_mode == 1) {
        ow = static_cast<long long>(s.magnification) * cw / 100;
        oh = static_cast<long long>(s.magnification) * ch / 100;
    }
    // An empty or oversized output would have no picture or could not be resized.
    if (ow < 1 || oh < 1 || ow > kMaxSize || oh > kMaxSize) return Tr(msg::kBadSize);
    ImageRecord& dst = ctx.ws.at(slot);
    auto fail = [&] {
        ClearSlot(ctx.ws, slot);
        return Tr(msg::kNoMemoryRun);
    };
    if (!CutCanvas(src, dst, cw, ch, s.anchor)) return fail();
    dst.single_plane = src.single_plane;
    const int out_w = static_cast<int>(ow), out_h = static_cast<int>(oh);
    if (!CheckImageMemory(ctx.ws, out_w, out_h, -1, 1)) return fail();
    if (out_w != cw || out_h != ch) {
        const ResizeMethod method =
            out_w >= cw && out_h >= ch ? ResizeMethod::Lanczos : ResizeMethod::Bilinear;
        PutResizeWords(ResizeParams{out_w, cw, out_h, ch, method}, ctx.params);
        if (!Dispatch(kOpResize, dst, ctx.params, ctx.ws, ctx.kernels)) return fail();
    }
    AdoptNewImage(ctx, slot, true);
    return nullptr;
}

}  // namespace orva
