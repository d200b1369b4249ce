#include "stack/pipeline.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>

#include "common/parallel.h"
#include "common/text.h"
#include "stack/header.h"
#include "stack/resample.h"
#include "stack/shift_search.h"
#include "stack/stages.h"
#include "stack/stars.h"

namespace orva {

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr std::size_t kMinStars = 6;  // fewer cannot pin a rotation with any confidence
constexpr int kCountStars = 2000;

std::string FileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

const char* RejectionName(Rejection r) {
    switch (r) {
        case Rejection::None: return "none";
        case Rejection::Sigma: return "sigma clipping";
        case Rejection::Winsor: return "winsorized sigma clipping";
        case Rejection::MinMax: return "min/max";
        case Rejection::Median: return "median";
    }
    return "";
}

// The stages of one stack, each a method, run in order by Run.
class Stack {
public:
    Stack(const StackJob& job, StackOutcome& out, std::string* error)
        : job_(job), out_(out), error_(error) {}
    bool Run();

private:
    bool Open();
    bool MakeMasters();
    void CheckDarkExposures();
    bool PrepareLights();
    bool PrepareLight(std::size_t i, int percent);
    bool Register(std::size_t i, const float* middle, const std::vector<Star>& stars);
    bool Store(std::size_t i, const float* planes);
    void Select();
    bool Combine();
    void ReadPlaced(std::size_t i, int c, int y0, int rows, float* dst) const;
    void Describe();

    void Tell(const std::string& s, int percent) const {
        if (job_.progress) job_.progress(s, percent);
    }
    // True (with the error set) when the user asked to stop.
    bool Cancelled() const {
        if (!job_.cancelled || !job_.cancelled()) return false;
        *error_ = "cancelled";
        return true;
    }
    void Warn(const std::string& s) {
        out_.warnings.push_back(s);
        if (job_.warn) job_.warn(s);
    }
    const float* Middle(const std::vector<float>& planes) const {
        return planes.data() + (shape_.planes == 3 ? shape_.pixels() : 0);
    }

    const StackJob& job_;
    StackOutcome& out_;
    std::string* error_;

    bool raw_ = false;     // camera RAW frames
    bool mosaic_ = false;  // colour-sensor mosaics (camera RAW, or FITS with BAYERPAT)
    const RawMosaic* layout_ = nullptr;
    FrameList lights_, bias_, darks_, flats_;
    std::size_t ref_ = 0;
    Masters masters_;
    Shape shape_;
    bool by_stars_ = true;
    std::size_t held_bytes_ = 0;  // prepared lights held in memory so far
    std::string fallback_;        // why registration fell back to the shift search
    std::vector<float> planes_, scratch_, moved_, reference_middle_;
    std::vector<Star> reference_stars_;
    FrameList stored_;                         // per light: calibrated and moved, or null
    std::vector<std::vector<SkyStats>> sky_;   // per light and plane
    std::vector<std::vector<LinearMap>> map_;  // per light and plane, to the reference's sky
    std::vector<std::size_t> active_;
    std::vector<double> weights_;
};

bool Stack::Open() {
    if (job_.lights.empty()) {
        *error_ = "no light frames";
        return false;
    }
    if (job_.reference >= job_.lights.size()) {
        *error_ = "the reference light is not one of the lights";
        return false;
    }
    ref_ = job_.reference;
    raw_ = DetectFormat(job_.lights[0]) == kFormatRaw;
    if (raw_) Tell("reading the RAW frames", 0);
    for (auto [paths, frames] : {std::pair{&job_.lights, &lights_}, std::pair{&job_.bias, &bias_},
                                 std::pair{&job_.darks, &darks_}, std::pair{&job_.flats, &flats_}})
        if (!OpenFrames(*paths, raw_, job_.temp_folder, *frames, error_)) return false;
    const FrameRows& g = *lights_[ref_];
    if (!MosaicOfJob(g, {&lights_, &bias_, &darks_, &flats_}, &layout_, error_)) return false;
    mosaic_ = layout_ != nullptr;
    if (!Matches(lights_, g, error_) || !Matches(bias_, g, error_) || !Matches(darks_, g, error_) ||
        !Matches(flats_, g, error_))
        return false;
    if (static_cast<uint64_t>(g.width) * static_cast<uint64_t>(g.height) > job_.max_pixels) {
        *error_ = Format("%s: %dx%d is more than the limit of %llu pixels", g.path.c_str(), g.width,
                         g.height, static_cast<unsigned long long>(job_.max_pixels));
        return false;
    }
    shape_ = {g.width, g.height, mosaic_ ? 3 : g.planes};
    return true;
}

// A dark of another exposure than the lights' leaves too much or too little dark current.
void Stack::CheckDarkExposures() {
    const double light = Exposure(*lights_[ref_]);
    if (light <= 0) return;
    for (const auto& d : darks_) {
        const double dark = Exposure(*d);
        if (dark > 0 && std::fabs(dark - light) > 0.01 * light)
            Warn(Format("%s: dark of %g s for lights of %g s; the dark current will not match",
                        d->path.c_str(), dark, light));
    }
}

bool Stack::MakeMasters() {
    if (!bias_.empty()) Tell("master bias of " + std::to_string(bias_.size()) + " frame(s)", 0);
    if (!darks_.empty()) Tell("master dark of " + std::to_string(darks_.size()) + " frame(s)", 3);
    if (!flats_.empty()) Tell("master flat of " + std::to_string(flats_.size()) + " frame(s)", 6);
    return BuildMasters(bias_, darks_, flats_, job_.master_median, std::max(1, job_.band_rows),
                        layout_, masters_, error_);
}

// Calibrates, measures and registers every light, the reference first; keeps those that
// must move (or were demosaiced) calibrated in memory or a temporary file.
bool Stack::PrepareLights() {
    const std::size_t count = lights_.size();
    by_stars_ = job_.registration == Registration::Stars;
    held_bytes_ = 0;
    out_.dx.assign(count, 0);
    out_.dy.assign(count, 0);
    out_.noise.assign(count, 0);
    out_.placement.assign(count, {});
    out_.lights.assign(count, {});
    stored_.clear();
    stored_.resize(count);
    sky_.assign(count, {});
    std::vector<std::size_t> order{ref_};
    for (std::size_t i = 0; i < count; ++i)
        if (i != ref_) order.push_back(i);
    for (std::size_t k = 0; k < count; ++k) {
        if (Cancelled()) return false;
        const int percent = 10 + static_cast<int>(40 * k / count);
        Tell("registering " + std::to_string(k + 1) + "/" + std::to_string(count), percent);
        if (!PrepareLight(order[k], percent)) return false;
    }
    reference_middle_ = {};
    return true;
}

bool Stack::PrepareLight(std::size_t i, int percent) {
    LightQuality& q = out_.lights[i];
    q.path = job_.lights[i];
    LoadCalibrated(*lights_[i], masters_, layout_, planes_, scratch_);
    const float* middle = Middle(planes_);
    out_.noise[i] = q.noise = EstimateNoise(middle, shape_.width, shape_.height, 4);
    // Enough stars to count and measure the seeing by, the brightest first.
    const std::vector<Star> stars = DetectStars(middle, shape_.width, shape_.height, kCountStars);
    q.stars = static_cast<int>(stars.size());
    if (!stars.empty()) {
        std::vector<double> fwhm, round;
        for (const Star& s : stars) {
            fwhm.push_back(s.fwhm);
            round.push_back(s.roundness);
        }
        q.fwhm = Median(fwhm);
        q.roundness = Median(round);
    }
    if (!Register(i, middle, stars)) {
        Tell("left out " + FileName(q.path) + ": " + q.reason, percent);
        return true;
    }
    // A light moves when some corner of it would land kStillShift or more from where it is.
    const StackOutcome::Placement& p = out_.placement[i];
    const Similarity t{p.a, p.b, p.tx, p.ty};
    bool moves = false;
    for (const auto& [x, y] : {std::pair{0, 0},
                               {shape_.width - 1, 0},
                               {0, shape_.height - 1},
                               {shape_.width - 1, shape_.height - 1}}) {
        double ox = 0, oy = 0;
        t.Map(x, y, ox, oy);
        moves = moves || std::hypot(ox - x, oy - y) >= kStillShift;
    }
    // The sky of each plane, on about half a million samples, before any resampling: the
    // interpolation smooths the noise, and a light would be scaled up for it.
    const std::size_t n = shape_.pixels(), step = std::max<std::size_t>(1, n / 500000);
    for (int c = 0; c < shape_.planes; ++c)
        sky_[i].push_back(MeasureSky(planes_.data() + n * static_cast<std::size_t>(c), n, step));
    q.sky = sky_[i][shape_.planes == 3 ? 1 : 0].location;
    const float* keep = planes_.data();
    if (moves) {
        const Similarity back = t.Inverse();
        moved_.resize(planes_.size());
        for (int c = 0; c < shape_.planes; ++c)
            ResamplePlane(planes_.data() + n * static_cast<std::size_t>(c), shape_.width,
                          shape_.height, back.a, back.b, back.tx, back.ty,
                          moved_.data() + n * static_cast<std::size_t>(c));
        keep = moved_.data();
    }
    if (!moves && !mosaic_) return true;
    return Store(i, keep);
}

// The light's placement on the reference; false (the light left out, with the reason) when
// its stars match none of the reference's.
bool Stack::Register(std::size_t i, const float* middle, const std::vector<Star>& stars) {
    LightQuality& q = out_.lights[i];
    StackOutcome::Placement& p = out_.placement[i];
    if (i == ref_) {
        if (by_stars_ && stars.size() < kMinStars) {
            by_stars_ = false;
            fallback_ = Format(
                "%s: %zu star(s), too few to register by stars; registered by "
                "shift",
                FileName(job_.lights[i]).c_str(), stars.size());
            Warn(fallback_);
        }
        if (by_stars_)
            reference_stars_ = stars;
        else
            reference_middle_.assign(middle, middle + shape_.pixels());
        return true;
    }
    if (by_stars_) {
        StarMatch match;
        std::string why;
        if (!MatchStars(reference_stars_, stars, match, &why)) {
            q.used = false;
            q.reason = why;
            return false;
        }
        const Similarity& t = match.transform;
        p = {t.a, t.b, t.tx, t.ty};
        q.rotation = t.AngleDegrees();
    } else {
        const Shift d = FindShift(reference_middle_.data(), middle, shape_.width, shape_.height,
                                  job_.search_range);
        p = {1, 0, d.dx, d.dy};
    }
    // Where the light's centre lands, less the centre.
    const double cx = 0.5 * (shape_.width - 1), cy = 0.5 * (shape_.height - 1);
    q.dx = p.a * cx - p.b * cy + p.tx - cx;
    q.dy = p.b * cx + p.a * cy + p.ty - cy;
    out_.dx[i] = static_cast<int>(std::lround(p.tx));
    out_.dy[i] = static_cast<int>(std::lround(p.ty));
    return true;
}

bool Stack::Store(std::size_t i, const float* planes) {
    std::unique_ptr<WrittenFrame> frame;
    IoResult r;
    // Prepared lights are held in memory, first come first held, while they fit the allowance;
    // the rest go to temporary files.
    const std::size_t bytes =
        shape_.pixels() * static_cast<std::size_t>(shape_.planes) * sizeof(float);
    if (held_bytes_ + bytes <= job_.memory_for_frames) {
        held_bytes_ += bytes;
        auto held = std::make_unique<HeldFrame>();
        r = held->Create(shape_.width, shape_.height, shape_.planes);
        frame = std::move(held);
    } else {
        auto spool = std::make_unique<SpoolFrame>();
        r = spool->Create(shape_.width, shape_.height, shape_.planes, job_.temp_folder);
        frame = std::move(spool);
    }
    const std::size_t n = shape_.pixels();
    for (int c = 0; c < shape_.planes && r.ok(); ++c)
        r = frame->WritePlane(c, planes + n * static_cast<std::size_t>(c));
    if (!r.ok()) {
        *error_ = r.detail;
        return false;
    }
    stored_[i] = std::move(frame);
    return true;
}

// Which lights go in, each one's map to the reference's sky and its weight.
void Stack::Select() {
    SelectLights(out_.lights, job_.keep_best, job_.max_fwhm);
    const std::size_t count = lights_.size();
    map_.assign(count, {});
    for (std::size_t i = 0; i < count; ++i) {
        for (int c = 0; c < shape_.planes; ++c) {
            const auto cc = static_cast<std::size_t>(c);
            map_[i].push_back(
                i == ref_ || sky_[i].empty()
                    ? LinearMap{}
                    : NormalisationMap(job_.normalisation, sky_[ref_][cc], sky_[i][cc]));
        }
    }
    // Inverse-variance weights see the noise as normalised.
    auto weight = [&](std::size_t i) {
        const double noise = out_.noise[i] * map_[i][shape_.planes == 3 ? 1 : 0].gain;
        return job_.weight_by_noise && noise > 0 ? 1.0 / (noise * noise) : 1.0;
    };
    const double ref_weight = weight(ref_);
    active_.clear();
    weights_.clear();
    for (std::size_t i = 0; i < count; ++i) {
        LightQuality& q = out_.lights[i];
        if (!q.used) {
            stored_[i].reset();
            const std::string line = FileName(q.path) + ": " + q.reason;
            if (std::find(out_.left_out.begin(), out_.left_out.end(), line) == out_.left_out.end())
                out_.left_out.push_back(line);
            continue;
        }
        active_.push_back(i);
        weights_.push_back(weight(i));
        q.weight = weights_.back() / ref_weight;
    }
}

// Rows [y0, y0 + rows) of plane c of light i as it lies on the reference, calibrated and
// normalised.
void Stack::ReadPlaced(std::size_t i, int c, int y0, int rows, float* dst) const {
    const std::size_t w = static_cast<std::size_t>(shape_.width);
    if (stored_[i]) {
        stored_[i]->Read(c, y0, rows, dst);
    } else {
        lights_[i]->Read(c, y0, rows, dst);
        masters_.Apply(c, static_cast<std::size_t>(y0) * w, static_cast<std::size_t>(rows) * w,
                       dst);
    }
    const LinearMap& m = map_[i][static_cast<std::size_t>(c)];
    if (m.identity()) return;
    const auto gain = static_cast<float>(m.gain), offset = static_cast<float>(m.offset);
    for (std::size_t k = 0; k < static_cast<std::size_t>(rows) * w; ++k)
        dst[k] = dst[k] * gain + offset;
}

// The combination, a band of rows at a time. False when cancelled.
bool Stack::Combine() {
    const std::size_t w = static_cast<std::size_t>(shape_.width), n = shape_.pixels();
    const int band_rows = std::max(1, job_.band_rows);
    LinearImage& img = out_.image;
    img.width = shape_.width;
    img.height = shape_.height;
    img.planes = shape_.planes;
    img.data.assign(n * static_cast<std::size_t>(shape_.planes), kNaN);
    const std::size_t used = active_.size();
    std::vector<std::vector<float>> placed(used, std::vector<float>(w * band_rows));
    for (int c = 0; c < shape_.planes; ++c) {
        for (int y0 = 0; y0 < shape_.height; y0 += band_rows) {
            if (Cancelled()) return false;
            const int rows = std::min(band_rows, shape_.height - y0);
            if (y0 % (band_rows * 16) == 0)
                Tell("combining plane " + std::to_string(c + 1) + " row " + std::to_string(y0) +
                         "/" + std::to_string(shape_.height),
                     50 + static_cast<int>(50LL * (c * shape_.height + y0) /
                                           (shape_.planes * shape_.height)));
            RunBands(static_cast<int>(used), [&](int k) {
                const auto slot = static_cast<std::size_t>(k);
                ReadPlaced(active_[slot], c, y0, rows, placed[slot].data());
            });
            RunBands(rows, [&](int r) {
                std::vector<const float*> ptrs(used);
                for (std::size_t k = 0; k < used; ++k)
                    ptrs[k] = placed[k].data() + static_cast<std::size_t>(r) * w;
                CombineRow(ptrs, weights_, shape_.width, job_.combine,
                           img.plane(c) + (static_cast<std::size_t>(y0) + r) * w);
            });
        }
    }
    return true;
}

// The header and the HISTORY lines (each short enough for one card).
void Stack::Describe() {
    std::vector<LightTime> times;
    for (std::size_t i : active_) {
        LightTime t;
        t.exposure = Exposure(*lights_[i]);
        if (!raw_) t.date_obs = CardText(CardsOf(*lights_[i]), "DATE-OBS");
        times.push_back(t);
    }
    out_.image.cards = StackedCards(CardsOf(*lights_[ref_]), times);
    auto& h = out_.history;
    h.push_back(Format("ORVA stacked %zu light frame(s) registered on %s", active_.size(),
                       FileName(job_.lights[ref_]).c_str()));
    h.push_back(Format("masters of %zu bias, %zu dark, %zu flat frame(s) by %s", bias_.size(),
                       darks_.size(), flats_.size(),
                       job_.master_median ? "median" : "sigma-clipped mean"));
    h.push_back(Format("rejection: %s, kappa %.2f/%.2f, %d iteration(s)",
                       RejectionName(job_.combine.rejection), job_.combine.kappa_low,
                       job_.combine.kappa_high, job_.combine.iterations));
    h.push_back(job_.weight_by_noise ? "weights: inverse noise variance" : "weights: equal");
    h.push_back(Format("normalised before rejection: %s (robust sky)",
                       NormalisationName(job_.normalisation)));
    if (raw_) h.push_back("RAW: calibrated on the mosaic, bilinear demosaic, camera WB");
    if (mosaic_ && !raw_)
        h.push_back("Bayer FITS: calibrated on the mosaic, bilinear demosaic, no WB");
    if (!fallback_.empty()) h.push_back(fallback_.substr(0, 72));
    h.push_back(by_stars_ ? "registered by stars: rotation, scale, shift; Lanczos-2"
                          : "registered by shift to a fraction of a pixel; Lanczos-2");
    for (const std::string& why : out_.left_out) h.push_back(("left out " + why).substr(0, 72));
}

bool Stack::Run() {
    // Masters take the first tenth, registration up to a half, the combination the rest.
    if (!Open()) return false;
    CheckDarkExposures();
    if (Cancelled() || !MakeMasters() || Cancelled() || !PrepareLights()) return false;
    Select();
    if (active_.empty()) {
        *error_ = "every light was left out";
        return false;
    }
    if (!Combine()) return false;
    for (const FrameList* list : {&stored_, &lights_, &bias_, &darks_, &flats_})
        for (const auto& f : *list)
            if (f && !f->healthy()) {
                *error_ = "a temporary frame could not be read back";
                return false;
            }
    Tell("done", 100);
    out_.registered_by_stars = by_stars_;
    Describe();
    return true;
}

}  // namespace

bool RunCalibratedStack(const StackJob& job, StackOutcome& out, std::string* error) {
    out = StackOutcome{};
    if (Stack(job, out, error).Run()) return true;
    out.image = LinearImage{};  // nothing half made is handed on
    return false;
}

}  // namespace orva
