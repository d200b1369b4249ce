#include "stack/pipeline.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>

#include "common/parallel.h"
#include "common/text.h"
#include "composite/align.h"
#include "imageio/file_io.h"

namespace orva {

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Frame {
    std::string path;
    MappedFile file;
    FitsRows rows;
};
using Frames = std::vector<std::unique_ptr<Frame>>;

bool OpenFrames(const std::vector<std::string>& paths, Frames& out, std::string* error) {
    for (const std::string& p : paths) {
        auto f = std::make_unique<Frame>();
        f->path = p;
        IoResult r = f->file.Open(p);
        if (r.ok()) r = f->rows.Open(f->file.bytes());
        if (!r.ok()) {
            *error = p + ": " + IoStatusName(r.status) + (r.detail.empty() ? "" : ": " + r.detail);
            return false;
        }
        out.push_back(std::move(f));
    }
    return true;
}

bool Matches(const Frames& frames, const FitsRows& like, std::string* error) {
    for (const auto& f : frames) {
        if (f->rows.width != like.width || f->rows.height != like.height ||
            f->rows.planes != like.planes) {
            *error = f->path + ": " + std::to_string(f->rows.width) + "x" +
                     std::to_string(f->rows.height) + " in " + std::to_string(f->rows.planes) +
                     " plane(s) does not match the first light (" + std::to_string(like.width) +
                     "x" + std::to_string(like.height) + " in " + std::to_string(like.planes) + ")";
            return false;
        }
    }
    return true;
}

// The planes of a master frame; empty without frames.
using Master = std::vector<std::vector<float>>;

Master Combined(const Frames& frames, const CombineParams& params, int band_rows) {
    Master m;
    if (frames.empty()) return m;
    const FitsRows& g = frames[0]->rows;
    const std::size_t w = static_cast<std::size_t>(g.width);
    const std::vector<double> weights(frames.size(), 1.0);
    std::vector<std::vector<float>> band(
        frames.size(), std::vector<float>(w * static_cast<std::size_t>(band_rows)));
    m.assign(static_cast<std::size_t>(g.planes), std::vector<float>(w * g.height));
    for (int c = 0; c < g.planes; ++c) {
        for (int y0 = 0; y0 < g.height; y0 += band_rows) {
            const int rows = std::min(band_rows, g.height - y0);
            RunBands(static_cast<int>(frames.size()), [&](int i) {
                frames[static_cast<std::size_t>(i)]->rows.Read(
                    c, y0, rows, band[static_cast<std::size_t>(i)].data());
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

// The light's calibrated planes as 16-bit samples, for the alignment search.
void CalibratedSamples(const Frame& light, const Masters& m, std::vector<float>& scratch,
                       std::array<std::vector<uint16_t>, 3>& out) {
    const FitsRows& g = light.rows;
    const std::size_t n = static_cast<std::size_t>(g.width) * g.height;
    scratch.resize(n);
    for (int c = 0; c < g.planes; ++c) {
        light.rows.Read(c, 0, g.height, scratch.data());
        m.Apply(c, 0, n, scratch.data());
        auto& o = out[static_cast<std::size_t>(c)];
        o.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            o[i] = std::isnan(scratch[i])
                       ? 0
                       : static_cast<uint16_t>(std::clamp(std::lround(scratch[i]), 0L, 65535L));
    }
}

StackSource SourceOfSamples(const std::array<std::vector<uint16_t>, 3>& p, const FitsRows& g) {
    StackSource s;
    for (std::size_t c = 0; c < 3; ++c) s.plane[c] = p[g.planes == 1 ? 0 : c].data();
    s.width = g.width;
    s.height = g.height;
    return s;
}

// Noise of the calibrated light, on its middle plane.
double LightNoise(const Frame& light, const Masters& m, std::vector<float>& scratch) {
    const FitsRows& g = light.rows;
    const int c = g.planes == 3 ? 1 : 0;
    const std::size_t n = static_cast<std::size_t>(g.width) * g.height;
    scratch.resize(n);
    light.rows.Read(c, 0, g.height, scratch.data());
    m.Apply(c, 0, n, scratch.data());
    return EstimateNoise(scratch.data(), g.width, g.height, 4);
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
    Frames lights, bias, darks, flats;
    if (!OpenFrames(job.lights, lights, error) || !OpenFrames(job.bias, bias, error) ||
        !OpenFrames(job.darks, darks, error) || !OpenFrames(job.flats, flats, error))
        return false;
    const FitsRows& g = lights[0]->rows;
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
            const double median = PlaneMedian(plane);
            if (median <= 0) {
                *error = flats[0]->path + ": the flat has no light above the bias";
                return false;
            }
            for (float& v : plane) v = static_cast<float>(v / median);
        }
    }

    // Registration on the first light, and each light's noise.
    const std::size_t count = lights.size();
    out.dx.assign(count, 0);
    out.dy.assign(count, 0);
    out.noise.assign(count, 0);
    std::vector<float> scratch;
    std::array<std::vector<uint16_t>, 3> reference, candidate;
    CalibratedSamples(*lights[0], m, scratch, reference);
    const StackSource ref = SourceOfSamples(reference, g);
    for (std::size_t i = 0; i < count; ++i) {
        tell("registering " + std::to_string(i + 1) + "/" + std::to_string(count),
             10 + static_cast<int>(40 * i / count));
        if (i > 0) {
            CalibratedSamples(*lights[i], m, scratch, candidate);
            const auto d = AlignSources({ref, SourceOfSamples(candidate, g)}, kCompareCentre,
                                        job.search_range, job.search_range, false);
            out.dx[i] = d[1].dx;
            out.dy[i] = d[1].dy;
        }
        out.noise[i] = LightNoise(*lights[i], m, scratch);
    }
    std::vector<double> weights(count, 1.0);
    if (job.weight_by_noise)
        for (std::size_t i = 0; i < count; ++i)
            weights[i] = out.noise[i] > 0 ? 1.0 / (out.noise[i] * out.noise[i]) : 1.0;
    reference = {};
    candidate = {};
    scratch = {};

    // Combination, a band of rows at a time.
    const std::size_t w = static_cast<std::size_t>(g.width);
    LinearImage& img = out.image;
    img.width = g.width;
    img.height = g.height;
    img.planes = g.planes;
    img.data.assign(w * g.height * static_cast<std::size_t>(g.planes), kNaN);
    img.cards = g.cards;
    std::vector<std::vector<float>> raw(count, std::vector<float>(w * band_rows)),
        placed(count, std::vector<float>(w * band_rows));
    for (int c = 0; c < g.planes; ++c) {
        for (int y0 = 0; y0 < g.height; y0 += band_rows) {
            const int rows = std::min(band_rows, g.height - y0);
            if (y0 % (band_rows * 16) == 0)
                tell("combining plane " + std::to_string(c + 1) + " row " + std::to_string(y0) +
                         "/" + std::to_string(g.height),
                     50 + static_cast<int>(50LL * (c * g.height + y0) / (g.planes * g.height)));
            // Each light's rows that land on this band, calibrated and moved into place.
            RunBands(static_cast<int>(count), [&](int k) {
                const auto i = static_cast<std::size_t>(k);
                const int dx = out.dx[i], dy = out.dy[i];
                const int s0 = std::max(y0 - dy, 0), s1 = std::min(y0 + rows - dy, g.height);
                std::vector<float>& dst = placed[i];
                std::fill(dst.begin(), dst.end(), kNaN);
                if (s0 >= s1) return;
                float* src = raw[i].data();
                lights[i]->rows.Read(c, s0, s1 - s0, src);
                m.Apply(c, static_cast<std::size_t>(s0) * w, static_cast<std::size_t>(s1 - s0) * w,
                        src);
                for (int sy = s0; sy < s1; ++sy) {
                    const float* from = src + static_cast<std::size_t>(sy - s0) * w;
                    float* to = dst.data() + static_cast<std::size_t>(sy + dy - y0) * w;
                    const int x0 = std::max(0, dx), x1 = std::min(g.width, g.width + dx);
                    for (int x = x0; x < x1; ++x) to[x] = from[x - dx];
                }
            });
            RunBands(rows, [&](int r) {
                std::vector<const float*> ptrs(count);
                for (std::size_t i = 0; i < count; ++i)
                    ptrs[i] = placed[i].data() + static_cast<std::size_t>(r) * w;
                CombineRow(ptrs, weights, g.width, job.combine,
                           img.plane(c) + (static_cast<std::size_t>(y0) + r) * w);
            });
        }
    }

    tell("done", 100);
    // Lines short enough for one HISTORY card each.
    out.history.push_back(Format("ORVA stacked %zu light frame(s) registered on %s", count,
                                 std::filesystem::path(job.lights[0]).filename().c_str()));
    out.history.push_back(Format("masters of %zu bias, %zu dark, %zu flat frame(s) by %s",
                                 bias.size(), darks.size(), flats.size(),
                                 job.master_median ? "median" : "sigma-clipped mean"));
    out.history.push_back(Format("rejection: %s, kappa %.2f/%.2f, %d iteration(s)",
                                 RejectionName(job.combine.rejection), job.combine.kappa_low,
                                 job.combine.kappa_high, job.combine.iterations));
    out.history.push_back(job.weight_by_noise ? "weights: inverse noise variance"
                                              : "weights: equal");
    return true;
}

}  // namespace orva
