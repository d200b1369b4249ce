#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include "common/parallel.h"
#include "stack/stages.h"

namespace orva {

namespace {

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

}  // namespace

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
                *error = f->path + ": another colour pattern than the reference light's";
                return false;
            }
        }
    return true;
}

void Masters::Apply(int c, std::size_t at, std::size_t count, float* v) const {
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

bool BuildMasters(const FrameList& bias, const FrameList& darks, const FrameList& flats,
                  bool by_median, int band_rows, const RawMosaic* layout, Masters& m,
                  std::string* error) {
    const CombineParams params{by_median ? Rejection::Median : Rejection::Sigma, 3.0, 3.0, 3};
    m.bias = Combined(bias, params, band_rows);
    m.dark = Combined(darks, params, band_rows);
    m.flat = Combined(flats, params, band_rows);
    if (flats.empty()) return true;
    for (std::size_t c = 0; c < m.flat.size(); ++c) {
        auto& plane = m.flat[c];
        if (!m.bias.empty())
            for (std::size_t i = 0; i < plane.size(); ++i) plane[i] -= m.bias[c][i];
        if (!NormaliseFlat(plane, layout, flats[0]->width, flats[0]->height)) {
            *error = flats[0]->path + ": the flat has no light above the bias";
            return false;
        }
    }
    return true;
}

void LoadCalibrated(const FrameRows& light, const Masters& m, const RawMosaic* layout,
                    std::vector<float>& planes, std::vector<float>& scratch) {
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
    if (layout == nullptr) return;
    Demosaic(*layout, planes, scratch);
    planes.swap(scratch);
}

}  // namespace orva
