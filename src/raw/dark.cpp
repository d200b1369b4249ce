#include "raw/dark.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "common/parallel.h"
#include "imageio/file_io.h"
#include "raw/decoders/libraw_decoder.h"

namespace orva {

namespace {

// Floor division (the master's rules round down; values may be negative for FITS darks).
int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

template <typename T>
int64_t Combine(const T* v, int count) {
    if (count == 1) return v[0];
    int64_t sum = 0;
    for (int i = 0; i < count; ++i) sum += v[i];
    if (count == 2) return FloorDiv(sum, 2);
    const int64_t mean = FloorDiv(sum, count);
    int drop = 0;
    int64_t worst = -1;
    for (int i = 0; i < count; ++i) {
        const int64_t d = std::abs(static_cast<int64_t>(v[i]) - mean);
        if (d > worst) {
            worst = d;
            drop = i;
        }
    }
    return FloorDiv(sum - v[drop], count - 1);
}

}  // namespace

uint16_t CombineDarkValues(const uint16_t* values, int count) {
    return static_cast<uint16_t>(Combine(values, count));
}

RawDark CombineRawDarks(const std::vector<const RawDark*>& frames) {
    RawDark out;
    if (frames.empty()) return out;
    out.width = frames[0]->width;
    out.height = frames[0]->height;
    const std::size_t n = frames[0]->samples.size();
    for (const RawDark* f : frames)
        if (f->samples.size() != n) return RawDark{};
    out.samples.resize(n);
    const int count = static_cast<int>(std::min<std::size_t>(frames.size(), kMaxDarkFiles));
    ForEachRowBand(out.height, [&](int y0, int y1) {
        const std::size_t row = static_cast<std::size_t>(out.width) * 4;
        for (std::size_t i = static_cast<std::size_t>(y0) * row;
             i < static_cast<std::size_t>(y1) * row; ++i) {
            uint16_t v[kMaxDarkFiles];
            for (int k = 0; k < count; ++k) v[k] = frames[static_cast<std::size_t>(k)]->samples[i];
            out.samples[i] = CombineDarkValues(v, count);
        }
    });
    return out;
}

FitsDark CombineFitsDarks(const std::vector<const FitsDark*>& frames) {
    FitsDark out;
    if (frames.empty()) return out;
    out.width = frames[0]->width;
    out.height = frames[0]->height;
    const int count = static_cast<int>(std::min<std::size_t>(frames.size(), kMaxDarkFiles));
    const auto plane = [](const FitsDark& d, int c) -> const std::vector<int32_t>& {
        return c == 0 ? d.red : c == 1 ? d.green : d.blue;
    };
    for (int c = 0; c < 3; ++c) {
        const std::size_t n = plane(*frames[0], c).size();
        for (const FitsDark* f : frames)
            if (plane(*f, c).size() != n) return FitsDark{};
        std::vector<int32_t>& dst = c == 0 ? out.red : c == 1 ? out.green : out.blue;
        dst.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            int32_t v[kMaxDarkFiles];
            for (int k = 0; k < count; ++k)
                v[k] = plane(*frames[static_cast<std::size_t>(k)], c)[i];
            dst[i] = static_cast<int32_t>(Combine(v, count));
        }
    }
    return out;
}

int TrimmedNeighbourMean(const int* values, int count) {
    if (count <= 0) return 0;
    int64_t sum = 0;
    int lo = values[0], hi = values[0];
    for (int i = 0; i < count; ++i) {
        sum += values[i];
        lo = std::min(lo, values[i]);
        hi = std::max(hi, values[i]);
    }
    if (count <= 2) return static_cast<int>(sum / count);
    // Distances from the exact mean, compared without rounding: |v - sum/count| * count.
    const int64_t far_hi = std::abs(static_cast<int64_t>(hi) * count - sum);
    const int64_t far_lo = std::abs(static_cast<int64_t>(lo) * count - sum);
    const int64_t dropped = far_hi > far_lo ? hi : lo;
    return static_cast<int>((sum - dropped) / (count - 1));
}

void SubtractRawDark(uint16_t (*mosaic)[4], int width, int height, const RawDark& dark,
                     int handling, int level) {
    if (dark.width != width || dark.height != height || width < 1 || height < 1) return;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (dark.samples.size() != pixels * 4) return;
    const uint16_t* d = dark.samples.data();
    if (handling != kDefectAverage) {
        const bool zero = handling == kDefectZero;
        ForEachRowBand(height, [&](int y0, int y1) {
            for (std::size_t i = static_cast<std::size_t>(y0) * width;
                 i < static_cast<std::size_t>(y1) * width; ++i) {
                for (int c = 0; c < 4; ++c) {
                    const int v = mosaic[i][c], dv = d[i * 4 + c];
                    if (v < dv) {
                        if (zero) mosaic[i][c] = 0;
                    } else {
                        mosaic[i][c] = static_cast<uint16_t>(v - dv);
                    }
                }
            }
        });
        return;
    }
    // Pass 1: subtract and mark, per channel, the samples that end within `level` of their
    // dark or below it.
    std::vector<uint8_t> marks(pixels, 0);
    ForEachRowBand(height, [&](int y0, int y1) {
        for (std::size_t i = static_cast<std::size_t>(y0) * width;
             i < static_cast<std::size_t>(y1) * width; ++i) {
            uint8_t m = 0;
            for (int c = 0; c < 4; ++c) {
                const int v = mosaic[i][c], dv = d[i * 4 + c];
                if (v == 0) continue;
                if (v < dv + level) m = static_cast<uint8_t>(m | (1 << c));
                mosaic[i][c] = static_cast<uint16_t>(v < dv ? 0 : v - dv);
            }
            marks[i] = m;
        }
    });
    // Pass 2: every marked sample becomes the trimmed mean of its twelve same-channel
    // neighbours (radius-2 diamond) as pass 1 left them; the replacements are collected
    // first so that no band reads another band's results.
    static constexpr int kDx[12] = {0, -1, 0, 1, -2, -1, 1, 2, -1, 0, 1, 0};
    static constexpr int kDy[12] = {-2, -1, -1, -1, 0, 0, 0, 0, 1, 1, 1, 2};
    struct Replacement {
        std::size_t index;
        int channel;
        uint16_t value;
    };
    const int bands = RowBandCount(height);
    std::vector<std::vector<Replacement>> found(static_cast<std::size_t>(bands));
    RunBands(bands, [&](int band) {
        const int y0 = BandStart(height, band, bands), y1 = BandStart(height, band + 1, bands);
        auto& list = found[static_cast<std::size_t>(band)];
        for (int y = y0; y < y1; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * width + x;
                if (marks[i] == 0) continue;
                for (int c = 0; c < 4; ++c) {
                    if (!(marks[i] & (1 << c))) continue;
                    int values[12];
                    int n = 0;
                    for (int k = 0; k < 12; ++k) {
                        const int xx = x + kDx[k], yy = y + kDy[k];
                        if (xx < 0 || yy < 0 || xx >= width || yy >= height) continue;
                        const int v = mosaic[static_cast<std::size_t>(yy) * width + xx][c];
                        if (v > 0) values[n++] = v;
                    }
                    list.push_back({i, c, static_cast<uint16_t>(TrimmedNeighbourMean(values, n))});
                }
            }
        }
    });
    for (const auto& list : found)
        for (const Replacement& r : list) mosaic[r.index][r.channel] = r.value;
}

void DarkStore::Release() {
    format = -1;
    width = height = 0;
    raw_master = RawDark{};
    fits_master = FitsDark{};
}

DarkBuildResult BuildDarkMaster(DarkStore& store, uint64_t memory_budget) {
    DarkBuildResult result;
    store.Release();
    std::vector<RawDark> raws;
    std::vector<FitsDark> fits;
    int format = -1, width = 0, height = 0;
    const auto fail = [&](DarkError e, const std::string& file, IoResult io = {}) {
        store.Release();
        result.error = e;
        result.file = file;
        result.io = std::move(io);
        result.loaded = 0;
        return result;
    };
    for (const std::string& file : store.files) {
        if (file.empty()) continue;
        const int code = DetectFormat(file);
        if (code != kFormatRaw && code != kFormatFits) return fail(DarkError::NotDark, file);
        if (format == -1) {
            format = code;
        } else if (code != format) {
            return fail(DarkError::MixedFormats, file);
        }
        int w = 0, h = 0;
        if (code == kFormatRaw) {
            RawDark d;
            IoResult r = ReadRawDark(file, memory_budget, d);
            if (!r.ok()) return fail(DarkError::Unreadable, file, std::move(r));
            w = d.width, h = d.height;
            raws.push_back(std::move(d));
        } else {
            MappedFile mf;
            IoResult r = mf.Open(file);
            FitsDark d;
            if (r.ok()) r = DecodeFitsDark(mf.bytes(), d, memory_budget);
            if (!r.ok()) return fail(DarkError::Unreadable, file, std::move(r));
            w = d.width, h = d.height;
            fits.push_back(std::move(d));
        }
        if (result.loaded == 0) {
            width = w, height = h;
        } else if (w != width || h != height) {
            return fail(DarkError::MixedSizes, file);
        }
        ++result.loaded;
    }
    if (result.loaded == 0) return result;
    store.format = format;
    store.width = width;
    store.height = height;
    if (format == kFormatRaw) {
        std::vector<const RawDark*> p;
        for (const auto& d : raws) p.push_back(&d);
        store.raw_master = CombineRawDarks(p);
    } else {
        std::vector<const FitsDark*> p;
        for (const auto& d : fits) p.push_back(&d);
        store.fits_master = CombineFitsDarks(p);
    }
    return result;
}

}  // namespace orva
