#include "stack/live.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>

#include "common/parallel.h"
#include "common/text.h"
#include "stack/resample.h"
#include "stack/shift_search.h"
#include "stack/stages.h"

namespace orva {

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr std::size_t kMinStars = 6;  // fewer cannot pin a rotation with any confidence
constexpr int kCountStars = 2000;
constexpr std::uint16_t kMostFrames = 65535;  // a place stops counting beyond this
constexpr std::uint16_t kJudgeFrom = 5;       // values a place needs before it rejects

std::string FileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

}  // namespace

struct LiveStack::State {
    bool raw = false;
    bool mosaic = false;
    RawMosaic layout;  // of a mosaic: the pattern and white balance of the first light
    Masters masters;
    int width = 0, height = 0, frame_planes = 0;  // of the lights as read
    Shape shape;                                  // as stacked (a mosaic demosaiced)
    bool by_stars = true;
    std::string reference;  // the first light accepted
    std::vector<std::string> cards;
    std::vector<Star> reference_stars;
    std::vector<float> reference_middle;
    std::vector<SkyStats> reference_sky;
    std::vector<double> fwhm;  // of the lights accepted
    std::vector<std::uint16_t> count;
    std::vector<float> m2;  // sum of squared deviations, with rejection
    std::vector<float> planes, scratch, moved;

    const float* Middle(const std::vector<float>& p) const {
        return p.data() + (shape.planes == 3 ? shape.pixels() : 0);
    }
};

LiveStack::LiveStack(LiveOptions options) : options_(std::move(options)) {}
LiveStack::~LiveStack() = default;

double LiveStack::exposure() const {
    double s = 0;
    for (const LightTime& t : times_) s += std::max(0.0, t.exposure);
    return s;
}

// The masters, built once the first light says what kind of frames the session has.
bool LiveStack::Start(const FrameRows& light, std::string* error) {
    auto st = std::make_unique<State>();
    st->raw = DetectFormat(light.path) == kFormatRaw;
    FrameList bias, dark, flat;
    for (auto [path, list] :
         {std::pair{&options_.bias, &bias}, {&options_.dark, &dark}, {&options_.flat, &flat}}) {
        if (path->empty()) continue;
        const bool raw = DetectFormat(*path) == kFormatRaw;
        if (!OpenFrames({*path}, raw, options_.temp_folder, *list, error)) return false;
        if (!Matches(*list, light, error)) return false;
    }
    const RawMosaic* layout = nullptr;
    if (!MosaicOfJob(light, {&bias, &dark, &flat}, &layout, error)) return false;
    st->mosaic = layout != nullptr;
    if (layout != nullptr) st->layout = *layout;
    if (!BuildMasters(bias, dark, flat, false, 64, st->mosaic ? &st->layout : nullptr, st->masters,
                      error))
        return false;
    st->width = light.width;
    st->height = light.height;
    st->frame_planes = light.planes;
    st->shape = {light.width, light.height, st->mosaic ? 3 : light.planes};
    st->by_stars = options_.registration == Registration::Stars;
    state_ = std::move(st);
    return true;
}

bool LiveStack::Add(const std::string& path, LiveFrame& frame, std::string* error) {
    frame = LiveFrame{};
    auto reject = [&](LiveReject kind, std::string why) {
        frame.kind = kind;
        frame.reason = std::move(why);
        return true;
    };
    FrameList list;
    std::string why;
    if (!OpenFrames({path}, DetectFormat(path) == kFormatRaw, options_.temp_folder, list, &why))
        return reject(LiveReject::Unreadable, why);
    const FrameRows& f = *list[0];
    if (static_cast<uint64_t>(f.width) * static_cast<uint64_t>(f.height) > options_.max_pixels)
        return reject(LiveReject::TooLarge,
                      Format("%dx%d is more than the limit of %llu pixels", f.width, f.height,
                             static_cast<unsigned long long>(options_.max_pixels)));
    if (!state_ && !Start(f, error)) return false;
    State& st = *state_;
    if (f.width != st.width || f.height != st.height || f.planes != st.frame_planes ||
        (f.mosaic() != nullptr) != st.mosaic || (DetectFormat(path) == kFormatRaw) != st.raw)
        return reject(
            LiveReject::Mismatch,
            Format("%d x %d x %d, not the %d x %d x %d %s of the first light", f.width, f.height,
                   f.planes, st.width, st.height, st.frame_planes, st.mosaic ? "mosaic" : "frame"));
    LoadCalibrated(f, st.masters, st.mosaic ? &st.layout : nullptr, st.planes, st.scratch);
    if (!f.healthy()) return reject(LiveReject::Unreadable, "cannot be read");
    frame.exposure = Exposure(f);
    const Shape& shape = st.shape;
    const float* middle = st.Middle(st.planes);
    const std::vector<Star> stars = DetectStars(middle, shape.width, shape.height, kCountStars);
    frame.stars = static_cast<int>(stars.size());
    if (stars.empty()) return reject(LiveReject::NoStars, "no stars");
    std::vector<double> widths;
    for (const Star& s : stars) widths.push_back(s.fwhm);
    frame.fwhm = Median(widths);
    if (options_.max_fwhm > 0 && frame.fwhm > options_.max_fwhm)
        return reject(LiveReject::FwhmLimit, Format("FWHM %.2f px above the limit of %.2f px",
                                                    frame.fwhm, options_.max_fwhm));
    if (const double median = Median(st.fwhm);
        median > 0 && frame.fwhm > options_.fwhm_factor * median)
        return reject(LiveReject::FwhmMedian,
                      Format("FWHM %.2f px, more than %.1f times the median %.2f px", frame.fwhm,
                             options_.fwhm_factor, median));

    const bool first = times_.empty();
    Similarity t;
    if (first) {
        if (st.by_stars && stars.size() < kMinStars) {
            st.by_stars = false;
            warnings_.push_back(
                Format("%s: %zu star(s), too few to register by stars; "
                       "registered by shift",
                       FileName(path).c_str(), stars.size()));
        }
        if (st.by_stars)
            st.reference_stars = stars;
        else
            st.reference_middle.assign(middle, middle + shape.pixels());
        st.reference = path;
        st.cards = CardsOf(f);
    } else if (st.by_stars) {
        StarMatch match;
        if (!MatchStars(st.reference_stars, stars, match, &why))
            return reject(LiveReject::NoMatch, "no match with the first light's stars: " + why);
        t = match.transform;
        frame.rotation = t.AngleDegrees();
    } else {
        const Shift d = FindShift(st.reference_middle.data(), middle, shape.width, shape.height,
                                  options_.search_range);
        t = {1, 0, d.dx, d.dy};
    }
    const double cx = 0.5 * (shape.width - 1), cy = 0.5 * (shape.height - 1);
    double ox = 0, oy = 0;
    t.Map(cx, cy, ox, oy);
    frame.dx = ox - cx;
    frame.dy = oy - cy;

    // The sky before any resampling, which smooths the noise.
    const std::size_t n = shape.pixels(), step = std::max<std::size_t>(1, n / 500000);
    std::vector<SkyStats> sky;
    for (int c = 0; c < shape.planes; ++c)
        sky.push_back(MeasureSky(st.planes.data() + n * static_cast<std::size_t>(c), n, step));
    if (first) st.reference_sky = sky;

    bool moves = false;
    for (const auto& [x, y] : {std::pair{0, 0},
                               {shape.width - 1, 0},
                               {0, shape.height - 1},
                               {shape.width - 1, shape.height - 1}}) {
        t.Map(x, y, ox, oy);
        moves = moves || std::hypot(ox - x, oy - y) >= kStillShift;
    }
    if (moves) {
        const Similarity back = t.Inverse();
        st.moved.resize(st.planes.size());
        for (int c = 0; c < shape.planes; ++c)
            ResamplePlane(st.planes.data() + n * static_cast<std::size_t>(c), shape.width,
                          shape.height, back.a, back.b, back.tx, back.ty,
                          st.moved.data() + n * static_cast<std::size_t>(c));
        std::swap(st.planes, st.moved);
    }
    for (int c = 0; c < shape.planes && !first; ++c) {
        const auto cc = static_cast<std::size_t>(c);
        const LinearMap m =
            NormalisationMap(Normalisation::AdditiveScale, st.reference_sky[cc], sky[cc]);
        if (m.identity()) continue;
        const auto gain = static_cast<float>(m.gain), offset = static_cast<float>(m.offset);
        float* v = st.planes.data() + n * cc;
        for (std::size_t k = 0; k < n; ++k) v[k] = v[k] * gain + offset;
    }
    Accumulate(st.planes);
    st.fwhm.push_back(frame.fwhm);
    LightTime lt;
    lt.exposure = frame.exposure;
    if (!st.raw) lt.date_obs = CardText(CardsOf(f), "DATE-OBS");
    times_.push_back(lt);
    image_.cards = StackedCards(st.cards, times_);
    frame.accepted = true;
    return true;
}

// Folds a registered, normalised light into the running mean (and variance), row by row.
void LiveStack::Accumulate(const std::vector<float>& planes) {
    State& st = *state_;
    const Shape& shape = st.shape;
    const std::size_t total = shape.pixels() * static_cast<std::size_t>(shape.planes);
    const bool judge = options_.rejection != Rejection::None;
    if (image_.data.empty()) {
        image_.width = shape.width;
        image_.height = shape.height;
        image_.planes = shape.planes;
        image_.data.assign(total, kNaN);
        st.count.assign(total, 0);
        if (judge) st.m2.assign(total, 0);
    }
    const bool sigma = options_.rejection == Rejection::Sigma;
    const double kappa = options_.kappa;
    const auto w = static_cast<std::size_t>(shape.width);
    RunBands(shape.height * shape.planes, [&](int row) {
        const std::size_t at = static_cast<std::size_t>(row) * w;
        for (std::size_t k = at; k < at + w; ++k) {
            double x = planes[k];
            std::uint16_t& count = st.count[k];
            if (std::isnan(x) || count == kMostFrames) continue;
            float& mean = image_.data[k];
            if (count == 0) {
                mean = static_cast<float>(x);
                count = 1;
                continue;
            }
            double m = mean;
            if (judge && count >= kJudgeFrom) {
                const double bound = kappa * std::sqrt(st.m2[k] / (count - 1));
                if (std::fabs(x - m) > bound) {
                    if (sigma) continue;
                    x = m + std::copysign(bound, x - m);
                }
            }
            ++count;
            const double d = x - m;
            m += d / count;
            mean = static_cast<float>(m);
            if (judge) st.m2[k] = static_cast<float>(st.m2[k] + d * (x - m));
        }
    });
}

std::vector<std::string> LiveStack::History() const {
    std::vector<std::string> h;
    if (!state_ || times_.empty()) return h;
    const State& st = *state_;
    h.push_back(Format("ORVA live stack of %zu light frame(s) registered on %s", times_.size(),
                       FileName(st.reference).c_str()));
    h.push_back(Format("masters: bias %s, dark %s, flat %s", options_.bias.empty() ? "no" : "yes",
                       options_.dark.empty() ? "no" : "yes", options_.flat.empty() ? "no" : "yes"));
    h.push_back(options_.rejection == Rejection::None
                    ? std::string("running mean, no rejection")
                    : Format("running mean, %s rejection at kappa %.2f from 5 frames",
                             options_.rejection == Rejection::Sigma ? "sigma" : "winsorized",
                             options_.kappa));
    h.push_back("normalised to the first light: additive-scale (robust sky)");
    if (st.mosaic)
        h.push_back(st.raw ? "RAW: calibrated on the mosaic, bilinear demosaic, camera WB"
                           : "Bayer FITS: calibrated on the mosaic, bilinear demosaic, no WB");
    for (const std::string& w : warnings_) h.push_back(w.substr(0, 72));
    h.push_back(st.by_stars ? "registered by stars: rotation, scale, shift; Lanczos-2"
                            : "registered by shift to a fraction of a pixel; Lanczos-2");
    return h;
}

}  // namespace orva
