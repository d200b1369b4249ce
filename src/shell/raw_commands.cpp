#include "shell/raw_commands.h"

#include <algorithm>

#include "common/text.h"
#include "raw/raw_file.h"
#include "shell/messages.h"

namespace orva {

IoResult ReadImageForLoad(const AppContext& ctx, const std::string& path, int code,
                          DecodedImage& out, bool header_only) {
    const uint64_t budget = ctx.ws.available_memory();
    const auto max_pixels = static_cast<uint64_t>(std::max(1, ctx.settings.reading.max_pixels));
    if (code == kFormatRaw) {
        RawDecodeRequest request =
            MakeRawRequest(ctx.settings.raw, ctx.settings.dark, ctx.darks, budget);
        request.max_pixels = max_pixels;
        request.header_only = header_only;
        return DecodeRawFile(path, request, out);
    }
    ReadOptions options;
    options.memory_budget = budget;
    options.max_pixels = max_pixels;
    options.header_only = header_only;
    options.fits_dark = ctx.darks.fits();
    return ReadImageFile(path, code, out, options);
}

const char* AddDarkFile(std::array<std::string, kMaxDarkFiles>& list, const std::string& path) {
    const int code = DetectFormat(path);
    if (code != kFormatRaw && code != kFormatFits) return Tr(msg::kDarkNotRawOrFits);
    for (auto& entry : list) {
        if (entry.empty()) {
            entry = path;
            return nullptr;
        }
    }
    return Tr(msg::kDarkListFull);
}

void RemoveDarkFile(std::array<std::string, kMaxDarkFiles>& list, int index) {
    if (index < 0 || index >= kMaxDarkFiles) return;
    for (int k = index; k + 1 < kMaxDarkFiles; ++k) list[k] = std::move(list[k + 1]);
    list[kMaxDarkFiles - 1].clear();
}

int CountDarkFiles(const std::array<std::string, kMaxDarkFiles>& list) {
    int n = 0;
    for (const auto& e : list) n += e.empty() ? 0 : 1;
    return n;
}

bool RebuildDarks(AppContext& ctx) {
    const DarkBuildResult r = BuildDarkMaster(ctx.darks, ctx.ws.available_memory());
    switch (r.error) {
        case DarkError::None: return true;
        case DarkError::MixedFormats: ShowError(ctx.ui, Tr(msg::kDarkMixedFormats)); break;
        case DarkError::MixedSizes: ShowError(ctx.ui, Tr(msg::kDarkMixedSizes)); break;
        case DarkError::NotDark: ShowError(ctx.ui, Tr(msg::kDarkNotRawOrFits)); break;
        case DarkError::Unreadable:
            ShowError(ctx.ui, Format(Tr(msg::kLoadFailed), r.file.c_str(), r.io.detail.c_str()));
            break;
    }
    return false;
}

void DarkFilesCommand(AppContext& ctx) {
    if (!ctx.ui.RunDialog(DialogId::Dark, ctx)) {
        ctx.ui.Repaint();
        return;
    }
    if (CountDarkFiles(ctx.darks.files) == 0) {
        ctx.darks.Release();
    } else {
        BusyScope busy(ctx.ui);
        RebuildDarks(ctx);
    }
    ctx.ui.Repaint();
}

void RawSettingsCommand(AppContext& ctx) {
    const RawSettings snapshot = ctx.settings.raw;
    if (ctx.ui.RunDialog(DialogId::Raw, ctx)) return;
    // Cancel: every slider back, the algorithm as last clicked.
    const int algorithm = ctx.settings.raw.algorithm;
    ctx.settings.raw = snapshot;
    ctx.settings.raw.algorithm = algorithm;
}

}  // namespace orva
