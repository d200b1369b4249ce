#include "composite/align.h"

#include <algorithm>

#include "common/parallel.h"

namespace orva {

namespace {

// Sum over n sample pairs of ((a - b) / Div)^2, the division truncating toward zero. A term
// is below 2^22 and a row has at most a few thousand of them, so 64 bits never overflow.
template <int Div>
int64_t RowTerms(const uint16_t* a, const uint16_t* b, int n) {
    int64_t sum = 0;
    // Blocks of 32-bit partial sums keep the loop vectorisable: 256 terms of at most
    // 2047^2 fit in 32 unsigned bits.
    constexpr int kBlock = 256;
    for (int i0 = 0; i0 < n; i0 += kBlock) {
        const int i1 = std::min(n, i0 + kBlock);
        uint32_t part = 0;
        for (int i = i0; i < i1; ++i) {
            const int d = (static_cast<int>(a[i]) - static_cast<int>(b[i])) / Div;
            part += static_cast<uint32_t>(d * d);
        }
        sum += part;
    }
    return sum;
}

struct Overlap {
    int x0, x1, y0, y1;  // columns [x0, x1), rows [y0, y1) of the reference
    int width() const { return x1 - x0; }
    int height() const { return y1 - y0; }
};

Overlap OverlapOf(int w, int h, int dx, int dy) {
    return {std::max(dx, 0), std::min(w, dx + w), std::max(dy, 0), std::min(h, dy + h)};
}

// Centre-and-corner score with block height k.
int CornerScore(const ComparePlane& a, const ComparePlane& b, int dx, int dy, int k) {
    const Overlap o = OverlapOf(a.width, a.height, dx, dy);
    const int ow = o.width(), oh = o.height();
    if (ow < 1 || oh < 1) return kNoMatch;
    auto terms = [&](int y, int x, int n) {
        return RowTerms<32>(a.row(y) + x, b.row(y - dy) + (x - dx), n);
    };
    int64_t total = 0;
    if (ow > 1024 && 4 * k < oh) {
        for (int r = 0; r < k; ++r) {
            const int top = o.y1 - 1 - r, bottom = o.y0 + r;
            const int64_t s = terms(top, o.x0, 256) + terms(top, o.x1 - 256, 256) +
                              terms(bottom, o.x0, 256) + terms(bottom, o.x1 - 256, 256);
            total += s / 256 / 4;
        }
        const int mid_row = (o.y0 + o.y1) / 2, mid_col = (o.x0 + o.x1) / 2;
        for (int y = mid_row - k; y < mid_row + k; ++y)
            total += terms(y, mid_col - 256, 512) / 256 / 4;
        return static_cast<int>(total / k / 2);
    }
    for (int y = o.y0; y < o.y1; ++y) total += terms(y, o.x0, ow) / ow;
    return static_cast<int>(total / oh);
}

// Centred-block score with block limits bw x bh.
int CentreScore(const ComparePlane& a, const ComparePlane& b, int dx, int dy, int bw, int bh) {
    const Overlap o = OverlapOf(a.width, a.height, dx, dy);
    const int ow = o.width(), oh = o.height();
    if (ow < 2 || oh < 2) return kNoMatch;
    const int hw = std::min(ow, bw) / 2, hh = std::min(oh, bh) / 2;
    const int cx = (o.x0 + o.x1) / 2, cy = (o.y0 + o.y1) / 2;
    int64_t total = 0;
    for (int y = cy - hh; y < cy + hh; ++y) {
        const int x = cx - hw;
        total += RowTerms<64>(a.row(y) + x, b.row(y - dy) + (x - dx), 2 * hw) / hw / 2;
    }
    return static_cast<int>(total / hh / 2);
}

// The four quadrant lists of every non-reference picture for one search.
std::vector<Displacement> BestOfEach(const std::vector<QuadrantLists>& lists) {
    std::vector<Displacement> out(lists.size());
    for (std::size_t i = 1; i < lists.size(); ++i) out[i] = ChooseBest(lists[i]);
    return out;
}

}  // namespace

CompareArea ComparisonArea(int min_width, int min_height) {
    auto span = [](int n, int& start, int& length) {
        if (n <= 512) {
            start = 0;
            length = (n / 4) * 4;
        } else {
            start = (n / 32) * 4;
            length = ((7 * n) / 32) * 4 - start;
        }
        length = std::max(length, 0);
    };
    CompareArea a;
    span(min_width, a.x0, a.width);
    span(min_height, a.y0, a.height);
    return a;
}

void BuildComparePlane(const StackSource& src, const CompareArea& area, ComparePlane& out) {
    out.width = area.width;
    out.height = area.height;
    out.samples.resize(static_cast<std::size_t>(area.width) *
                       static_cast<std::size_t>(area.height));
    if (out.samples.empty()) return;
    ForEachRowBand(area.height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const std::size_t off = static_cast<std::size_t>(area.y0 + y) * src.width + area.x0;
            const uint16_t* r = src.plane[0] + off;
            const uint16_t* g = src.plane[1] + off;
            const uint16_t* b = src.plane[2] + off;
            uint16_t* o = out.samples.data() + static_cast<std::size_t>(y) * area.width;
            for (int x = 0; x < area.width; ++x)
                o[x] = static_cast<uint16_t>((static_cast<uint32_t>(r[x]) + g[x] + b[x]) / 3);
        }
    });
}

void ReducePlane(const ComparePlane& in, ComparePlane& out) {
    out.width = in.width / 4;
    out.height = in.height / 4;
    out.samples.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    if (out.samples.empty()) return;
    ForEachRowBand(out.height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint16_t* o = out.samples.data() + static_cast<std::size_t>(y) * out.width;
            for (int x = 0; x < out.width; ++x) {
                uint32_t sum = 0;
                for (int j = 0; j < 4; ++j) {
                    const uint16_t* r = in.row(4 * y + j) + 4 * x;
                    sum += static_cast<uint32_t>(r[0]) + r[1] + r[2] + r[3];
                }
                o[x] = static_cast<uint16_t>(sum / 16);
            }
        }
    });
}

int DisplacementScore(int method, bool full, const ComparePlane& a, const ComparePlane& b, int dx,
                      int dy) {
    if (a.width != b.width || a.height != b.height) return kNoMatch;
    switch (method) {
        case kCompareCorners: return CornerScore(a, b, dx, dy, full ? 256 : 64);
        case kCompareCentre: return CentreScore(a, b, dx, dy, 512, full ? 512 : 128);
        default: return CentreScore(a, b, dx, dy, 1024, full ? 1024 : 256);
    }
}

void TopThree::Offer(int s, Displacement d) {
    if (s < score[0]) {
        score = {s, score[0], score[1]};
        at = {d, at[0], at[1]};
    } else if (s < score[1]) {
        score[2] = score[1];
        at[2] = at[1];
        score[1] = s;
        at[1] = d;
    } else if (s < score[2]) {
        score[2] = s;
        at[2] = d;
    }
}

Displacement ChooseBest(const QuadrantLists& q) {
    int best = kNoMatch;
    Displacement at{};
    for (const TopThree& t : q) {
        if (t.score[0] < best) {
            best = t.score[0];
            at = t.at[0];
        }
    }
    return at;
}

TopThree MergeQuadrants(const QuadrantLists& q) {
    TopThree merged;
    for (const TopThree& t : q)
        for (int k = 0; k < 3; ++k)
            merged.Offer(t.score[static_cast<std::size_t>(k)], t.at[static_cast<std::size_t>(k)]);
    return merged;
}

Displacement ChooseShifted(const TopThree& merged, const std::vector<Displacement>& earlier) {
    Displacement chosen = merged.at[0];
    for (std::size_t j = 0; j < earlier.size(); ++j) {
        if (chosen == earlier[j]) {
            chosen = merged.at[1];
            if (chosen == earlier[j]) chosen = merged.at[2];
        }
        if (j >= 2 && chosen == earlier[j - 1]) chosen = merged.at[2];
    }
    return chosen;
}

SearchWindow Quadrant(const SearchWindow& w, int q) {
    const int mx = (w.x0 + w.x1) / 2, my = (w.y0 + w.y1) / 2;
    const bool right = (q & 1) != 0, upper = (q & 2) != 0;
    return {right ? mx : w.x0, right ? w.x1 : mx, upper ? my : w.y0, upper ? w.y1 : my};
}

std::vector<QuadrantLists> SearchQuadrants(const std::vector<const ComparePlane*>& planes,
                                           const std::vector<SearchWindow>& windows, int method,
                                           bool full, bool skip_zero) {
    std::vector<QuadrantLists> lists(planes.size());
    // One band per quadrant: each writes only its own lists, and the merge order is fixed.
    RunBands(4, [&](int q) {
        for (std::size_t i = 1; i < planes.size(); ++i) {
            const SearchWindow w = Quadrant(windows[i], q);
            TopThree& top = lists[i][static_cast<std::size_t>(q)];
            for (int dy = w.y0; dy <= w.y1; ++dy) {
                for (int dx = w.x0; dx <= w.x1; ++dx) {
                    if (skip_zero && dx == 0 && dy == 0) continue;
                    top.Offer(DisplacementScore(method, full, *planes[0], *planes[i], dx, dy),
                              {dx, dy});
                }
            }
        }
    });
    return lists;
}

std::vector<Displacement> AlignSources(const std::vector<StackSource>& sources, int method,
                                       int range_x, int range_y, bool shift_at_least_one) {
    const std::size_t n = sources.size();
    std::vector<Displacement> result(n);
    if (n < 2) return result;
    method = std::clamp(method, 0, 2);
    range_x = std::max(range_x, 0);
    range_y = std::max(range_y, 0);
    int min_w = sources[0].width, min_h = sources[0].height;
    for (const auto& s : sources) {
        min_w = std::min(min_w, s.width);
        min_h = std::min(min_h, s.height);
    }
    const CompareArea area = ComparisonArea(min_w, min_h);
    std::vector<ComparePlane> full(n);
    for (std::size_t i = 0; i < n; ++i) BuildComparePlane(sources[i], area, full[i]);

    std::vector<Displacement> centre(n);
    const bool coarse = range_x > 4 || range_y > 4;
    if (coarse) {
        std::vector<ComparePlane> reduced(n);
        std::vector<const ComparePlane*> planes(n);
        for (std::size_t i = 0; i < n; ++i) {
            ReducePlane(full[i], reduced[i]);
            planes[i] = &reduced[i];
        }
        const SearchWindow w{-(range_x / 4) - 1, range_x / 4 + 1, -(range_y / 4) - 1,
                             range_y / 4 + 1};
        const std::vector<SearchWindow> windows(n, w);
        centre = BestOfEach(SearchQuadrants(planes, windows, method, false, false));
        for (auto& d : centre) d = {d.dx * 4, d.dy * 4};
    }
    const int r = coarse ? 4 : std::max(range_x, range_y);
    std::vector<SearchWindow> windows(n);
    std::vector<const ComparePlane*> planes(n);
    for (std::size_t i = 0; i < n; ++i) {
        planes[i] = &full[i];
        windows[i] = {centre[i].dx - r, centre[i].dx + r, centre[i].dy - r, centre[i].dy + r};
    }
    const auto lists = SearchQuadrants(planes, windows, method, true, shift_at_least_one);
    if (!shift_at_least_one) return BestOfEach(lists);
    std::vector<Displacement> chosen{Displacement{}};
    for (std::size_t i = 1; i < n; ++i)
        chosen.push_back(ChooseShifted(MergeQuadrants(lists[i]), chosen));
    return chosen;
}

}  // namespace orva
