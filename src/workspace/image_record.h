// One open image and the fixed table of 256 image slots.
//
// Conventions shared by everything that touches a record:
// - planes hold width x height unsigned 16-bit samples, row-major, bottom row first;
// - an 8-bit value v is stored as v * 256, and 8-bit output takes the high byte;
// - a slot is occupied exactly when width and height are both at least 1;
// - with `single_plane` set only the red plane is meaningful (a grey picture).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/plane.h"

namespace orva {

inline constexpr int kSlotCount = 256;
inline constexpr int kCameraTextMax = 31;  // make, model and date are 32-byte fields

struct ImageRecord {
    std::string name;  // full path loaded from or last saved to; empty for images made in memory
    Plane red, green, blue;
    Plane undo_red, undo_green, undo_blue;
    int undo_available = 0;
    int redo_available = 0;
    int width = 0, height = 0;
    int undo_width = 0, undo_height = 0;
    std::array<int, 3> max_level{}, min_level{}, mean_level{};  // kept by the display
    int zoom = 100;
    int scroll_x = 0, scroll_y = 0;
    int point_a_x = -1, point_a_y = -1, point_b_x = -1, point_b_y = -1;
    int refresh = 0;
    int changed = 0;
    int saved_changed = 0;
    int single_plane = 0;
    int undo_single_plane = 0;
    std::array<std::array<uint32_t, 256>, 3> histogram{};
    int histogram_peak = 1;
    int histogram_samples = 0;
    std::vector<uint8_t> exif;  // leading JPEG bytes up to and including the EXIF segment
    std::string camera_make, camera_model, date_time;  // at most kCameraTextMax bytes each
    std::vector<std::string> fits_cards;  // a FITS file's header keys, written back on save
    uint32_t exposure_time = 0;           // numerator << 16 | denominator; 0 when unknown
    uint32_t f_number = 0;                // packed like exposure_time
    uint32_t iso = 0;

    bool occupied() const { return width >= 1 && height >= 1; }
    std::size_t pixels() const {
        return occupied() ? static_cast<std::size_t>(width) * static_cast<std::size_t>(height) : 0;
    }
    Plane& plane(int channel) { return channel == 0 ? red : channel == 1 ? green : blue; }
    const Plane& plane(int channel) const {
        return channel == 0 ? red : channel == 1 ? green : blue;
    }
};

// Cuts camera texts to what the record's fixed fields can hold.
void SetCameraText(std::string& field, std::string_view value);

// A decoded picture not yet in any slot. Readers fill one of these; the load path moves it
// into a record only when the whole file was read, so a damaged file never leaves a
// half-filled slot behind.
// Largest picture a reader accepts unless told otherwise: beyond it a header is taken as
// damaged or hostile rather than as a reason to take gigabytes.
inline constexpr uint64_t kDefaultMaxPixels = uint64_t{1} << 30;

struct DecodedImage {
    int width = 0, height = 0;
    Plane red, green, blue;
    std::vector<uint8_t> exif;
    std::vector<std::string> fits_cards;  // header cards other than the data layout (FITS)
    std::string camera_make, camera_model, date_time;
    uint32_t exposure_time = 0, f_number = 0, iso = 0;
    // Bytes the reader may take for the planes; the load path sets it from what the
    // machine has free, so a huge but well-formed file is refused instead of killing us.
    uint64_t memory_budget = UINT64_MAX;
    // Largest picture (width x height) the reader accepts, whatever the memory.
    uint64_t max_pixels = kDefaultMaxPixels;
    // Set by the caller to learn the size (and camera data) alone: the reader checks the
    // file as far as it can without decoding pixels, sets width and height and takes no
    // planes.
    bool header_only = false;

    // Allocates three planes of width x height. False when the budget or memory is short.
    bool Allocate(int w, int h, bool zero = false);
};

}  // namespace orva
