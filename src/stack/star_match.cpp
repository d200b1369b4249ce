// Matching two star lists: triangles voting for star pairs, the best-supported transform
// from the voted pairs, then least squares on every star that agrees.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "stack/stars.h"

namespace orva {

namespace {

constexpr std::size_t Sz(int v) {
    return static_cast<std::size_t>(v);
}

constexpr int kTriangleStars = 36;         // brightest stars of each list that form triangles
constexpr double kShapeTolerance = 0.006;  // side ratios agreeing this closely match
constexpr double kMinScale = 0.8, kMaxScale = 1.25;
constexpr int kMinAgreeing = 6;
constexpr int kMinVotedAgreeing = 4;   // the two pairs that propose a transform and two more
constexpr double kFinalRadius = 2.0;   // pixels within which a star agrees after the fit
constexpr double kSearchRadius = 3.0;  // looser, while the transform is still rough

struct Point {
    double x, y;
};

// A triangle with its vertices ordered by the length of the opposite side (shortest first):
// shape = (shortest / longest, middle / longest), and the turning sense of that order,
// which a rotation keeps and a mirror reverses.
struct Triangle {
    double r1, r2;
    double longest;
    std::array<int, 3> v;
    bool ccw;
};

std::vector<Point> Brightest(const std::vector<Star>& stars, std::size_t n) {
    std::vector<std::size_t> order(stars.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t l, std::size_t r) { return stars[l].flux > stars[r].flux; });
    order.resize(std::min(n, order.size()));
    std::vector<Point> out;
    for (std::size_t i : order) out.push_back({stars[i].x, stars[i].y});
    return out;
}

std::vector<Triangle> Triangles(const std::vector<Point>& p) {
    std::vector<Triangle> out;
    const int n = static_cast<int>(p.size());
    auto dist = [&](int i, int j) {
        return std::hypot(p[Sz(i)].x - p[Sz(j)].x, p[Sz(i)].y - p[Sz(j)].y);
    };
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            for (int k = j + 1; k < n; ++k) {
                // Each vertex with the side opposite it.
                std::array<std::pair<double, int>, 3> s{
                    {{dist(j, k), i}, {dist(i, k), j}, {dist(i, j), k}}};
                std::sort(s.begin(), s.end());
                const double a = s[0].first, b = s[1].first, c = s[2].first;
                if (c <= 0) continue;
                // Nearly equal sides leave the vertex order to chance, and a nearly flat
                // triangle its turning sense: both would only vote for wrong pairs.
                if (b - a < 3 * kShapeTolerance * c || c - b < 3 * kShapeTolerance * c) continue;
                const Point& A = p[Sz(s[0].second)];
                const Point& B = p[Sz(s[1].second)];
                const Point& C = p[Sz(s[2].second)];
                const double cross = (B.x - A.x) * (C.y - A.y) - (B.y - A.y) * (C.x - A.x);
                if (std::fabs(cross) < 0.05 * c * c) continue;
                out.push_back(
                    {a / c, b / c, c, {s[0].second, s[1].second, s[2].second}, cross > 0});
            }
        }
    }
    return out;
}

// Least-squares similarity carrying from[i] onto to[i].
bool Fit(const std::vector<Point>& from, const std::vector<Point>& to, Similarity& out) {
    const std::size_t n = from.size();
    if (n < 2) return false;
    double fx = 0, fy = 0, tx = 0, ty = 0;
    for (std::size_t i = 0; i < n; ++i) {
        fx += from[i].x;
        fy += from[i].y;
        tx += to[i].x;
        ty += to[i].y;
    }
    fx /= double(n);
    fy /= double(n);
    tx /= double(n);
    ty /= double(n);
    double ss = 0, sa = 0, sb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double dx = from[i].x - fx, dy = from[i].y - fy;
        const double ex = to[i].x - tx, ey = to[i].y - ty;
        ss += dx * dx + dy * dy;
        sa += dx * ex + dy * ey;
        sb += dx * ey - dy * ex;
    }
    if (ss <= 0) return false;
    out.a = sa / ss;
    out.b = sb / ss;
    out.tx = tx - (out.a * fx - out.b * fy);
    out.ty = ty - (out.b * fx + out.a * fy);
    return true;
}

bool ScaleAllowed(const Similarity& t) {
    const double s = t.Scale();
    return s >= kMinScale && s <= kMaxScale;
}

// Reference stars sorted by x, for the nearest one to a place.
class NearestIndex {
public:
    explicit NearestIndex(const std::vector<Point>& pts) : pts_(pts), order_(pts.size()) {
        for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = i;
        std::sort(order_.begin(), order_.end(), [&](std::size_t l, std::size_t r) {
            return pts_[l].x != pts_[r].x ? pts_[l].x < pts_[r].x : l < r;
        });
    }
    // Index of the nearest point within `radius`, or -1; *d2 its squared distance.
    int Nearest(double x, double y, double radius, double* d2) const {
        auto first = std::lower_bound(order_.begin(), order_.end(), x - radius,
                                      [&](std::size_t i, double v) { return pts_[i].x < v; });
        int best = -1;
        double best_d2 = radius * radius;
        for (auto it = first; it != order_.end() && pts_[*it].x <= x + radius; ++it) {
            const double dx = pts_[*it].x - x, dy = pts_[*it].y - y;
            const double d = dx * dx + dy * dy;
            if (d <= best_d2 && (best < 0 || d < best_d2 || int(*it) < best)) {
                best = static_cast<int>(*it);
                best_d2 = d;
            }
        }
        if (d2) *d2 = best_d2;
        return best;
    }

private:
    const std::vector<Point>& pts_;
    std::vector<std::size_t> order_;
};

// Pairs (moving, reference) that agree under t within radius, each reference star used by
// its closest moving star only.
std::vector<std::pair<int, int>> Agreeing(const std::vector<Point>& moving,
                                          const std::vector<Point>& reference,
                                          const NearestIndex& index, const Similarity& t,
                                          double radius, double* sum_d2 = nullptr) {
    std::vector<int> owner(reference.size(), -1);
    std::vector<double> owner_d2(reference.size(), 0);
    for (std::size_t i = 0; i < moving.size(); ++i) {
        double x, y, d2 = 0;
        t.Map(moving[i].x, moving[i].y, x, y);
        const int r = index.Nearest(x, y, radius, &d2);
        if (r < 0) continue;
        if (owner[Sz(r)] < 0 || d2 < owner_d2[Sz(r)]) {
            owner[Sz(r)] = static_cast<int>(i);
            owner_d2[Sz(r)] = d2;
        }
    }
    std::vector<std::pair<int, int>> pairs;
    double sum = 0;
    for (std::size_t r = 0; r < owner.size(); ++r) {
        if (owner[r] < 0) continue;
        pairs.emplace_back(owner[r], static_cast<int>(r));
        sum += owner_d2[r];
    }
    std::sort(pairs.begin(), pairs.end());
    if (sum_d2) *sum_d2 = sum;
    return pairs;
}

Similarity FitPairs(const std::vector<Point>& moving, const std::vector<Point>& reference,
                    const std::vector<std::pair<int, int>>& pairs, const Similarity& fallback) {
    std::vector<Point> from, to;
    for (const auto& [m, r] : pairs) {
        from.push_back(moving[Sz(m)]);
        to.push_back(reference[Sz(r)]);
    }
    Similarity t;
    return Fit(from, to, t) ? t : fallback;
}

void SetError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

}  // namespace

bool MatchStars(const std::vector<Star>& reference, const std::vector<Star>& moving, StarMatch& out,
                std::string* error) {
    out = StarMatch{};
    if (reference.size() < Sz(kMinAgreeing) || moving.size() < Sz(kMinAgreeing)) {
        SetError(error, "too few stars to match: " + std::to_string(moving.size()) +
                            " in the frame, " + std::to_string(reference.size()) +
                            " in the reference (at least " + std::to_string(kMinAgreeing) +
                            " needed)");
        return false;
    }
    const std::vector<Point> ref_top = Brightest(reference, kTriangleStars);
    const std::vector<Point> mov_top = Brightest(moving, kTriangleStars);
    const std::vector<Point> ref_all = Brightest(reference, reference.size());
    const std::vector<Point> mov_all = Brightest(moving, moving.size());

    // Reference triangles binned by shape, so each moving triangle looks only at its
    // neighbourhood.
    const std::vector<Triangle> ref_tris = Triangles(ref_top);
    const std::vector<Triangle> mov_tris = Triangles(mov_top);
    const int bins = static_cast<int>(std::ceil(1.0 / kShapeTolerance)) + 1;
    auto bin_of = [&](double v) {
        return std::clamp(static_cast<int>(v / kShapeTolerance), 0, bins - 1);
    };
    std::vector<int> start(Sz(bins) * Sz(bins) + 1, 0);
    for (const Triangle& t : ref_tris) ++start[Sz(bin_of(t.r2)) * Sz(bins) + Sz(bin_of(t.r1)) + 1];
    for (std::size_t k = 1; k < start.size(); ++k) start[k] += start[k - 1];
    std::vector<int> sorted(ref_tris.size());
    {
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (std::size_t k = 0; k < ref_tris.size(); ++k) {
            const Triangle& t = ref_tris[k];
            const std::size_t b = Sz(bin_of(t.r2)) * Sz(bins) + Sz(bin_of(t.r1));
            sorted[Sz(fill[b]++)] = static_cast<int>(k);
        }
    }

    // Votes[m][r]: how many matching triangles pair moving star m with reference star r.
    const std::size_t nm = mov_top.size(), nr = ref_top.size();
    std::vector<int> votes(nm * nr, 0);
    for (const Triangle& t : mov_tris) {
        const int b1 = bin_of(t.r1), b2 = bin_of(t.r2);
        for (int j = std::max(0, b2 - 1); j <= std::min(bins - 1, b2 + 1); ++j) {
            for (int i = std::max(0, b1 - 1); i <= std::min(bins - 1, b1 + 1); ++i) {
                const std::size_t b = Sz(j) * Sz(bins) + Sz(i);
                for (int k = start[b]; k < start[b + 1]; ++k) {
                    const Triangle& u = ref_tris[Sz(sorted[std::size_t(k)])];
                    if (u.ccw != t.ccw || std::fabs(u.r1 - t.r1) > kShapeTolerance ||
                        std::fabs(u.r2 - t.r2) > kShapeTolerance)
                        continue;
                    const double scale = u.longest / t.longest;
                    if (scale < kMinScale || scale > kMaxScale) continue;
                    for (int v = 0; v < 3; ++v)
                        ++votes[Sz(t.v[std::size_t(v)]) * nr + Sz(u.v[std::size_t(v)])];
                }
            }
        }
    }

    // Candidate pairs: each the other's best-voted partner.
    struct Pair {
        int m, r, votes;
    };
    std::vector<Pair> pairs;
    for (std::size_t m = 0; m < nm; ++m) {
        std::size_t best = 0;
        for (std::size_t r = 1; r < nr; ++r)
            if (votes[m * nr + r] > votes[m * nr + best]) best = r;
        const int v = votes[m * nr + best];
        if (v < 2) continue;
        bool mutual = true;
        for (std::size_t o = 0; o < nm && mutual; ++o)
            if (o != m && (votes[o * nr + best] > v || (votes[o * nr + best] == v && o < m)))
                mutual = false;
        if (mutual) pairs.push_back({int(m), int(best), v});
    }
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const Pair& l, const Pair& r) { return l.votes > r.votes; });
    // Voted pairs that a transform carries onto each other. Chance alignments of unrelated
    // stars happen in crowded fields; chance agreement with several voted pairs does not.
    auto voted_agreeing = [&](const Similarity& t) {
        int n = 0;
        for (const Pair& p : pairs) {
            double x, y;
            t.Map(mov_top[Sz(p.m)].x, mov_top[Sz(p.m)].y, x, y);
            const Point& r = ref_top[Sz(p.r)];
            n += std::hypot(x - r.x, y - r.y) <= kSearchRadius;
        }
        return n;
    };

    // Every two of the best-voted pairs propose a transform; the one most voted pairs, then
    // most stars, agree with wins.
    const std::size_t seeds = std::min<std::size_t>(pairs.size(), 24);
    const NearestIndex ref_index(ref_all);
    Similarity best;
    int best_voted = 0;
    std::size_t best_count = 0;
    double best_d2 = 0;
    for (std::size_t p = 0; p < seeds; ++p) {
        for (std::size_t q = p + 1; q < seeds; ++q) {
            const Point& m1 = mov_top[Sz(pairs[p].m)];
            const Point& m2 = mov_top[Sz(pairs[q].m)];
            if (std::hypot(m1.x - m2.x, m1.y - m2.y) < 10) continue;
            Similarity t;
            if (!Fit({m1, m2}, {ref_top[Sz(pairs[p].r)], ref_top[Sz(pairs[q].r)]}, t) ||
                !ScaleAllowed(t))
                continue;
            const int voted = voted_agreeing(t);
            if (voted < best_voted) continue;
            double d2 = 0;
            const std::size_t count =
                Agreeing(mov_all, ref_all, ref_index, t, kSearchRadius, &d2).size();
            if (voted > best_voted || count > best_count || (count == best_count && d2 < best_d2)) {
                best = t;
                best_voted = voted;
                best_count = count;
                best_d2 = d2;
            }
        }
    }
    if (best_voted < kMinVotedAgreeing || best_count < Sz(kMinAgreeing)) {
        SetError(error, "no star pattern in common with the reference");
        return false;
    }

    // Least squares on the stars that agree with the best proposal, then up to three rounds
    // on every star within the final radius.
    Similarity t = FitPairs(mov_all, ref_all,
                            Agreeing(mov_all, ref_all, ref_index, best, kSearchRadius), best);
    std::vector<std::pair<int, int>> agree;
    for (int round = 0; round < 3; ++round) {
        agree = Agreeing(mov_all, ref_all, ref_index, t, kFinalRadius);
        if (agree.size() < Sz(kMinAgreeing)) break;
        t = FitPairs(mov_all, ref_all, agree, t);
    }
    agree = Agreeing(mov_all, ref_all, ref_index, t, kFinalRadius);
    if (agree.size() < Sz(kMinAgreeing)) {
        SetError(error, "only " + std::to_string(agree.size()) +
                            " stars agree with the reference (at least " +
                            std::to_string(kMinAgreeing) + " needed)");
        return false;
    }
    if (!ScaleAllowed(t) || voted_agreeing(t) < kMinVotedAgreeing) {
        SetError(error, "no star pattern in common with the reference");
        return false;
    }
    double sum = 0;
    for (const auto& [m, r] : agree) {
        double x, y;
        t.Map(mov_all[Sz(m)].x, mov_all[Sz(m)].y, x, y);
        sum += (x - ref_all[Sz(r)].x) * (x - ref_all[Sz(r)].x) +
               (y - ref_all[Sz(r)].y) * (y - ref_all[Sz(r)].y);
    }
    out.transform = t;
    out.matched = static_cast<int>(agree.size());
    out.rms = std::sqrt(sum / double(agree.size()));
    return true;
}

}  // namespace orva
