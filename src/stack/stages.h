// The stages of a calibrated stack that read and calibrate frames, shared by the pipeline's
// steps: opening the frames, building the masters, and calibrating a whole light.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "stack/combine.h"
#include "stack/frames.h"

namespace orva {

// FITS files are mapped; RAW files decoded to their mosaic once. All frames of a stack are
// of one kind, as a mosaic cannot be calibrated with colour planes or the other way round.
bool OpenFrames(const std::vector<std::string>& paths, bool raw, const std::string& folder,
                FrameList& out, std::string* error);
// False with a message naming the first frame whose size or planes differ from `like`.
bool Matches(const FrameList& frames, const FrameRows& like, std::string* error);
// The colour pattern of a mosaic job (lights from a colour sensor, as camera RAW files or
// FITS files naming their Bayer pattern), which every frame must share; nullptr for a job of
// grey or colour frames, where no frame may be a mosaic. False with *error naming the frame
// that does not fit.
bool MosaicOfJob(const FrameRows& first, std::initializer_list<const FrameList*> lists,
                 const RawMosaic** layout, std::string* error);

// The planes of a master frame; empty without frames.
using Master = std::vector<std::vector<float>>;

struct Masters {
    Master bias, dark, flat;  // the flat normalised to a median of 1 per plane (or colour)

    // Calibrates `count` samples of plane c starting at sample `at`.
    void Apply(int c, std::size_t at, std::size_t count, float* v) const;
};

// The masters of the bias, dark and flat frames (each may be empty), the flat less the
// bias and normalised. `layout` is the mosaic of RAW frames, null otherwise. False with a
// message when the flat has no light.
bool BuildMasters(const FrameList& bias, const FrameList& darks, const FrameList& flats,
                  bool by_median, int band_rows, const RawMosaic* layout, Masters& m,
                  std::string* error);

// The size of the lights as registered and combined: a RAW light has three planes once
// demosaiced.
struct Shape {
    int width = 0, height = 0, planes = 0;
    std::size_t pixels() const { return static_cast<std::size_t>(width) * height; }
};

// A whole light, calibrated, its planes one after another; a RAW mosaic demosaiced into
// three planes with the first row the bottom one, as every other picture keeps them.
void LoadCalibrated(const FrameRows& light, const Masters& m, const RawMosaic* layout,
                    std::vector<float>& planes, std::vector<float>& scratch);

// The header cards of a frame: a FITS frame's own, or those made from what the camera
// recorded for a RAW frame.
std::vector<std::string> CardsOf(const FrameRows& f);
// Seconds of exposure a frame records; 0 when it does not say.
double Exposure(const FrameRows& f);
// The median of some values, the mean of the middle two for an even count; 0 for none.
double Median(std::vector<double> v);

}  // namespace orva
