// Dark frames: up to four RAW or FITS darks combined into one master dark, subtracted from
// every RAW or FITS image of the same size while it is read.
//
// A RAW dark is kept in the decoder's mosaic layout (four channels per pixel, rows from the
// top), taken after the decoder's own clean-up, black handling and 16-bit scaling, so that
// it subtracts sample for sample from a picture decoded the same way.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "imageio/formats.h"
#include "imageio/io_status.h"

namespace orva {

inline constexpr int kMaxDarkFiles = 4;

struct RawDark {
    int width = 0, height = 0;
    std::vector<uint16_t> samples;  // 4 per pixel, top row first
    bool empty() const { return samples.empty(); }
};

// Combines 1 to 4 frames of one size sample by sample: one is copied; two give their mean;
// three or four drop the value farthest from their mean and average the rest (all divisions
// rounded down). Ties in distance drop the earliest frame's value.
uint16_t CombineDarkValues(const uint16_t* values, int count);
RawDark CombineRawDarks(const std::vector<const RawDark*>& frames);
FitsDark CombineFitsDarks(const std::vector<const FitsDark*>& frames);

// Defect handling of a RAW dark subtraction: 0 leave an image value below its dark as it is,
// 1 set it to 0, 2 replace every sample that ends within `level` of its dark (or below it)
// by the trimmed mean of its twelve same-channel neighbours.
inline constexpr int kDefectLeave = 0, kDefectZero = 1, kDefectAverage = 2;

// Subtracts `dark` from the mosaic (4 channels per pixel, width x height, rows from the
// top). Does nothing unless the sizes match exactly.
void SubtractRawDark(uint16_t (*mosaic)[4], int width, int height, const RawDark& dark,
                     int handling, int level);

// The trimmed mean of a defective sample's neighbours: none gives 0, one or two their mean,
// three or more leave out whichever of the largest and the smallest lies farther from the
// mean (the smallest when equally far).
int TrimmedNeighbourMean(const int* values, int count);

// The loaded dark frames and their master.
struct DarkStore {
    std::array<std::string, kMaxDarkFiles> files;  // the dark file list (dialog DARK)
    int format = -1;                               // kFormatRaw or kFormatFits; -1 none
    int width = 0, height = 0;
    RawDark raw_master;
    FitsDark fits_master;

    bool has_raw() const { return format == kFormatRaw && !raw_master.empty(); }
    const FitsDark* fits() const {
        return format == kFormatFits && !fits_master.red.empty() ? &fits_master : nullptr;
    }
    // Drops the master (the file list stays).
    void Release();
};

// Why building a master failed, for the shell's message.
enum class DarkError { None, MixedFormats, MixedSizes, NotDark, Unreadable };

struct DarkBuildResult {
    DarkError error = DarkError::None;
    std::string file;  // the file at fault
    IoResult io;       // the reader's status for Unreadable
    int loaded = 0;    // files combined
};

// Reads the non-empty entries of store.files in order and builds the master. Any failure
// releases every dark (no master is left) and says why. No files: the master is released.
// memory_budget bounds each reader.
DarkBuildResult BuildDarkMaster(DarkStore& store, uint64_t memory_budget);

}  // namespace orva
