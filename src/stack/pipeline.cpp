#include "stack/pipeline.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <memory>

#include "common/parallel.h"
#include "common/text.h"
#include "composite/align.h"
#include "stack/frames.h"
#include "stack/resample.h"
#include "stack/stars.h"

namespace orva {

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr std::size_t kMinStars = 6;  // fewer cannot pin a rotation with any confidence

// FITS files are mapped; RAW files decoded to their mosaic once. All frames of a stack are
// of one kind, as a mosaic cannot be calibrated with colour planes or the other way round.
bool OpenFrames(const std::vector<std::string>& paths, bool raw, const std::string& folder,
                FrameList& out, std::string* error) {
    for (const std::string& p : paths) {
        if ((DetectFormat(p) == kFormatRaw) != raw) {
            *error = p + ": RAW and FITS frames cannot be stacked together";
            return false;
        }
        IoResult r;
        if (raw) {
            auto f = std::make_unique<RawFrame>();
            r = f->Open(p, folder);
            out.push_back(std::move(f));
        } else {
            auto f = std::make_unique<FitsFrame>();
            r = f->Open(p);
            out.push_back(std::move(f));
        }
        if (!r.ok()) {
            *error = p + ": " + IoStatusName(r.status) + (r.detail.empty() ? "" : ": " + r.detail);
            return false;
        }
    }
    return true;
}

bool Matches(const FrameList& frames, const FrameRows& like, std::string* error) {
    for (const auto& f : frames) {
        if (f->width != like.width || f->height != like.height || f->planes != like.planes) {
            *error = f->path + ": " + std::to_string(f->width) + "x" + std::to_string(f->height) +
                     " in " + std::to_string(f->planes) +
                     " plane(s) does not match the first light (" + std::to_string(like.width) +
                     "x" + std::to_string(like.height) + " in " + std::to_string(like.planes) + ")";
            return false;
        }
    }
    return true;
}

// The colour pattern of a mosaic job (lights from a colour sensor, as camera RAW files or
// FITS files naming their Bayer pattern), which every frame must share; nullptr for a job of
// grey or colour frames, where no frame may be a mosaic. False with *error naming the frame
// that does not fit.
bool MosaicOfJob(const FrameRows& first, std::initializer_list<const FrameList*> lists,
                 const RawMosaic** layout, std::string* error) {
    *layout = first.mosaic();
    for (const FrameList* list : lists)
        for (const auto& f : *list) {
            const RawMosaic* l = f->mosaic();
            if ((l == nullptr) != (*layout == nullptr)) {
                *error = f->path + (l == nullptr ? ": a frame without a colour mosaic (BAYERPAT) "
                                                   "cannot join the colour mosaics of the lights"
                                                 : ": a colour mosaic (BAYERPAT) cannot join "
                                                   "lights without one");
                return false;
            }
            if (l != nullptr && (l->period != (*layout)->period || l->cfa != (*layout)->cfa)) {
                *error = f->path + ": another colour pattern than the first light's";
                return false;
            }
        }
    return true;
}

// The planes of a master frame; empty without frames.
using Master = std::vector<std::vector<float>>;

Master Combined(const FrameList& frames, const CombineParams& params, int band_rows) {
    Master m;
    if (frames.empty()) return m;
    const FrameRows& g = *frames[0];
    const std::size_t w = static_cast<std::size_t>(g.width);
    const std::vector<double> weights(frames.size(), 1.0);
    std::vector<std::vector<float>> band(
        frames.size(), std::vector<float>(w * static_cast<std::size_t>(band_rows)));
    m.assign(static_cast<std::size_t>(g.planes), std::vector<float>(w * g.height));
    for (int c = 0; c < g.planes; ++c) {
        for (int y0 = 0; y0 < g.height; y0 += band_rows) {
            const int rows = std::min(band_rows, g.height - y0);
            RunBands(static_cast<int>(frames.size()), [&](int i) {
                frames[static_cast<std::size_t>(i)]->Read(c, y0, rows,
                                                          band[static_cast<std::size_t>(i)].data());
            });
            RunBands(rows, [&](int r) {
                std::vector<const float*> ptrs;
                for (const auto& b : band)
                    ptrs.push_back(b.data() + static_cast<std::size_t>(r) * w);
                CombineRow(ptrs, weights, g.width, params,
                           m[static_cast<std::size_t>(c)].data() +
                               (static_cast<std::size_t>(y0) + static_cast<std::size_t>(r)) * w);
            });
        }
    }
    return m;
}

double PlaneMedian(const std::vector<float>& plane) {
    std::vector<float> v;
    const std::size_t step = std::max<std::size_t>(1, plane.size() / 1000000);
    for (std::size_t i = 0; i < plane.size(); i += step)
        if (!std::isnan(plane[i])) v.push_back(plane[i]);
    if (v.empty()) return 0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

struct Masters {
    Master bias, dark, flat;  // the flat normalised to a median of 1 per plane

    // Calibrates `count` samples of plane c starting at sample `at`.
    void Apply(int c, std::size_t at, std::size_t count, float* v) const {
        const auto cc = static_cast<std::size_t>(c);
        const float* sub = !dark.empty()   ? dark[cc].data() + at
                           : !bias.empty() ? bias[cc].data() + at
                                           : nullptr;
        const float* f = flat.empty() ? nullptr : flat[cc].data() + at;
        for (std::size_t i = 0; i < count; ++i) {
            float x = v[i];
            if (sub != nullptr) x -= sub[i];
            // A dead place of the flat corrects nothing rather than blowing up.
            if (f != nullptr && f[i] > 1e-3f) x /= f[i];
            v[i] = x;
        }
    }
};

// A whole light, calibrated: its planes one after another.
void LoadCalibrated(const FrameRows& light, const Masters& m, std::vector<float>& planes) {
    const std::size_t n = light.pixels(), w = static_cast<std::size_t>(light.width);
    planes.resize(n * static_cast<std::size_t>(light.planes));
    for (int c = 0; c < light.planes; ++c) {
        float* plane = planes.data() + n * static_cast<std::size_t>(c);
        ForEachRowBand(light.height, [&](int y0, int y1) {
            float* at = plane + static_cast<std::size_t>(y0) * w;
            light.Read(c, y0, y1 - y0, at);
            m.Apply(c, static_cast<std::size_t>(y0) * w, static_cast<std::size_t>(y1 - y0) * w, at);
        });
    }
}

// The size of the lights as registered and combined: a RAW light has three planes once
// demosaiced.
struct Shape {
    int width = 0, height = 0, planes = 0;
    std::size_t pixels() const { return static_cast<std::size_t>(width) * height; }
};

// The plane registration and noise look at: the middle one of three.
const float* MiddlePlane(const std::vector<float>& planes, const Shape& g) {
    return planes.data() + (g.planes == 3 ? g.pixels() : 0);
}

// Calibrated planes as 16-bit samples, for the alignment search.
void ToSamples(const std::vector<float>& planes, const Shape& g,
               std::array<std::vector<uint16_t>, 3>& out) {
    const std::size_t n = g.pixels();
    for (int c = 0; c < g.planes; ++c) {
        const float* from = planes.data() + n * static_cast<std::size_t>(c);
        auto& o = out[static_cast<std::size_t>(c)];
        o.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            o[i] = std::isnan(from[i])
                       ? 0
                       : static_cast<uint16_t>(std::clamp(from[i], 0.0f, 65535.0f) + 0.5f);
    }
}

StackSource SourceOfSamples(const std::array<std::vector<uint16_t>, 3>& p, const Shape& g) {
    StackSource s;
    for (std::size_t c = 0; c < 3; ++c) s.plane[c] = p[g.planes == 1 ? 0 : c].data();
    s.width = g.width;
    s.height = g.height;
    return s;
}

// A calibrated mosaic into three planes, rows turned round so that the first row is the
// bottom one, as every other picture keeps them.
void Demosaic(const RawMosaic& layout, std::vector<float>& mosaic, std::vector<float>& rgb) {
    RawMosaic m = layout;
    m.samples.swap(mosaic);
    const std::size_t w = static_cast<std::size_t>(m.width), n = w * m.height;
    rgb.resize(3 * n);
    DemosaicLinear(m, true, rgb.data(), rgb.data() + n, rgb.data() + 2 * n);
    m.samples.swap(mosaic);
    for (int c = 0; c < 3; ++c) {
        float* p = rgb.data() + n * static_cast<std::size_t>(c);
        for (int y = 0; y < m.height / 2; ++y)
            std::swap_ranges(p + static_cast<std::size_t>(y) * w,
                             p + static_cast<std::size_t>(y + 1) * w,
                             p + static_cast<std::size_t>(m.height - 1 - y) * w);
    }
}

// Divides a flat by its median, for each colour of the mosaic on its own so that the colour
// of the flat's light does not tint the lights. False when a colour has no light.
bool NormaliseFlat(std::vector<float>& plane, const RawMosaic* layout, int width, int height) {
    if (layout == nullptr) {
        const double median = PlaneMedian(plane);
        if (median <= 0) return false;
        for (float& v : plane) v = static_cast<float>(v / median);
        return true;
    }
    // A row step prime to the pattern's period, so that every colour is sampled.
    int step = std::max(1, height / 1000);
    while (step % 2 == 0 || step % 3 == 0) ++step;
    for (int colour = 0; colour < 3; ++colour) {
        std::vector<float> values;
        for (int y = 0; y < height; y += step)
            for (int x = 0; x < width; ++x)
                if (layout->Colour(x, y) == colour)
                    values.push_back(plane[static_cast<std::size_t>(y) * width + x]);
        if (values.empty()) continue;
        const double median = PlaneMedian(values);
        if (median <= 0) return false;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (layout->Colour(x, y) == colour)
                    plane[static_cast<std::size_t>(y) * width + x] /= static_cast<float>(median);
    }
    return true;
}

// Header cards from what the camera recorded for the first RAW light.
std::vector<std::string> RawCards(const RawMosaic& m) {
    std::vector<std::string> cards;
    auto text = [&](const char* key, std::string value) {
        for (char& ch : value)
            if (ch < 32 || ch > 126 || ch == '\'') ch = ' ';
        value.resize(std::min<std::size_t>(value.size(), 60));
        if (!value.empty()) cards.push_back(Format("%-8s= '%-8s'", key, value.c_str()));
    };
    std::string instrument = m.make;
    if (!m.model.empty()) instrument += (instrument.empty() ? "" : " ") + m.model;
    text("INSTRUME", instrument);
    if (m.exposure > 0) cards.push_back(Format("%-8s= %20.6g / seconds", "EXPTIME", m.exposure));
    if (m.iso > 0) cards.push_back(Format("%-8s= %20.0f", "ISOSPEED", m.iso));
    // No DATE-OBS: a camera's clock keeps local time of an unknown zone, and the key means UTC.
    return cards;
}

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

}  // namespace

bool RunCalibratedStack(const StackJob& job, StackOutcome& out, std::string* error) {
    out = StackOutcome{};
    // Masters take the first tenth, registration up to a half, the combination the rest.
    auto tell = [&](const std::string& s, int percent) {
        if (job.progress) job.progress(s, percent);
    };
    if (job.lights.empty()) {
        *error = "no light frames";
        return false;
    }
    const bool raw = DetectFormat(job.lights[0]) == kFormatRaw;
    if (raw) tell("reading the RAW frames", 0);
    FrameList lights, bias, darks, flats;
    for (auto [paths, frames] : {std::pair{&job.lights, &lights}, std::pair{&job.bias, &bias},
                                 std::pair{&job.darks, &darks}, std::pair{&job.flats, &flats}})
        if (!OpenFrames(*paths, raw, job.temp_folder, *frames, error)) return false;
    const FrameRows& g = *lights[0];
    const RawMosaic* layout = nullptr;
    if (!MosaicOfJob(g, {&lights, &bias, &darks, &flats}, &layout, error)) return false;
    const bool mosaic = layout != nullptr;
    if (!Matches(lights, g, error) || !Matches(bias, g, error) || !Matches(darks, g, error) ||
        !Matches(flats, g, error))
        return false;
    const int band_rows = std::max(1, job.band_rows);

    // Masters.
    const CombineParams master_params{job.master_median ? Rejection::Median : Rejection::Sigma, 3.0,
                                      3.0, 3};
    Masters m;
    if (!bias.empty()) tell("master bias of " + std::to_string(bias.size()) + " frame(s)", 0);
    m.bias = Combined(bias, master_params, band_rows);
    if (!darks.empty()) tell("master dark of " + std::to_string(darks.size()) + " frame(s)", 3);
    m.dark = Combined(darks, master_params, band_rows);
    if (!flats.empty()) {
        tell("master flat of " + std::to_string(flats.size()) + " frame(s)", 6);
        m.flat = Combined(flats, master_params, band_rows);
        for (std::size_t c = 0; c < m.flat.size(); ++c) {
            auto& plane = m.flat[c];
            if (!m.bias.empty())
                for (std::size_t i = 0; i < plane.size(); ++i) plane[i] -= m.bias[c][i];
            if (!NormaliseFlat(plane, layout, g.width, g.height)) {
                *error = flats[0]->path + ": the flat has no light above the bias";
                return false;
            }
        }
    }

    // Registration on the first light, and each light's noise. Lights that must be resampled
    // (by stars) or demosaiced (mosaics) are prepared once and kept in temporary files; otherwise
    // only the displacement is kept and the light is calibrated again band by band when
    // combined.
    const std::size_t count = lights.size();
    const bool by_stars = job.registration == Registration::Stars;
    const bool prepared = by_stars || mosaic;
    const Shape shape{g.width, g.height, mosaic ? 3 : g.planes};
    const std::size_t n = shape.pixels();
    // Prepared lights are held in memory, first come first held, while they fit the allowance.
    const std::size_t frame_bytes = n * static_cast<std::size_t>(shape.planes) * sizeof(float);
    std::size_t held_bytes = 0;
    out.dx.assign(count, 0);
    out.dy.assign(count, 0);
    out.noise.assign(count, 0);
    out.placement.assign(count, {});
    std::vector<bool> used(count, true);
    FrameList spooled(prepared ? count : 0);
    {
        std::vector<float> planes, colour, moved;
        std::array<std::vector<uint16_t>, 3> reference, candidate;
        std::vector<Star> reference_stars;
        for (std::size_t i = 0; i < count; ++i) {
            const int percent = 10 + static_cast<int>(40 * i / count);
            tell("registering " + std::to_string(i + 1) + "/" + std::to_string(count), percent);
            LoadCalibrated(*lights[i], m, planes);
            if (mosaic) {
                Demosaic(*layout, planes, colour);
                planes.swap(colour);
            }
            out.noise[i] = EstimateNoise(MiddlePlane(planes, shape), shape.width, shape.height, 4);
            const float* keep = planes.data();
            if (!by_stars) {
                ToSamples(planes, shape, i == 0 ? reference : candidate);
                if (i > 0) {
                    const auto d = AlignSources(
                        {SourceOfSamples(reference, shape), SourceOfSamples(candidate, shape)},
                        kCompareCentre, job.search_range, job.search_range, false);
                    out.dx[i] = d[1].dx;
                    out.dy[i] = d[1].dy;
                    out.placement[i].tx = d[1].dx;
                    out.placement[i].ty = d[1].dy;
                }
            } else {
                const std::vector<Star> stars =
                    DetectStars(MiddlePlane(planes, shape), shape.width, shape.height);
                if (i == 0) {
                    if (stars.size() < kMinStars) {
                        *error = job.lights[0] + ": " + std::to_string(stars.size()) +
                                 " star(s) found, too few to register by stars";
                        return false;
                    }
                    reference_stars = stars;
                } else {
                    StarMatch match;
                    std::string why;
                    if (!MatchStars(reference_stars, stars, match, &why)) {
                        used[i] = false;
                        out.left_out.push_back(FileName(job.lights[i]) + ": " + why);
                        tell("left out " + out.left_out.back(), percent);
                        continue;
                    }
                    const Similarity& t = match.transform;
                    out.placement[i] = {t.a, t.b, t.tx, t.ty};
                    out.dx[i] = static_cast<int>(std::lround(t.tx));
                    out.dy[i] = static_cast<int>(std::lround(t.ty));
                    const Similarity back = t.Inverse();
                    moved.resize(planes.size());
                    for (int c = 0; c < shape.planes; ++c)
                        ResamplePlane(planes.data() + n * static_cast<std::size_t>(c), shape.width,
                                      shape.height, back.a, back.b, back.tx, back.ty,
                                      moved.data() + n * static_cast<std::size_t>(c));
                    keep = moved.data();
                }
            }
            if (!prepared) continue;
            std::unique_ptr<WrittenFrame> frame;
            IoResult r;
            if (held_bytes + frame_bytes <= job.memory_for_frames) {
                held_bytes += frame_bytes;
                auto held = std::make_unique<HeldFrame>();
                r = held->Create(shape.width, shape.height, shape.planes);
                frame = std::move(held);
            } else {
                auto spool = std::make_unique<SpoolFrame>();
                r = spool->Create(shape.width, shape.height, shape.planes, job.temp_folder);
                frame = std::move(spool);
            }
            for (int c = 0; c < shape.planes && r.ok(); ++c)
                r = frame->WritePlane(c, keep + n * static_cast<std::size_t>(c));
            if (!r.ok()) {
                *error = r.detail;
                return false;
            }
            spooled[i] = std::move(frame);
        }
    }
    std::vector<std::size_t> active;
    for (std::size_t i = 0; i < count; ++i)
        if (used[i]) active.push_back(i);
    std::vector<double> weights;
    for (std::size_t i : active)
        weights.push_back(
            job.weight_by_noise && out.noise[i] > 0 ? 1.0 / (out.noise[i] * out.noise[i]) : 1.0);

    // Combination, a band of rows at a time. Prepared lights are calibrated already, and in
    // place when registered by stars: the masters are no longer needed then.
    if (prepared) m = Masters{};
    const std::size_t w = static_cast<std::size_t>(shape.width);
    LinearImage& img = out.image;
    img.width = shape.width;
    img.height = shape.height;
    img.planes = shape.planes;
    img.data.assign(n * static_cast<std::size_t>(shape.planes), kNaN);
    img.cards = raw ? RawCards(*layout) : static_cast<const FitsFrame&>(g).cards();
    const std::size_t used_count = active.size();
    std::vector<std::vector<float>> rows_read(used_count, std::vector<float>(w * band_rows)),
        placed(used_count, std::vector<float>(w * band_rows));
    for (int c = 0; c < shape.planes; ++c) {
        for (int y0 = 0; y0 < shape.height; y0 += band_rows) {
            const int rows = std::min(band_rows, shape.height - y0);
            if (y0 % (band_rows * 16) == 0)
                tell("combining plane " + std::to_string(c + 1) + " row " + std::to_string(y0) +
                         "/" + std::to_string(shape.height),
                     50 + static_cast<int>(50LL * (c * shape.height + y0) /
                                           (shape.planes * shape.height)));
            // Each light's rows that land on this band, calibrated and moved into place.
            RunBands(static_cast<int>(used_count), [&](int k) {
                const auto slot = static_cast<std::size_t>(k);
                const std::size_t i = active[slot];
                const int dx = by_stars ? 0 : out.dx[i], dy = by_stars ? 0 : out.dy[i];
                const int s0 = std::max(y0 - dy, 0), s1 = std::min(y0 + rows - dy, shape.height);
                std::vector<float>& dst = placed[slot];
                if (dx == 0 && dy == 0 && prepared) {
                    spooled[i]->Read(c, y0, rows, dst.data());
                    return;
                }
                std::fill(dst.begin(), dst.end(), kNaN);
                if (s0 >= s1) return;
                float* src = rows_read[slot].data();
                if (prepared) {
                    spooled[i]->Read(c, s0, s1 - s0, src);
                } else {
                    lights[i]->Read(c, s0, s1 - s0, src);
                    m.Apply(c, static_cast<std::size_t>(s0) * w,
                            static_cast<std::size_t>(s1 - s0) * w, src);
                }
                for (int sy = s0; sy < s1; ++sy) {
                    const float* from = src + static_cast<std::size_t>(sy - s0) * w;
                    float* to = dst.data() + static_cast<std::size_t>(sy + dy - y0) * w;
                    const int x0 = std::max(0, dx), x1 = std::min(shape.width, shape.width + dx);
                    for (int x = x0; x < x1; ++x) to[x] = from[x - dx];
                }
            });
            RunBands(rows, [&](int r) {
                std::vector<const float*> ptrs(used_count);
                for (std::size_t k = 0; k < used_count; ++k)
                    ptrs[k] = placed[k].data() + static_cast<std::size_t>(r) * w;
                CombineRow(ptrs, weights, shape.width, job.combine,
                           img.plane(c) + (static_cast<std::size_t>(y0) + r) * w);
            });
        }
    }
    for (const FrameList* list : {&spooled, &lights, &bias, &darks, &flats})
        for (const auto& f : *list)
            if (f && !f->healthy()) {
                *error = "a temporary frame could not be read back";
                return false;
            }

    tell("done", 100);
    // Lines short enough for one HISTORY card each.
    out.history.push_back(Format("ORVA stacked %zu light frame(s) registered on %s", used_count,
                                 FileName(job.lights[0]).c_str()));
    out.history.push_back(Format("masters of %zu bias, %zu dark, %zu flat frame(s) by %s",
                                 bias.size(), darks.size(), flats.size(),
                                 job.master_median ? "median" : "sigma-clipped mean"));
    out.history.push_back(Format("rejection: %s, kappa %.2f/%.2f, %d iteration(s)",
                                 RejectionName(job.combine.rejection), job.combine.kappa_low,
                                 job.combine.kappa_high, job.combine.iterations));
    out.history.push_back(job.weight_by_noise ? "weights: inverse noise variance"
                                              : "weights: equal");
    if (raw) out.history.push_back("RAW: calibrated on the mosaic, bilinear demosaic, camera WB");
    if (mosaic && !raw)
        out.history.push_back("Bayer FITS: calibrated on the mosaic, bilinear demosaic, no WB");
    if (by_stars) out.history.push_back("registered by stars: rotation, scale, shift; Lanczos-2");
    for (const std::string& why : out.left_out)
        out.history.push_back(("left out " + why).substr(0, 72));
    return true;
}

}  // namespace orva
