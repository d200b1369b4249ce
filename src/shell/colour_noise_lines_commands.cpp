#include "shell/colour_noise_lines_commands.h"

#include <algorithm>
#include <array>
#include <optional>

#include "ops/colour.h"
#include "ops/noise_lines.h"
#include "ops/op_params.h"
#include "shell/commands.h"
#include "shell/messages.h"

namespace orva {

namespace {

bool HoldsPicture(const ImageRecord& rec) {
    const std::size_t n = rec.pixels();
    return n > 0 && rec.red.size() >= n && rec.green.size() >= n && rec.blue.size() >= n;
}

// The samples under point A, or nothing when the point is not set. A point left outside the
// picture by an earlier size change counts as not set rather than being read past the end.
std::optional<std::array<int, 3>> PointAColour(const ImageRecord& rec) {
    const int x = rec.point_a_x, row = rec.point_a_y;
    if (x < 0 || row < 0 || x >= rec.width || row >= rec.height || !HoldsPicture(rec))
        return std::nullopt;
    const std::size_t i = static_cast<std::size_t>(row) * static_cast<std::size_t>(rec.width) +
                          static_cast<std::size_t>(x);
    if (rec.single_plane == 1) return std::array<int, 3>{rec.red[i], rec.red[i], rec.red[i]};
    return std::array<int, 3>{rec.red[i], rec.green[i], rec.blue[i]};
}

// The colour changes give the three planes different values, so a grey picture becomes a
// colour one: green and blue start as copies of red. Undo brings the flag back.
uint16_t* const* ColourPlanes(ImageRecord& rec, std::array<uint16_t*, 3>& planes) {
    if (rec.single_plane == 1) {
        SpreadSinglePlane(rec);
        rec.single_plane = 0;
    }
    planes = {rec.red.data(), rec.green.data(), rec.blue.data()};
    return planes.data();
}

void RunColourChange(AppContext& ctx, DialogId dialog, bool (*apply)(AppContext&, ImageRecord&)) {
    ProcessingCommand cmd;
    cmd.memory_count = 2;
    cmd.dialog = dialog;
    cmd.current_only = true;
    cmd.run = apply;
    RunProcessingCommand(ctx, cmd);
}

}  // namespace


void AfterGrey(const AppContext&, ImageRecord& rec) {
    rec.single_plane = 1;
}


void ColourChangeRgbCommand(AppContext& ctx) {
    const ImageRecord* rec = ctx.ws.Current();
    if (rec == nullptr) return;
    ColourSettings& s = ctx.settings.colour;
    if (const auto rgb = PointAColour(*rec)) {
        for (std::size_t c = 0; c < 3; ++c) s.rgb_source[c] = (*rgb)[c] >> 8;
    } else {
        ShowMessage(ctx.ui, Tr(msg::kColourPointHint));
    }
    RunColourChange(ctx, DialogId::ColourChangeRgb, [](AppContext& c, ImageRecord& r) {
        if (!HoldsPicture(r)) return true;
        const ColourSettings& cs = c.settings.colour;
        std::array<uint16_t*, 3> planes{};
        ColourChangeRgb(ColourPlanes(r, planes), r.width, r.height,
                        RgbChange{cs.rgb_source, cs.rgb_target, cs.rgb_tolerance});
        return true;
    });
}

void ColourChangeHsvCommand(AppContext& ctx) {
    const ImageRecord* rec = ctx.ws.Current();
    if (rec == nullptr) return;
    ColourSettings& s = ctx.settings.colour;
    if (const auto rgb = PointAColour(*rec)) {
        s.hsv_source = HsvDialogUnits((*rgb)[0], (*rgb)[1], (*rgb)[2]);
    } else {
        ShowMessage(ctx.ui, Tr(msg::kColourPointHint));
    }
    RunColourChange(ctx, DialogId::ColourChangeHsv, [](AppContext& c, ImageRecord& r) {
        if (!HoldsPicture(r)) return true;
        const ColourSettings& cs = c.settings.colour;
        std::array<uint16_t*, 3> planes{};
        ColourChangeHsv(ColourPlanes(r, planes), r.width, r.height,
                        HsvChange{cs.hsv_source, cs.hsv_target, cs.hsv_tolerance});
        return true;
    });
}

ProcessingCommand NoiseProcessing() {
    ProcessingCommand cmd;
    cmd.memory_count = 2;  // the undo copy and the new planes
    cmd.run = [](AppContext& c, ImageRecord& rec) {
        const NoiseSettings& n = c.settings.noise;
        return ReduceNoise(rec, {6 - kNoiseFields.strength.Clamp(n.strength), n.area, n.tolerance});
    };
    return cmd;
}

void LineSeparationCommand(AppContext& ctx) {
    if (ctx.ws.Current() == nullptr) return;
    const int source = ctx.ws.current;
    {
        BusyScope busy(ctx.ui);
        for (const uint32_t code : {kOpLinesEven, kOpLinesOdd}) {
            const int slot = FindFreeSlot(ctx.ws);
            if (slot < 0) {
                ShowError(ctx.ui, Tr(msg::kNoSlotNew));  // an image already made stays
                break;
            }
            ImageRecord& dst = ctx.ws.at(slot);
            PutLinesWords(source, ctx.params);
            if (!Dispatch(code, dst, ctx.params, ctx.ws, ctx.kernels) || !dst.occupied()) {
                ClearSlot(ctx.ws, slot);
                ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
                break;
            }
            AdoptNewImage(ctx, slot, true);
        }
    }
    ctx.ui.Repaint();
}

}  // namespace orva
