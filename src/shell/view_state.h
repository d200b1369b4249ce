// Display state shared by the image window, the histogram window and the commands that
// change what is shown. One copy lives in the application context. (The read-out divisor
// and the camera-information overlay are settings: ctx.settings.display.)
#pragma once

#include <array>
#include <functional>

namespace orva {

struct AppContext;
struct ImageRecord;

// A background level picked with a click: where, and the 8-bit level of each channel.
struct SampledLevel {
    int x = 0, y = 0;  // column, memory row
    int r = 0, g = 0, b = 0;
};

// One entry of the background point list: 16-bit levels and their mean.
struct BackgroundPoint {
    int x = 0, y = 0;  // column, memory row
    int r = 0, g = 0, b = 0, mean = 0;
};

inline constexpr int kMaxBackgroundPoints = 100;
// Sampling modes: what a left click in the image window collects.
inline constexpr int kSampleNone = 0;
inline constexpr int kSampleCentre = 1;
inline constexpr int kSampleEdge = 2;
inline constexpr int kSamplePoints = 100;  // 100 + n: collecting point n of the list

struct ViewState {
    int histogram_open = 0;   // the "Histgram" window exists
    int inspection_mode = 0;  // 0 histogram, 1 cross-sections
    int auto_stretch = 0;     // show linear data stretched; the planes stay as they are

    // Background sampling by clicks in the image window.
    int sampling_mode = kSampleNone;
    SampledLevel centre_level, edge_level;
    std::array<BackgroundPoint, kMaxBackgroundPoints> background_points{};
    // Runs the point-based background correction on the record with the first `count`
    // points when the user finishes the list; the undo copy is taken before and the record
    // marked changed after. False when memory ran short. Empty: finishing only ends the list.
    std::function<bool(AppContext&, ImageRecord&, int count)> finish_background_points;
};

}  // namespace orva
