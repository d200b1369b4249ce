// Open, drop, command line, save and the multi-file loader.
#include <chrono>
#include <filesystem>

#include "common/text.h"
#include "imageio/formats.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "shell/raw_commands.h"
#include "workspace/statistics.h"

namespace orva {

namespace {

std::string WithFolder(const AppContext& ctx, const std::string& name) {
    if (name.empty() || std::filesystem::path(name).is_absolute()) return name;
    return ctx.shell.folder + name;
}

void ShowNotSupported(AppContext& ctx, const std::string& path) {
    ShowError(ctx.ui, Format(msg::kNotSupported, path.c_str(), msg::kProductName));
}

// Filter index that a default extension selects in the save dialog, or 0 for "keep the
// previous one".
int FilterIndexForExtension(std::string_view ext) {
    if (!ext.empty() && ext.front() == '.') ext.remove_prefix(1);
    if (EqualsNoCase(ext, "BMP")) return 1;
    if (EqualsNoCase(ext, "PNG")) return 2;
    if (EqualsNoCase(ext, "JPG") || EqualsNoCase(ext, "JPEG")) return 3;
    if (EqualsNoCase(ext, "TIF")) return 5;
    if (EqualsNoCase(ext, "PPM")) return 6;
    if (EqualsNoCase(ext, "FIT") || EqualsNoCase(ext, "FITS") || EqualsNoCase(ext, "FTS")) return 8;
    return 0;
}

// The pattern of a filter without its asterisk: "*.BMP" -> ".BMP".
std::string ExtensionOfPattern(const std::string& pattern) {
    std::string ext = pattern.substr(0, pattern.find(';'));
    if (!ext.empty() && ext.front() == '*') ext.erase(0, 1);
    return ext;
}

// The extension a name typed without one gets under the chosen filter: the one the image's
// own name had when the filter lists it (so that accepting "dark" for "dark.fits" means
// dark.fits again, with the overwrite question), else the filter's first pattern.
std::string ExtensionForFilter(const std::string& pattern, const std::string& name_extension) {
    if (!name_extension.empty()) {
        std::string_view rest = pattern;
        while (!rest.empty()) {
            const std::size_t end = rest.find(';');
            std::string_view p = rest.substr(0, end);
            if (!p.empty() && p.front() == '*') p.remove_prefix(1);
            if (EqualsNoCase(p, name_extension)) return name_extension;
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        }
    }
    return ExtensionOfPattern(pattern);
}

// The format a save name asks for by its own extension, the letters after the last dot of
// its file name; unknown without one. A name that merely ends in a format's letters
// ("snappng", "rot1fits") names no format and gets the filter's extension, so that the open
// dialog's filters find the file again.
int FormatOfSaveName(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = file.rfind('.');
    if (dot == std::string_view::npos) return kFormatUnknown;
    const std::string_view ext = file.substr(dot + 1);
    // DetectFormat compares endings: the extension names a format only when it is the whole
    // ending ("png", not "xpng"), that is when its tail without the first letter names none.
    const int code = DetectFormat(ext);
    if (code == kFormatUnknown || DetectFormat(ext.substr(1)) != kFormatUnknown) {
        return kFormatUnknown;
    }
    return code;
}

// Loads and checks memory and slot as every interactive load does. Returns the slot, or -1
// after telling the user why not.
int PrepareLoadSlot(AppContext& ctx) {
    if (!CheckImageMemory(ctx.ws, 0, 0, -1, 6)) {
        ShowError(ctx.ui, Tr(msg::kNoMemoryOpen));
        return -1;
    }
    const int slot = FindFreeSlot(ctx.ws);
    if (slot < 0) ShowError(ctx.ui, Tr(msg::kNoSlotOpen));
    return slot;
}

}  // namespace

bool LoadIntoSlot(AppContext& ctx, const std::string& path, int slot) {
    if (!Workspace::Valid(slot)) return false;
    const int code = DetectFormat(path);
    DecodedImage img;
    const IoResult r = ReadImageForLoad(ctx, path, code, img);
    if (!r.ok()) {
        // The slot stays free and the current slot does not move.
        switch (r.status) {
            case IoStatus::OutOfMemory: ShowError(ctx.ui, Tr(msg::kNoMemoryOpen)); break;
            case IoStatus::Unsupported: ShowNotSupported(ctx, path); break;
            default:
                ShowError(ctx.ui, Format(Tr(msg::kLoadFailed), path.c_str(), r.detail.c_str()));
        }
        return false;
    }
    StoreDecoded(ctx.ws.at(slot), std::move(img), path);
    ComputeHistogram(ctx.ws.at(slot));
    return true;
}

void OpenCommand(AppContext& ctx) {
    if (PrepareLoadSlot(ctx) < 0) return;
    FileDialogRequest req;
    req.title = msg::kLoadTitle;
    req.filters = ParseFilterList(Tr(msg::kOpenFilter));
    req.filter_index = 1;
    req.several = true;
    const auto chosen = ctx.ui.OpenFileDialog(req);
    if (!chosen) return;
    std::vector<std::string> paths = chosen->paths;
    if (paths.empty()) paths.push_back(chosen->path);
    BusyScope busy(ctx.ui);
    // Every highlighted file opens, each into the lowest free slot; a file that cannot be
    // read is reported and the next one still opens, as with dropped files.
    bool first = true;
    for (const std::string& name : paths) {
        const std::string path = WithFolder(ctx, name);
        if (DetectFormat(path) == kFormatUnknown) {
            ShowNotSupported(ctx, path);
            first = false;
            continue;
        }
        // The first file's memory was checked before the dialog opened; the others are
        // checked (and refused with a message) by PrepareLoadSlot.
        const bool checked = first;
        first = false;
        const int slot = checked ? FindFreeSlot(ctx.ws) : PrepareLoadSlot(ctx);
        if (slot < 0) {
            if (checked) ShowError(ctx.ui, Tr(msg::kNoSlotOpen));
            break;
        }
        if (LoadIntoSlot(ctx, path, slot)) MarkLoaded(ctx.ws, slot);
    }
    ctx.ui.Repaint();
}

void OpenFiles(AppContext& ctx, const std::vector<std::string>& paths) {
    for (const auto& name : paths) {
        if (name.empty()) continue;
        if (DetectFormat(name) == kFormatUnknown) {
            ShowNotSupported(ctx, name);
            continue;
        }
        const int slot = PrepareLoadSlot(ctx);
        if (slot < 0) return;
        if (LoadIntoSlot(ctx, name, slot)) MarkLoaded(ctx.ws, slot);
    }
    ctx.ui.Repaint();
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
    // Blanks outside double quotes become quotes, then the line is cut at every quote.
    std::vector<std::string> names;
    std::string piece;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ' ' && !quoted) {
        } else {
            piece.push_back(c);
            continue;
        }
        if (!piece.empty()) names.push_back(std::move(piece));
        piece.clear();
    }
    if (!piece.empty()) names.push_back(std::move(piece));
    return names;
}

void DropFiles(AppContext& ctx, const std::vector<std::string>& dropped) {
    std::vector<std::string> paths = dropped;
    auto& batch = ctx.batch;
    if (batch.mode == 2 && paths.size() >= 17) {
        ShowError(ctx.ui, Tr(msg::kBatchTooMany));
        paths.resize(16);
    }
    const bool batching = batch.mode == 1 || batch.mode == 2;
    const auto start = std::chrono::steady_clock::now();
    if (batching) ctx.ui.SetStatusText(Tr(msg::kBatchRunning));
    int loaded = 0;
    std::string last_path;
    for (const auto& path : paths) {
        // Each file of a one-by-one batch starts from empty slots; a changed image left by
        // the previous file (no save step, or a save that failed) is asked about first.
        if (batch.mode == 1) {
            if (!CloseAllAsking(ctx)) break;
            ctx.ws.current = 0;
        }
        const int slot = PrepareLoadSlot(ctx);
        if (slot < 0) break;
        BusyScope busy(ctx.ui);
        if (DetectFormat(path) == kFormatUnknown) {
            ShowNotSupported(ctx, path);
            break;
        }
        if (!LoadIntoSlot(ctx, path, slot)) break;  // a failed load ends this drop
        ++loaded;
        last_path = path;
        if (batch.mode == 1) {
            MarkLoaded(ctx.ws, slot);
            if (batch.run) batch.run(ctx, 1, path);
            if (batch.steps[kBatchSteps - 1].edited_code == kStepEnd) batch.mode = 0;
        } else {
            MarkLoaded(ctx.ws, slot);
            ctx.ui.Repaint();
        }
    }
    if (batch.mode == 2 && loaded > 0) {
        if (batch.run) batch.run(ctx, loaded, last_path);
        if (batch.steps[kBatchSteps - 1].edited_code == kStepEnd) {
            batch.mode = 0;
            ctx.ui.Repaint();
            return;
        }
    }
    if (batch.mode == 1 || batch.mode == 2) {
        if (ctx.settings.batch.time_measurement != 0) {
            const auto cs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - start)
                                .count() /
                            10;
            ShowMessage(ctx.ui, Format(Tr(msg::kBatchTime), static_cast<int>(paths.size()),
                                       static_cast<int>(cs / 100), static_cast<int>(cs % 100)));
        }
        ctx.ui.SetStatusText(Tr(msg::kBatchPrompt));
    }
    ctx.ui.Repaint();
}

bool SaveRecordAs(AppContext& ctx, int slot, const std::string& path, int filter_index) {
    ImageRecord& rec = ctx.ws.at(slot);
    const int code = DetectFormat(path);
    WriteOptions options;
    options.jpeg_exif = filter_index != kFilterJfif;
    options.ppm_ascii = filter_index != kFilterPpmBinary;
    const IoResult r = WriteImageFile(path, code, rec, options);
    if (!r.ok()) {
        // Nothing was written: the record keeps its name and stays changed, so the next
        // close still asks.
        if (r.status == IoStatus::Unsupported) {
            ShowNotSupported(ctx, path);
        } else {
            ShowError(ctx.ui, Format(Tr(msg::kSaveFailed), path.c_str(), r.detail.c_str()));
        }
        return false;
    }
    rec.name = path;
    rec.changed = 0;
    rec.saved_changed = 0;
    ctx.ui.SetTitle(WindowTitle(ctx));
    return true;
}

bool SaveRecordWithDialog(AppContext& ctx, int slot) {
    ImageRecord& rec = ctx.ws.at(slot);
    // Propose the name without its extension; the extension becomes the default one.
    std::string proposal = rec.name;
    std::string name_extension;
    const std::size_t cut = proposal.find_last_of("./");
    if (cut != std::string::npos && proposal[cut] == '.') {
        name_extension = proposal.substr(cut);
        ctx.shell.default_extension = name_extension;
        proposal.resize(cut);
    }
    FileDialogRequest req;
    req.title = msg::kSaveTitle;
    req.filters = ParseFilterList(msg::kSaveFilter);
    const int by_ext = FilterIndexForExtension(ctx.shell.default_extension);
    req.filter_index = by_ext != 0 ? by_ext : ctx.shell.save_filter_index;
    req.proposed_name = proposal;
    req.default_extension = ctx.shell.default_extension;
    const auto chosen = ctx.ui.SaveFileDialog(req);
    if (!chosen) return false;
    if (chosen->filter_index >= 1 && chosen->filter_index <= static_cast<int>(req.filters.size())) {
        ctx.shell.save_filter_index = chosen->filter_index;
        ctx.shell.default_extension = ExtensionForFilter(
            req.filters[static_cast<std::size_t>(chosen->filter_index - 1)].pattern,
            name_extension);
    }
    BusyScope busy(ctx.ui);
    std::string path = WithFolder(ctx, chosen->path);
    const int code = FormatOfSaveName(path);
    if (code < 1 || code >= kFormatRaw) path += ctx.shell.default_extension;
    if (!ConfirmOverwrite(ctx.ui, path)) return false;
    return SaveRecordAs(ctx, slot, path, ctx.shell.save_filter_index);
}

int SaveFilterForExtension(std::string_view extension) {
    return FilterIndexForExtension(extension);
}

std::string SaveFilterExtension(int filter_index) {
    const auto filters = ParseFilterList(msg::kSaveFilter);
    if (filter_index < 1 || filter_index > static_cast<int>(filters.size())) return "";
    return ExtensionForFilter(filters[static_cast<std::size_t>(filter_index - 1)].pattern, "");
}

void SaveCommand(AppContext& ctx) {
    if (ctx.ws.Current() == nullptr) return;
    SpreadSinglePlane(*ctx.ws.Current());
    SaveRecordWithDialog(ctx, ctx.ws.current);
}

int MultiFileLoad(AppContext& ctx, const std::vector<std::string>& paths, CompositeParams params) {
    std::vector<int> inputs;
    auto clean_up = [&] {
        for (const int s : inputs) ClearSlot(ctx.ws, s);
    };
    for (std::size_t i = 0; i < paths.size() && i < 4; ++i) {
        const auto& path = paths[i];
        if (DetectFormat(path) == kFormatUnknown) {
            ShowNotSupported(ctx, path);
            clean_up();
            return -1;
        }
        if (!CheckImageMemory(ctx.ws, 0, 0, -1, 6)) {
            ShowError(ctx.ui, Tr(msg::kNoMemoryOpen));
            clean_up();
            return -1;
        }
        const int slot = FindFreeSlot(ctx.ws);
        if (slot < 0) {
            ShowError(ctx.ui, Tr(msg::kNoSlotOpen));
            clean_up();
            return -1;
        }
        if (!LoadIntoSlot(ctx, path, slot)) {
            clean_up();
            return -1;
        }
        auto& r = ctx.ws.at(slot);
        r.refresh = 1;
        r.changed = r.saved_changed = r.single_plane = r.undo_single_plane = 0;
        r.undo_available = r.redo_available = 0;
        inputs.push_back(slot);
    }
    const int result = FindFreeSlot(ctx.ws);
    if (result < 0) {
        ShowError(ctx.ui, Tr(msg::kNoSlotNew));
        clean_up();
        return -1;
    }
    for (std::size_t i = 0; i < params.images.size(); ++i) {
        const bool used = i < inputs.size();
        params.images[i] = used ? StackImage{inputs[i], 100} : StackImage{};
        if (used) SpreadSinglePlane(ctx.ws.at(inputs[i]));
    }
    ParamBlock block = ctx.params;
    PutCompositeWords(params, block);
    auto& out = ctx.ws.at(result);
    const bool ok = Dispatch(kOpComposite, out, block, ctx.ws, ctx.kernels);
    clean_up();
    if (!ok || !out.occupied()) {
        if (!ok) ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        ClearSlot(ctx.ws, result);
        return -1;
    }
    out.refresh = 1;
    out.undo_available = out.redo_available = 0;
    out.saved_changed = out.changed;
    out.changed = 1;
    out.undo_single_plane = out.single_plane;
    ComputeHistogram(out);
    return result;
}

}  // namespace orva
