// The dialogs the shell asks the front end to run. Each has a resource name, which is how
// logs, tests and the front end's own tables spell it; code names a dialog by its id only, so
// a dialog that is not in the list cannot be asked for.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace orva {

enum class DialogId : int {
    DisplaySettings,
    Select,
    Sharpen,
    Edge,
    Resize,
    Crop,
    Rotate,
    Distortion,
    DynamicRange,
    Gamma,
    Level,
    Wavelet,
    Restore,
    Grey,
    SaturationHue,
    ColourChangeRgb,
    ColourChangeHsv,
    Noise,
    Batch,
    CompositeAuto,
    CompositePoints,
    Lrgb,
    LrgbFour,
    CompositeFiles,
    BackgroundLevels,
    BackgroundImage,
    BackgroundPoints,
    GeneratedBackground,
    Compare,
    Raw,
    Dark,
    CalibratedStack,
    LiveStack,
};

inline constexpr int kDialogCount = static_cast<int>(DialogId::LiveStack) + 1;

// Resource names, indexed by id.
inline constexpr std::array<std::string_view, kDialogCount> kDialogNames = {
    "DISPCONF", "SELECT",   "SHARP",    "EDGE",     "RESIZE",    "CUT",     "ROUND",
    "WAIKYOKU", "HDR",      "GAMMA",    "LEVEL",    "WAVELET",   "RESTORE", "GRAY",
    "COLORUP",  "CHGRGB",   "CHGHSV",   "LV",       "BATCH",     "COMPO",   "COMPO2",
    "LRGB",     "LRGBCOMP", "COMPOMUL", "BACKG",    "BACKG2",    "BACKG3",  "MAKEBG",
    "DIFF",     "RAWMODE",  "DARK",     "CALSTACK", "LIVESTACK",
};

// Every id has a name, and a name of its own.
static_assert([] {
    for (std::size_t i = 0; i < kDialogNames.size(); ++i) {
        if (kDialogNames[i].empty()) return false;
        for (std::size_t j = 0; j < i; ++j)
            if (kDialogNames[i] == kDialogNames[j]) return false;
    }
    return true;
}());

constexpr std::string_view DialogName(DialogId id) {
    return kDialogNames[static_cast<std::size_t>(id)];
}

// The dialog of a resource name; nullopt for a name that is no dialog.
constexpr std::optional<DialogId> DialogOfName(std::string_view name) {
    for (int i = 0; i < kDialogCount; ++i)
        if (kDialogNames[static_cast<std::size_t>(i)] == name) return static_cast<DialogId>(i);
    return std::nullopt;
}

}  // namespace orva
