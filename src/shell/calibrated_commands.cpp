#include "shell/calibrated_commands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "common/text.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "stack/pipeline.h"
#include "stack/stack_settings.h"

namespace orva {

// The combined values as a picture of 16-bit samples (rounded into 0..65535; places no
// frame covered are 0).
bool StoreStackResult(const LinearImage& img, ImageRecord& rec) {
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

std::string DesktopStackProgress(const std::string& line) {
    int a = 0, b = 0, c = 0, end = -1;
    const char* s = line.c_str();
    // Each form must match the whole line; %n tells where the match ended.
    const auto whole = [&](int matched, int wanted) {
        return matched == wanted && end == static_cast<int>(line.size());
    };
    if (line == "reading the RAW frames") return Tr(msg::kStackReadingRaw);
    if (line == "done") return Tr(msg::kStackDone);
    char kind[8] = {};
    end = -1;
    if (whole(std::sscanf(s, "master %7[a-z] of %d frame(s)%n", kind, &a, &end), 2)) {
        const std::string k = kind;
        if (k == "bias") return Format(Tr(msg::kStackMasterBias), a);
        if (k == "dark") return Format(Tr(msg::kStackMasterDark), a);
        if (k == "flat") return Format(Tr(msg::kStackMasterFlat), a);
    }
    end = -1;
    if (whole(std::sscanf(s, "registering %d/%d%n", &a, &b, &end), 2))
        return Format(Tr(msg::kStackRegistering), a, b);
    end = -1;
    if (whole(std::sscanf(s, "combining plane %d row %d/%d%n", &a, &b, &c, &end), 3))
        return Format(Tr(msg::kStackCombining), a, b, c);
    if (line.rfind("left out ", 0) == 0)
        return Format(Tr(msg::kStackLeftOut), line.substr(9).c_str());
    return line;  // anything else as the engine wrote it
}

void CalibratedStackCommand(AppContext& ctx) {
    if (!ctx.ui.RunDialog(DialogId::CalibratedStack, ctx)) return;
    const CalibratedStackSettings& s = ctx.settings.calibrated;
    if (s.lights.empty()) {
        ShowError(ctx.ui, Tr(msg::kNoLightFrames));
        return;
    }
    const int slot = FindFreeSlot(ctx.ws);
    if (slot < 0) {
        ShowError(ctx.ui, Tr(msg::kNoSlotNew));
        return;
    }
    StackJob job = JobFromSettings(s);
    job.progress = [&](const std::string& text, int percent) {
        ctx.ui.ShowProgress(DesktopStackProgress(text), percent);
    };
    job.cancelled = [&] { return ctx.ui.ProgressCancelled(); };
    StackOutcome out;
    std::string error;
    bool ok = false;
    {
        BusyScope busy(ctx.ui);
        ok = RunCalibratedStack(job, out, &error);
        ctx.ui.ShowProgress("", -1);
    }
    // The user who stopped the job knows why nothing came of it.
    if (!ok && error == "cancelled") return;
    // The report also when every light was left out: it says why.
    if (!s.report.empty() && !out.lights.empty()) {
        const IoResult r = WriteReport(s.report, out.lights);
        if (!r.ok()) {
            const std::string why = r.detail.empty() ? IoStatusName(r.status) : r.detail;
            ShowError(ctx.ui, Format(Tr(msg::kStackReportFailed), s.report.c_str(), why.c_str()));
        }
    }
    if (!ok) {
        ShowError(ctx.ui, error);
        return;
    }
    if (!StoreStackResult(out.image, ctx.ws.at(slot))) {
        ClearSlot(ctx.ws, slot);
        ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        return;
    }
    // Named as the multi-file compositing names its result, so that stacks tell apart in the
    // pickers: the command, the first light and how many more.
    const std::string first = std::filesystem::path(s.lights.front()).stem().string();
    ctx.ws.at(slot).name =
        Format(Tr(msg::kFilesResultName), CommandName(kCmdCalibratedStack).c_str(), first.c_str(),
               static_cast<int>(s.lights.size()) - 1);
    AdoptNewImage(ctx, slot, true);
    ctx.ui.Repaint();
    // What the user should know of the result: a dark of another exposure, registration by
    // shift because the reference light had too few stars.
    if (!out.warnings.empty()) {
        std::string text = Tr(msg::kStackWarnings);
        for (const std::string& line : out.warnings) text += "\n" + line;
        ShowMessage(ctx.ui, text);
    }
    // Lights left out (not registered, or by quality) are not in the result: the user should
    // know which, and why.
    if (!out.left_out.empty()) {
        std::string text = Tr(msg::kLightsLeftOut);
        for (const std::string& why : out.left_out) text += "\n" + why;
        ShowMessage(ctx.ui, text);
    }
}

}  // namespace orva
