// Writing a sensor mosaic as a DNG file: what the sample pictures, the tests and the
// benchmarks decode through the camera raw decoder without needing any camera's files.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "imageio/io_status.h"

namespace orva {

struct DngMosaic {
    int width = 0, height = 0;
    std::vector<uint16_t> samples;  // width x height, top row first; 3 per pixel when linear
    bool linear = false;            // every pixel carries red, green and blue
    // Colour of the 2x2 pattern cells (top-left, top-right, bottom-left, bottom-right):
    // 0 red, 1 green, 2 blue. RGGB by default.
    std::array<uint8_t, 4> pattern = {0, 1, 1, 2};
    // A 6x6 pattern (X-Trans), row by row, used instead of `pattern` when it holds 36 colours.
    std::vector<uint8_t> pattern6;
    uint16_t black = 0;
    // Black levels of a repeating black_repeat x black_repeat grid, row by row, used instead of
    // `black` when it holds black_repeat^2 values (at most 4 x 4).
    int black_repeat = 1;
    std::vector<double> black_grid;
    uint16_t white = 65535;
    std::array<double, 9> colour_matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1};  // XYZ to camera
    std::array<double, 3> as_shot_neutral = {1, 1, 1};
    std::string make = "ORVA", model = "Sample";
    std::string date_time;              // "YYYY:MM:DD HH:MM:SS", or empty
    double exposure = 0, f_number = 0;  // 0: not written
    int iso = 0;
};

// Uncompressed 16-bit DNG (one IFD, CFA or linear raw). Fails for an inconsistent mosaic or
// when the file cannot be written.
IoResult WriteDng(const std::string& path, const DngMosaic& m);

// A synthetic RGGB mosaic of a colourful scene with smooth gradients, edges and fine
// detail, for samples and benchmarks.
DngMosaic SampleMosaic(int width, int height);

}  // namespace orva
