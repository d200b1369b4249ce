#include "shell/composite_commands.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "common/text.h"
#include "composite/composite_params.h"
#include "composite/multi_file.h"
#include "shell/commands.h"
#include "shell/messages.h"

namespace orva {

namespace {

bool Holds(const AppContext& ctx, int slot) {
    return Workspace::Valid(slot) && ctx.ws.at(slot).occupied();
}

// The free slot for a new picture, or -1 after telling the user.
int NewImageSlot(AppContext& ctx) {
    const int slot = FindFreeSlot(ctx.ws);
    if (slot < 0) ShowError(ctx.ui, Tr(msg::kNoSlotNew));
    return slot;
}

// A stacked picture exists in no file; its name says what made it from what ("画像合成-自動
// 01+03"), so that results tell themselves apart in the title, the pickers and the save
// dialog's proposal.
std::string ResultName(int command_id, const std::vector<int>& sources) {
    std::string name = CommandName(command_id);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        name += i == 0 ? ' ' : '+';
        name += Format("%02d", sources[i]);
    }
    return name;
}

std::vector<int> SlotsOf(const std::array<StackImage, 4>& images) {
    std::vector<int> out;
    for (const StackImage& image : images)
        if (image.slot >= 0) out.push_back(image.slot);
    return out;
}

// Runs a stacking code into `slot`; the picture becomes current. False when nothing came.
bool RunInto(AppContext& ctx, uint32_t code, ParamBlock& block, int slot, const std::string& name) {
    ImageRecord& out = ctx.ws.at(slot);
    if (!Dispatch(code, out, block, ctx.ws, ctx.kernels)) {
        ClearSlot(ctx.ws, slot);
        ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        return false;
    }
    if (!out.occupied()) return false;
    out.name = name;
    AdoptNewImage(ctx, slot, true);
    ctx.ui.Repaint();
    return true;
}

// A grey source gets its red plane copied into green and blue before it is stacked.
void Prepare(AppContext& ctx, int slot) {
    if (Holds(ctx, slot)) SpreadSinglePlane(ctx.ws.at(slot));
}

struct PointLine {
    int slot = -1, weight = 0;
    int ax = 0, ay = 0, bx = 0, by = 0;
};

// A point whose B repeats A has none; when no picture has a B, every B is put 100 pixels
// right and down of its A, so that the pictures are only moved.
void CompleteBPoints(std::vector<PointLine*>& lines) {
    bool any_b = false;
    for (PointLine* l : lines) {
        if (l->bx == l->ax && l->by == l->ay) l->bx = l->by = 0;
        any_b |= l->bx != 0 || l->by != 0;
    }
    if (any_b) return;
    // Points are at most 16383; near that edge every B goes the other way along that axis,
    // so that all the pictures keep one direction and are still only moved.
    int step_x = 100, step_y = 100;
    for (const PointLine* l : lines) {
        if (l->ax + 100 > kCompositeFields.point.max) step_x = -100;
        if (l->ay + 100 > kCompositeFields.point.max) step_y = -100;
    }
    for (PointLine* l : lines) {
        l->bx = l->ax + step_x;
        l->by = l->ay + step_y;
    }
}

PointLine LineOf(const AppContext& ctx, int k, int slot, int weight) {
    const auto& p = ctx.settings.composite.points[static_cast<std::size_t>(k)];
    const auto& f = kCompositeFields.point;
    return {slot, weight, f.Clamp(p[0]), f.Clamp(p[1]), f.Clamp(p[2]), f.Clamp(p[3])};
}

StackImage ImageOf(const PointLine& l) {
    return StackImage{l.slot, l.weight, PackPoint(l.ax, l.ay), PackPoint(l.bx, l.by)};
}

}  // namespace

std::string CompositeSlotLine(const AppContext& ctx, int slot) {
    return Format("%02d(%s)", slot, ctx.ws.at(slot).name.c_str());
}

int SlotOfLine(const std::string& line) {
    const std::size_t paren = line.find('(');
    if (line.empty() || paren == 0 || paren == std::string::npos) return -1;
    const std::string digits = line.substr(0, paren);
    if (digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::atoi(digits.c_str());
}

void CompositeAutoCommand(AppContext& ctx) {
    if (!CheckImageMemory(ctx.ws, 0, 0, -1, 4)) {
        ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        return;
    }
    if (!ctx.ui.RunDialog(DialogId::CompositeAuto, ctx)) return;
    const int slot = NewImageSlot(ctx);
    if (slot < 0) return;
    BusyScope busy(ctx.ui);
    const auto& co = ctx.settings.composite;
    CompositeParams p = AutoCompositeParams(co);
    for (std::size_t i = 0; i < 4; ++i) {
        const int s = co.images[i];
        if (!Holds(ctx, s)) continue;
        p.images[i] = StackImage{s, co.weights[i]};
        Prepare(ctx, s);
    }
    PutCompositeWords(p, ctx.params);
    RunInto(ctx, kOpComposite, ctx.params, slot, ResultName(kCmdCompositeAuto, SlotsOf(p.images)));
}

void CompositePointsCommand(AppContext& ctx) {
    if (!CheckImageMemory(ctx.ws, 0, 0, -1, 4)) {
        ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        return;
    }
    if (!ctx.ui.RunDialog(DialogId::CompositePoints, ctx)) return;
    const auto& co = ctx.settings.composite;
    std::vector<PointLine> lines(4);
    std::vector<PointLine*> used;
    for (int k = 0; k < 4; ++k) {
        const int s = co.images[static_cast<std::size_t>(k)];
        if (!Holds(ctx, s)) continue;
        lines[static_cast<std::size_t>(k)] =
            LineOf(ctx, k, s, co.weights[static_cast<std::size_t>(k)]);
        used.push_back(&lines[static_cast<std::size_t>(k)]);
    }
    if (used.size() < 2) {
        ShowError(ctx.ui, Tr(msg::kNeedTwoImages));
        return;
    }
    const int slot = NewImageSlot(ctx);
    if (slot < 0) return;
    BusyScope busy(ctx.ui);
    CompleteBPoints(used);
    PointCompositeParams p = PointCompositeParamsOf(co);
    for (std::size_t k = 0; k < 4; ++k) {
        p.images[k] = ImageOf(lines[k]);
        Prepare(ctx, lines[k].slot);
    }
    PutPointCompositeWords(p, ctx.params);
    RunInto(ctx, kOpCompositePoints, ctx.params, slot,
            ResultName(kCmdCompositePoints, SlotsOf(p.images)));
}

void LrgbCommand(AppContext& ctx) {
    if (!CheckImageMemory(ctx.ws, 0, 0, ctx.ws.current, 2)) {
        ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        return;
    }
    if (!ctx.ui.RunDialog(DialogId::Lrgb, ctx)) return;
    const auto& co = ctx.settings.composite;
    const int l = co.images[0], rgb = co.images[1];
    if (l < 0) {
        ShowError(ctx.ui, Tr(msg::kNoLuminanceImage));
        return;
    }
    if (rgb < 0) return;
    if (!Holds(ctx, l) || !Holds(ctx, rgb)) {
        ShowError(ctx.ui, Tr(msg::kNoImageChosen));
        return;
    }
    const int slot = NewImageSlot(ctx);
    if (slot < 0) return;
    BusyScope busy(ctx.ui);
    PointLine lum = LineOf(ctx, 0, l, 100), colour = LineOf(ctx, 1, rgb, 100);
    std::vector<PointLine*> used{&lum, &colour};
    CompleteBPoints(used);
    const LrgbParams p{{ImageOf(lum), ImageOf(colour), ImageOf(colour), ImageOf(colour)}};
    PutLrgbWords(p, ctx.params);
    Prepare(ctx, l);
    Prepare(ctx, rgb);
    RunInto(ctx, kOpCompositeLrgb, ctx.params, slot, ResultName(kCmdLrgb, {l, rgb}));
}

void LrgbFourCommand(AppContext& ctx) {
    if (!CheckImageMemory(ctx.ws, 0, 0, -1, 4)) {
        ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        return;
    }
    if (!ctx.ui.RunDialog(DialogId::LrgbFour, ctx)) return;
    const auto& co = ctx.settings.composite;
    for (int k = 1; k < 4; ++k) {
        if (!Holds(ctx, co.images[static_cast<std::size_t>(k)])) {
            ShowError(ctx.ui, Tr(msg::kNoRgbImages));
            return;
        }
    }
    const int slot = NewImageSlot(ctx);
    if (slot < 0) return;
    BusyScope busy(ctx.ui);
    std::vector<PointLine> lines(4);
    std::vector<PointLine*> used;
    for (int k = 0; k < 4; ++k) {
        const int s = co.images[static_cast<std::size_t>(k)];
        const bool has = Holds(ctx, s);
        const int w = has ? co.weights[static_cast<std::size_t>(k)] : 0;
        lines[static_cast<std::size_t>(k)] = LineOf(ctx, k, has ? s : -1, w);
        if (has) used.push_back(&lines[static_cast<std::size_t>(k)]);
        Prepare(ctx, s);
    }
    CompleteBPoints(used);
    LrgbParams p;
    for (std::size_t k = 0; k < 4; ++k) p.images[k] = ImageOf(lines[k]);
    PutLrgbWords(p, ctx.params);
    RunInto(ctx, kOpCompositeLrgb, ctx.params, slot,
            ResultName(kCmdLrgbFourImages, SlotsOf(p.images)));
}

void AddMultiFiles(AppContext& ctx, const std::vector<std::string>& dropped) {
    auto& files = ctx.settings.multi_file.files;
    const std::size_t room = kMultiFileMax - std::min<std::size_t>(files.size(), kMultiFileMax);
    if (dropped.size() > room) ShowError(ctx.ui, Tr(msg::kTooManyFiles));
    for (std::size_t i = 0; i < dropped.size() && i < room; ++i) files.push_back(dropped[i]);
}

void RemoveMultiFiles(std::vector<std::string>& files, std::vector<int> rows) {
    if (rows.empty()) {
        files.clear();
        return;
    }
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (const int r : rows)
        if (r >= 0 && r < static_cast<int>(files.size())) files.erase(files.begin() + r);
}

int StackFiles(AppContext& ctx, const std::function<void(const std::string&)>& progress) {
    const auto& mf = ctx.settings.multi_file;
    std::vector<std::string> files = mf.files;
    if (files.size() > static_cast<std::size_t>(kMultiFileMax)) files.resize(kMultiFileMax);
    const int n = static_cast<int>(files.size());
    if (n == 0) return -1;
    auto say = [&](const std::string& line) {
        if (progress) progress(line);
    };
    if (n == 1) {
        const int slot = FindFreeSlot(ctx.ws);
        if (slot < 0) {
            ShowError(ctx.ui, Tr(msg::kNoSlotNew));
            return -1;
        }
        if (!LoadIntoSlot(ctx, files[0], slot)) return -1;
        MarkLoaded(ctx.ws, slot);
        return slot;
    }
    const auto groups = GroupFiles(n);
    std::vector<int> results;
    auto release = [&] {
        for (const int s : results) ClearSlot(ctx.ws, s);
    };
    for (std::size_t g = 0; g < groups.size(); ++g) {
        std::vector<std::string> paths;
        for (const int i : groups[g]) paths.push_back(files[static_cast<std::size_t>(i)]);
        say(Format("group %d of %d: stacking %d files", static_cast<int>(g) + 1,
                   static_cast<int>(groups.size()), static_cast<int>(paths.size())));
        const int slot = MultiFileLoad(ctx, paths, MultiFileParams(mf, {}));
        if (slot < 0) {
            release();
            return -1;
        }
        results.push_back(slot);
    }
    if (results.size() == 1) return results[0];
    const int final_slot = FindFreeSlot(ctx.ws);
    if (final_slot < 0) {
        ShowError(ctx.ui, Tr(msg::kNoSlotNew));
        release();
        return -1;
    }
    say(Format("stacking the %d group results", static_cast<int>(results.size())));
    CompositeParams p = MultiFileParams(mf, results);
    p.noise = NoiseOptions{};  // outliers were removed inside the groups
    PutCompositeWords(p, ctx.params);
    ImageRecord& out = ctx.ws.at(final_slot);
    const bool ok = Dispatch(kOpComposite, out, ctx.params, ctx.ws, ctx.kernels);
    release();
    if (!ok || !out.occupied()) {
        if (!ok) ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        ClearSlot(ctx.ws, final_slot);
        return -1;
    }
    return final_slot;
}

namespace {

int LowestFreeSlotBelow(const Workspace& ws, int slot) {
    for (int s = 0; s < slot; ++s)
        if (!ws.at(s).occupied()) return s;
    return -1;
}

std::string FilesResultName(const std::vector<std::string>& files) {
    const std::string first = std::filesystem::path(files.front()).stem().string();
    return Format(Tr(msg::kFilesResultName), CommandName(kCmdCompositeFiles).c_str(), first.c_str(),
                  static_cast<int>(files.size()) - 1);
}

}  // namespace

void CompositeFilesCommand(AppContext& ctx) {
    ctx.settings.multi_file.files.clear();
    if (!ctx.ui.RunDialog(DialogId::CompositeFiles, ctx)) {
        ctx.settings.multi_file.files.clear();
        return;
    }
    if (FindFreeSlot(ctx.ws) < 0) {
        ShowError(ctx.ui, Tr(msg::kNoSlotNew));
        return;
    }
    if (ctx.settings.multi_file.files.empty()) return;
    BusyScope busy(ctx.ui);
    const std::vector<std::string> files = ctx.settings.multi_file.files;
    const bool single = files.size() == 1;
    int slot = StackFiles(ctx);
    ctx.settings.multi_file.files.clear();
    if (slot < 0) return;
    // One file is simply opened; a stack is a new picture that exists in no file, named after
    // the command and its first file, and put into the lowest free slot (its inputs were
    // loaded below it and are gone now).
    if (!single) {
        const int lowest = LowestFreeSlotBelow(ctx.ws, slot);
        if (lowest >= 0) {
            ctx.ws.at(lowest) = std::move(ctx.ws.at(slot));
            ClearSlot(ctx.ws, slot);
            slot = lowest;
        }
        ctx.ws.at(slot).name = FilesResultName(files);
        AdoptNewImage(ctx, slot, true);
    }
    ctx.ui.Repaint();
}

}  // namespace orva
