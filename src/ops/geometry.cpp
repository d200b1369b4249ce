#include "ops/geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>
#include <vector>

#include "common/parallel.h"

namespace orva {

namespace {

// The rotation uses this value of pi, so that turned pictures keep their established size.
constexpr double kPi = 3.1415926;
constexpr double kFullPi = 3.14159265358979323846;

std::size_t Index(int x, int y, int width) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(x);
}

bool HoldsPicture(const ImageRecord& rec) {
    const std::size_t n = rec.pixels();
    for (int c = 0; c < 3; ++c)
        if (n == 0 || rec.plane(c).size() < n) return false;
    return true;
}

ConstPlaneView SourceView(const ImageRecord& rec, int c) {
    return rec.plane(c).view(rec.width, rec.height);
}

// Three planes for a new picture, stored into the record only when all of them exist.
struct NewPicture {
    Plane planes[3];
    int width = 0, height = 0;

    bool Allocate(int w, int h) {
        width = w;
        height = h;
        const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
        for (auto& p : planes)
            if (!p.Allocate(n)) return false;
        return true;
    }
    PlaneView view(int c) { return planes[c].view(width, height); }
    void StoreInto(ImageRecord& rec) {
        for (int c = 0; c < 3; ++c) rec.plane(c) = std::move(planes[c]);
        rec.width = width;
        rec.height = height;
    }
};

// Quotient of whole numbers whose product may pass the int range.
int MulDiv(long long a, long long b, long long c) {
    return static_cast<int>(a * b / c);
}

// Per-output-column (or row) source positions of a ratio.
struct Positions {
    std::vector<int> pos;   // integer source position
    std::vector<int> frac;  // fraction in the given number of steps
};

Positions SourcePositions(int count, int target, int source, int steps, int limit) {
    Positions p;
    p.pos.resize(static_cast<std::size_t>(count));
    p.frac.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const long long prod = static_cast<long long>(i) * source;
        // The last index bounds the position; only rounding of huge ratios could pass it.
        p.pos[static_cast<std::size_t>(i)] =
            static_cast<int>(std::min<long long>(prod / target, limit));
        p.frac[static_cast<std::size_t>(i)] = static_cast<int>(prod % target * steps / target);
    }
    return p;
}

// Bilinear sampling with 1/256 fractions, shared by the rotation and the distortion
// correction. The second sample of a pair is clamped to the last column or row, so a
// position on the last index reads that pixel instead of turning black.
struct EdgeSampler {
    const uint16_t* src[3];
    int width, height;

    // Writes the sample at (sx, sy) (columns, stored rows) into out[c][at].
    void Sample(double sx, double sy, uint16_t* const out[3], std::size_t at) const {
        // Written so that a position that is not a number also counts as outside.
        if (!(sx >= 0.0 && sy >= 0.0 && sx < static_cast<double>(width) &&
              sy < static_cast<double>(height))) {
            for (int c = 0; c < 3; ++c) out[c][at] = 0;
            return;
        }
        const int x0 = static_cast<int>(sx);  // floor, as sx is not negative
        const int y0 = static_cast<int>(sy);
        const auto fx = static_cast<uint32_t>((sx - x0) * 256.0);
        const auto fy = static_cast<uint32_t>((sy - y0) * 256.0);
        const int x1 = std::min(x0 + 1, width - 1);
        const int y1 = std::min(y0 + 1, height - 1);
        const std::size_t i00 = Index(x0, y0, width), i10 = Index(x1, y0, width);
        const std::size_t i01 = Index(x0, y1, width), i11 = Index(x1, y1, width);
        for (int c = 0; c < 3; ++c) {
            const uint16_t* p = src[c];
            const uint32_t lo = p[i10] * fx + p[i00] * (256 - fx);
            const uint32_t hi = p[i11] * fx + p[i01] * (256 - fx);
            out[c][at] = static_cast<uint16_t>((lo * (256 - fy) + hi * fy) >> 16);
        }
    }
};

}  // namespace

// ---- Resize ----

void ReduceRatio(int& target, int& source) {
    const int bound = std::max(target, source) / 2;
    for (int f = 2; f <= bound; f += (f == 2 ? 1 : 2)) {
        if (target % f == 0 && source % f == 0) {
            target /= f;
            source /= f;
        }
    }
    while ((target > 4096 || source > 4096) && target >= 2 && source >= 2) {
        target /= 2;
        source /= 2;
    }
}

int ScaledLength(int length, int target, int source) {
    const long long n = static_cast<long long>(length) * target / std::max(source, 1);
    return static_cast<int>(std::clamp<long long>(n, 1, INT_MAX));
}

double LanczosKernel(double r) {
    if (r == 0.0) return 1.0;
    if (r >= 2.0) return 0.0;
    const double a = kFullPi * r;
    const double b = a / 2.0;
    return std::sin(a) / a * (std::sin(b) / b);
}

const LanczosTable& LanczosWeights() {
    static const LanczosTable table = [] {
        LanczosTable t{};
        for (int py = 0; py < 16; ++py) {
            for (int px = 0; px < 16; ++px) {
                double w[25];
                double sum = 0.0;
                for (int i = 0; i < 5; ++i) {
                    for (int j = 0; j < 5; ++j) {
                        const double dy = i - 2 - py / 16.0;
                        const double dx = j - 2 - px / 16.0;
                        w[i * 5 + j] = LanczosKernel(std::sqrt(dx * dx + dy * dy));
                        sum += w[i * 5 + j];
                    }
                }
                auto& out = t[static_cast<std::size_t>(py)][static_cast<std::size_t>(px)];
                for (std::size_t k = 0; k < 25; ++k) out[k] = static_cast<float>(w[k] / sum);
            }
        }
        return t;
    }();
    return table;
}

namespace {

// The two ratios of the interpolating resizes, each side at least 1 and reduced.
struct Ratios {
    int tx, sx, ty, sy;
};
Ratios ReducedRatios(int target_width, int source_width, int target_height, int source_height) {
    Ratios r{std::max(target_width, 1), std::max(source_width, 1), std::max(target_height, 1),
             std::max(source_height, 1)};
    ReduceRatio(r.tx, r.sx);
    ReduceRatio(r.ty, r.sy);
    return r;
}

}  // namespace

bool ResizeNearest(ImageRecord& rec, int target_width, int source_width, int target_height,
                   int source_height) {
    if (!HoldsPicture(rec)) return true;
    const int tw = std::max(target_width, 1), sw = std::max(source_width, 1);
    const int th = std::max(target_height, 1), sh = std::max(source_height, 1);
    NewPicture out;
    if (!out.Allocate(ScaledLength(rec.width, tw, sw), ScaledLength(rec.height, th, sh)))
        return false;
    const Positions xs = SourcePositions(out.width, tw, sw, 1, rec.width - 1);
    const Positions ys = SourcePositions(out.height, th, sh, 1, rec.height - 1);
    ForEachRowBand(out.height, [&](int j0, int j1) {
        for (int c = 0; c < 3; ++c) {
            const ConstPlaneView src = SourceView(rec, c);
            const PlaneView dst = out.view(c);
            for (int j = j0; j < j1; ++j) {
                const uint16_t* row = src.row(ys.pos[static_cast<std::size_t>(j)]);
                uint16_t* o = dst.row(j);
                for (int i = 0; i < out.width; ++i) o[i] = row[xs.pos[static_cast<std::size_t>(i)]];
            }
        }
    });
    out.StoreInto(rec);
    return true;
}

namespace {

// Block averages for a strong vertical reduction. A block left without columns or rows
// (an enlarging direction, or the last index) takes the one sample at its start instead of
// dividing by zero.
struct Blocks {
    std::vector<int> start, count;
};

Blocks MakeBlocks(int out_count, int target, int source, int length) {
    Blocks b;
    b.start.resize(static_cast<std::size_t>(out_count));
    b.count.resize(static_cast<std::size_t>(out_count));
    for (int i = 0; i < out_count; ++i) {
        const int p0 = std::min(MulDiv(i, source, target), length - 1);
        const int p1 = std::min(MulDiv(i + 1, source, target), length - 1);
        b.start[static_cast<std::size_t>(i)] = p0;
        b.count[static_cast<std::size_t>(i)] = p1 > p0 ? p1 - p0 : 1;
    }
    return b;
}

// Bilinear resampling in 1/128 steps, or block averages for a strong vertical reduction.
void BilinearInto(const ImageRecord& rec, const Ratios& ratios, NewPicture& out) {
    const int tx = ratios.tx, sx = ratios.sx, ty = ratios.ty, sy = ratios.sy;
    const int w = rec.width, h = rec.height;
    const int ow = out.width;

    if (out.height <= 2 * h / 3) {
        const Blocks bx = MakeBlocks(ow, tx, sx, w);
        const Blocks by = MakeBlocks(out.height, ty, sy, h);
        ForEachRowBand(out.height, [&](int j0, int j1) {
            std::vector<uint64_t> sums(static_cast<std::size_t>(w));
            for (int c = 0; c < 3; ++c) {
                const ConstPlaneView src = SourceView(rec, c);
                for (int j = j0; j < j1; ++j) {
                    const int y0 = by.start[static_cast<std::size_t>(j)];
                    const int ny = by.count[static_cast<std::size_t>(j)];
                    std::fill(sums.begin(), sums.end(), 0);
                    for (int y = y0; y < y0 + ny; ++y) {
                        const uint16_t* row = src.row(y);
                        for (int x = 0; x < w; ++x) sums[static_cast<std::size_t>(x)] += row[x];
                    }
                    uint16_t* o = out.view(c).row(j);
                    for (int i = 0; i < ow; ++i) {
                        const int x0 = bx.start[static_cast<std::size_t>(i)];
                        const int nx = bx.count[static_cast<std::size_t>(i)];
                        uint64_t s = 0;
                        for (int x = x0; x < x0 + nx; ++x) s += sums[static_cast<std::size_t>(x)];
                        o[i] = static_cast<uint16_t>(s / static_cast<uint64_t>(nx) /
                                                     static_cast<uint64_t>(ny));
                    }
                }
            }
        });
    } else {
        const Positions px = SourcePositions(ow, tx, sx, 128, w - 1);
        const Positions py = SourcePositions(out.height, ty, sy, 128, h - 1);
        ForEachRowBand(out.height, [&](int j0, int j1) {
            for (int c = 0; c < 3; ++c) {
                const ConstPlaneView src = SourceView(rec, c);
                for (int j = j0; j < j1; ++j) {
                    const int y0 = py.pos[static_cast<std::size_t>(j)];
                    const auto fy = static_cast<uint32_t>(py.frac[static_cast<std::size_t>(j)]);
                    const uint16_t* r0 = src.row(y0);
                    const uint16_t* r1 = src.row(std::min(y0 + 1, h - 1));
                    uint16_t* o = out.view(c).row(j);
                    for (int i = 0; i < ow; ++i) {
                        const int x0 = px.pos[static_cast<std::size_t>(i)];
                        const int x1 = std::min(x0 + 1, w - 1);
                        const auto fx = static_cast<uint32_t>(px.frac[static_cast<std::size_t>(i)]);
                        const uint32_t v = r0[x0] * (128 - fx) * (128 - fy) +
                                           r0[x1] * fx * (128 - fy) + r1[x0] * (128 - fx) * fy +
                                           r1[x1] * fx * fy;
                        o[i] = static_cast<uint16_t>(v / 128 / 128);
                    }
                }
            }
        });
    }
}

// Lanczos resampling of order 2 in 1/16 steps.
void LanczosInto(const ImageRecord& rec, const Ratios& ratios, NewPicture& out) {
    const int tx = ratios.tx, sx = ratios.sx, ty = ratios.ty, sy = ratios.sy;
    const int w = rec.width, h = rec.height;
    const int ow = out.width;
    const Positions px = SourcePositions(ow, tx, sx, 16, w - 1);
    const Positions py = SourcePositions(out.height, ty, sy, 16, h - 1);
    const LanczosTable& table = LanczosWeights();
    const int padded = w + 4;  // two clamped columns on each side
    // The column phases that occur, each with its place among the column sums.
    std::array<int, 16> slot_of_phase{};
    std::vector<int> used;
    for (int f : px.frac) {
        if (std::find(used.begin(), used.end(), f) == used.end()) {
            slot_of_phase[static_cast<std::size_t>(f)] = static_cast<int>(used.size());
            used.push_back(f);
        }
    }

    ForEachRowBand(out.height, [&](int j0, int j1) {
        // Source rows as floats with the edge columns repeated, so the inner loop needs no
        // clamping. Eight rows are kept, row y in place y % 8: the five rows of one output
        // row never share a place, and neighbouring output rows reuse what they share.
        constexpr int kKept = 8;
        std::vector<float> buf(static_cast<std::size_t>(kKept) * static_cast<std::size_t>(padded));
        std::vector<float> vsum(used.size() * 5 * static_cast<std::size_t>(padded));
        auto ColumnSums = [&](std::size_t k, std::size_t c5) {
            return vsum.data() + (k * 5 + c5) * static_cast<std::size_t>(padded);
        };
        for (int c = 0; c < 3; ++c) {
            // Raw row arithmetic here: through a plane view the compiler gives the copy below
            // about two percent more instructions.
            const uint16_t* src = rec.plane(c).data();
            int kept[kKept];
            std::fill(kept, kept + kKept, -1);
            auto Row = [&](int y) {
                float* d = buf.data() + static_cast<std::size_t>(y % kKept) * padded;
                if (kept[y % kKept] != y) {
                    const uint16_t* row = src + Index(0, y, w);
                    for (int x = 0; x < w; ++x) d[x + 2] = row[x];
                    d[0] = d[1] = d[2];
                    d[w + 2] = d[w + 3] = d[w + 1];
                    kept[y % kKept] = y;
                }
                return static_cast<const float*>(d);
            };
            for (int j = j0; j < j1; ++j) {
                const int y0 = py.pos[static_cast<std::size_t>(j)];
                const auto& phase =
                    table[static_cast<std::size_t>(py.frac[static_cast<std::size_t>(j)])];
                const float* rp[5];
                for (int r = 0; r < 5; ++r) rp[r] = Row(std::clamp(y0 - 2 + r, 0, h - 1));
                // The five rows are first combined down each column, once for every column
                // phase and column offset in use (vectorises well); each output then adds five
                // of these column sums.
                for (std::size_t k = 0; k < used.size(); ++k) {
                    const auto& wt = phase[static_cast<std::size_t>(used[k])];
                    for (std::size_t c5 = 0; c5 < 5; ++c5) {
                        const float w0 = wt[c5], w1 = wt[5 + c5], w2 = wt[10 + c5];
                        const float w3 = wt[15 + c5], w4 = wt[20 + c5];
                        float* v = ColumnSums(k, c5);
                        for (int x = 0; x < padded; ++x) {
                            v[x] = w0 * rp[0][x] + w1 * rp[1][x] + w2 * rp[2][x] + w3 * rp[3][x] +
                                   w4 * rp[4][x];
                        }
                    }
                }
                uint16_t* o = out.view(c).row(j);
                for (int i = 0; i < ow; ++i) {
                    const int x0 = px.pos[static_cast<std::size_t>(i)];  // padded x0 - 2
                    const auto k = static_cast<std::size_t>(slot_of_phase[static_cast<std::size_t>(
                        px.frac[static_cast<std::size_t>(i)])]);
                    const float* v = vsum.data() + k * 5 * static_cast<std::size_t>(padded) +
                                     static_cast<std::size_t>(x0);
                    float acc = v[0] + v[padded + 1] + v[2 * padded + 2] + v[3 * padded + 3] +
                                v[4 * padded + 4];
                    acc = std::clamp(acc, 0.0f, 65535.0f);
                    o[i] = static_cast<uint16_t>(acc + 0.5f);
                }
            }
        }
    });
}

// The interpolating resizes: the ratios reduced, the new planes taken, filled by `into`
// and stored only when all of that succeeded.
bool ResizeReduced(ImageRecord& rec, int target_width, int source_width, int target_height,
                   int source_height,
                   void (*into)(const ImageRecord&, const Ratios&, NewPicture&)) {
    if (!HoldsPicture(rec)) return true;
    const Ratios ratios = ReducedRatios(target_width, source_width, target_height, source_height);
    NewPicture out;
    if (!out.Allocate(ScaledLength(rec.width, ratios.tx, ratios.sx),
                      ScaledLength(rec.height, ratios.ty, ratios.sy)))
        return false;
    into(rec, ratios, out);
    out.StoreInto(rec);
    return true;
}

}  // namespace

bool ResizeBilinear(ImageRecord& rec, int target_width, int source_width, int target_height,
                    int source_height) {
    return ResizeReduced(rec, target_width, source_width, target_height, source_height,
                         BilinearInto);
}

bool ResizeLanczos(ImageRecord& rec, int target_width, int source_width, int target_height,
                   int source_height) {
    return ResizeReduced(rec, target_width, source_width, target_height, source_height,
                         LanczosInto);
}

bool Resize(ImageRecord& rec, const ResizeParams& p) {
    switch (p.method) {
        case ResizeMethod::Nearest:
            return ResizeNearest(rec, p.target_width, p.source_width, p.target_height,
                                 p.source_height);
        case ResizeMethod::Lanczos:
            return ResizeLanczos(rec, p.target_width, p.source_width, p.target_height,
                                 p.source_height);
        case ResizeMethod::Bilinear: break;
    }
    return ResizeBilinear(rec, p.target_width, p.source_width, p.target_height, p.source_height);
}

// ---- Rotation and mirrors ----

bool QuarterTurn(ImageRecord& rec, int thousandths) {
    if (!HoldsPicture(rec)) return true;
    const int w = rec.width, h = rec.height;
    const bool half = thousandths == 180000 || thousandths == -180000;
    if (!half && thousandths != 90000 && thousandths != -90000) return true;
    NewPicture out;
    if (!out.Allocate(half ? w : h, half ? h : w)) return false;
    // Bands over the source rows: each source row lands in its own output column or row.
    ForEachRowBand(h, [&](int y0, int y1) {
        for (int c = 0; c < 3; ++c) {
            const ConstPlaneView src = SourceView(rec, c);
            const PlaneView dst = out.view(c);
            for (int y = y0; y < y1; ++y) {
                const uint16_t* row = src.row(y);
                if (half) {
                    uint16_t* o = dst.row(h - 1 - y) + (w - 1);
                    for (int x = 0; x < w; ++x) *(o - x) = row[x];
                } else if (thousandths > 0) {
                    // Counter-clockwise: source (x, y) goes to column h-1-y, stored row x.
                    const int col = h - 1 - y;
                    for (int x = 0; x < w; ++x) dst.at(col, x) = row[x];
                } else {
                    // Clockwise: source (x, y) goes to column y, stored row w-1-x.
                    for (int x = 0; x < w; ++x) dst.at(y, w - 1 - x) = row[x];
                }
            }
        }
    });
    out.StoreInto(rec);
    return true;
}

bool Mirror(ImageRecord& rec, int direction) {
    if (!HoldsPicture(rec) || (direction != 1 && direction != 2)) return true;
    const int w = rec.width, h = rec.height;
    NewPicture out;
    if (!out.Allocate(w, h)) return false;
    ForEachRowBand(h, [&](int y0, int y1) {
        for (int c = 0; c < 3; ++c) {
            const ConstPlaneView src = SourceView(rec, c);
            const PlaneView dst = out.view(c);
            for (int y = y0; y < y1; ++y) {
                const uint16_t* row = src.row(y);
                if (direction == 1) {
                    uint16_t* o = dst.row(y);
                    for (int x = 0; x < w; ++x) o[w - 1 - x] = row[x];
                } else {
                    std::copy(row, row + w, dst.row(h - 1 - y));
                }
            }
        }
    });
    out.StoreInto(rec);
    return true;
}

void RotatedSize(int width, int height, int thousandths, int& new_width, int& new_height) {
    const double theta = thousandths / 1000.0 / 180.0 * kPi;
    const double c = std::cos(theta), s = std::sin(theta);
    const double w = width, h = height;
    const double xs[4] = {0.0, w * c, -h * s, w * c - h * s};
    const double ys[4] = {0.0, w * s, h * c, w * s + h * c};
    const double span_x = *std::max_element(xs, xs + 4) - *std::min_element(xs, xs + 4);
    const double span_y = *std::max_element(ys, ys + 4) - *std::min_element(ys, ys + 4);
    // A box that rounding shrinks below one pixel would leave no picture at all.
    new_width = std::max(static_cast<int>(span_x), 1);
    new_height = std::max(static_cast<int>(span_y), 1);
}

bool RotateArbitrary(ImageRecord& rec, int thousandths) {
    if (!HoldsPicture(rec)) return true;
    const int w = rec.width, h = rec.height;
    int nw = 0, nh = 0;
    RotatedSize(w, h, thousandths, nw, nh);
    NewPicture out;
    if (!out.Allocate(nw, nh)) return false;
    const double theta = thousandths / 1000.0 / 180.0 * kPi;
    const double c = std::cos(theta), s = std::sin(theta);
    const int cx = nw / 2, cy = nh / 2;
    const double half_w = w / 2, half_h = h / 2;
    const EdgeSampler sampler{{rec.red.data(), rec.green.data(), rec.blue.data()}, w, h};
    uint16_t* const dst[3] = {out.planes[0].data(), out.planes[1].data(), out.planes[2].data()};
    ForEachRowBand(nh, [&](int v0, int v1) {
        for (int v = v0; v < v1; ++v) {
            const double dv = cy - v;
            for (int u = 0; u < nw; ++u) {
                const double du = u - cx;
                const double sx = c * du - s * dv + half_w;
                const double sy = half_h - (s * du + c * dv);
                sampler.Sample(sx, sy, dst, Index(u, v, nw));
            }
        }
    });
    out.StoreInto(rec);
    return true;
}

void MapRotatedPoint(int width, int height, int thousandths, double x, double y, double& new_x,
                     double& new_y) {
    int nw = 0, nh = 0;
    RotatedSize(width, height, thousandths, nw, nh);
    const double theta = thousandths / 1000.0 / 180.0 * kPi;
    const double c = std::cos(theta), s = std::sin(theta);
    // The inverse of the sampling map of RotateArbitrary.
    const double dx = x - width / 2, dy = y - height / 2;
    new_x = nw / 2 + c * dx - s * dy;
    new_y = nh / 2 + s * dx + c * dy;
}

// ---- Distortion ----

bool CorrectDistortion(ImageRecord& rec, int amount) {
    if (!HoldsPicture(rec)) return true;
    const int w = rec.width, h = rec.height;
    NewPicture out;
    if (!out.Allocate(w, h)) return false;
    const double r3 =
        std::pow((static_cast<double>(w) * w + static_cast<double>(h) * h) * 0.25, 1.5);
    const double k = -static_cast<double>(amount) / r3;
    const int hw = w / 2, hh = h / 2;
    const EdgeSampler sampler{{rec.red.data(), rec.green.data(), rec.blue.data()}, w, h};
    uint16_t* const dst[3] = {out.planes[0].data(), out.planes[1].data(), out.planes[2].data()};
    ForEachRowBand(h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const double dy = y - hh;
            for (int x = 0; x < w; ++x) {
                const double dx = x - hw;
                const double sc = 1.0 + k * (dx * dx + dy * dy);
                sampler.Sample(dx * sc + hw, dy * sc + hh, dst, Index(x, y, w));
            }
        }
    });
    out.StoreInto(rec);
    return true;
}

}  // namespace orva
