#include "shell/calibrated_commands.h"

#include <algorithm>
#include <cmath>

#include "shell/commands.h"
#include "shell/messages.h"
#include "stack/pipeline.h"
#include "stack/stack_settings.h"

namespace orva {

namespace {

// The combined values as a picture of 16-bit samples (rounded into 0..65535; places no
// frame covered are 0).
bool StoreResult(const LinearImage& img, ImageRecord& rec) {
    DecodedImage d;
    if (!d.Allocate(img.width, img.height)) return false;
    for (int c = 0; c < 3; ++c) {
        const float* p = img.plane(img.planes == 1 ? 0 : c);
        Plane& dst = c == 0 ? d.red : c == 1 ? d.green : d.blue;
        for (std::size_t i = 0; i < img.pixels(); ++i)
            dst[i] =
                std::isnan(p[i])
                    ? 0
                    : static_cast<uint16_t>(std::lround(std::clamp(double{p[i]}, 0.0, 65535.0)));
    }
    StoreDecoded(rec, std::move(d), "");
    rec.single_plane = img.planes == 1 ? 1 : 0;
    return true;
}

}  // namespace

void CalibratedStackCommand(AppContext& ctx) {
    if (!ctx.ui.RunDialog(DialogId::CalibratedStack, ctx)) return;
    const CalibratedStackSettings& s = ctx.settings.calibrated;
    if (s.lights.empty()) {
        ShowError(ctx.ui, msg::kNoLightFrames);
        return;
    }
    const int slot = FindFreeSlot(ctx.ws);
    if (slot < 0) {
        ShowError(ctx.ui, msg::kNoSlotNew);
        return;
    }
    StackJob job = JobFromSettings(s);
    job.progress = [&](const std::string& text, int percent) {
        ctx.ui.ShowProgress(text, percent);
    };
    StackOutcome out;
    std::string error;
    bool ok = false;
    {
        BusyScope busy(ctx.ui);
        ok = RunCalibratedStack(job, out, &error);
        ctx.ui.ShowProgress("", -1);
    }
    if (!ok) {
        ShowError(ctx.ui, error);
        return;
    }
    if (!StoreResult(out.image, ctx.ws.at(slot))) {
        ClearSlot(ctx.ws, slot);
        ShowError(ctx.ui, msg::kNoMemoryRun);
        return;
    }
    AdoptNewImage(ctx, slot, true);
    ctx.ui.Repaint();
    // Lights whose stars matched nothing are not in the result: the user should know which.
    if (!out.left_out.empty()) {
        std::string text = msg::kLightsLeftOut;
        for (const std::string& why : out.left_out) text += "\n" + why;
        ShowMessage(ctx.ui, text);
    }
}

}  // namespace orva
