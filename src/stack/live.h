// Live stacking: lights taken one at a time as the camera delivers them, each calibrated with
// the masters, measured, registered on the first light accepted, brought to its sky and
// folded into a running stack that is complete after every light.
//
// A light is rejected when it cannot be read, has more pixels than allowed or does not fit the
// first one, shows no stars,
// has a FWHM above the limit or more than 1.5 times the median of the lights accepted so far,
// or its stars match none of the first light's.
//
// The stack is a running mean per sample (lights that do not cover a place leave it out).
// With sigma or winsorized rejection, each sample also keeps a running variance (Welford's
// method); once 5 lights count at a place, a new value further than kappa standard
// deviations from the running mean is dropped (sigma) or pulled in to that bound
// (winsorized). This approximates the rejection of a whole stack: the first lights are never
// judged by the later ones. Memory is the mean, the variance and a count per sample, plus one
// light under registration, whatever the number of lights.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imageio/formats.h"
#include "stack/combine.h"
#include "stack/frames.h"
#include "stack/header.h"
#include "stack/normalise.h"
#include "stack/pipeline.h"
#include "stack/stars.h"

namespace orva {

struct LiveOptions {
    std::string bias, dark, flat;  // master files; empty when not used
    Registration registration = Registration::Stars;
    Rejection rejection = Rejection::Sigma;  // None, Sigma or Winsor
    double kappa = 3.0;
    double max_fwhm = 0;                   // pixels; 0: no limit
    double fwhm_factor = 1.5;              // of the median FWHM of the lights accepted so far
    int search_range = 32;                 // pixels each way of the shift search
    uint64_t max_pixels = kMaxReadPixels;  // larger lights are rejected before any work
    std::string temp_folder;               // for decoded RAW mosaics; empty: $TMPDIR
};

// Why a light was rejected.
enum class LiveReject {
    None,
    Unreadable,  // cannot be read
    TooLarge,    // more pixels than allowed
    Mismatch,    // not of the first light's size or kind
    NoStars,
    FwhmLimit,   // above the FWHM limit
    FwhmMedian,  // too far above the median FWHM of those accepted
    NoMatch,     // its stars match none of the first light's
};

// What became of one light.
struct LiveFrame {
    bool accepted = false;
    LiveReject kind = LiveReject::None;
    std::string reason;  // why not, when rejected (English, one line)
    int stars = 0;
    double fwhm = 0;        // median of its stars, pixels; 0 without stars
    double dx = 0, dy = 0;  // where its centre lands on the first light, less the centre
    double rotation = 0;    // degrees
    double exposure = 0;    // seconds; 0 when unknown
};

class LiveStack {
public:
    explicit LiveStack(LiveOptions options);
    ~LiveStack();
    LiveStack(const LiveStack&) = delete;
    LiveStack& operator=(const LiveStack&) = delete;

    // Takes one light. False with a one-line *error only when the masters cannot be used (the
    // live stack cannot go on); a light that is merely unusable is rejected in `frame`.
    bool Add(const std::string& path, LiveFrame& frame, std::string* error);

    int frames() const { return static_cast<int>(times_.size()); }
    double exposure() const;  // seconds of the lights accepted, those that say
    // The stack so far (NaN where no light counts), with the first light's header made a
    // stack's (NCOMBINE, LIVETIME, ...); empty before the first light is accepted.
    const LinearImage& image() const { return image_; }
    // HISTORY lines describing it.
    std::vector<std::string> History() const;
    // Warnings that arose (registration by shift when the first light has too few stars).
    const std::vector<std::string>& warnings() const { return warnings_; }

private:
    struct State;
    bool Start(const FrameRows& light, std::string* error);
    void Accumulate(const std::vector<float>& planes);

    LiveOptions options_;
    std::unique_ptr<State> state_;
    LinearImage image_;
    std::vector<LightTime> times_;
    std::vector<std::string> warnings_;
};

}  // namespace orva
