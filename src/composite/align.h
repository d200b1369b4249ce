// Automatic alignment: how far each picture of a stack lies from the first one.
//
// The pictures are compared on one rectangle (the middle three quarters of the smallest
// picture) turned into brightness planes. A displacement (dx, dy) puts sample (x - dx,
// y - dy) of a candidate on sample (x, y) of the reference; a lower score is a better match.
// Scores use whole-number arithmetic with truncating divisions, each difference shrunk before
// squaring. A coarse search on planes reduced by 4 runs first for ranges above 4, then a
// refinement of +-4 at full size. Each search window is cut into four quadrants that are
// searched independently (through the parallel helper) and whose best candidates are merged
// in quadrant order; the quadrants decide which of equal scores wins, so the result never
// depends on the thread count.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "composite/stack_source.h"

namespace orva {

inline constexpr int kNoMatch = 0x7F000000;  // score of a displacement without enough overlap

struct Displacement {
    int dx = 0, dy = 0;
    bool operator==(const Displacement&) const = default;
};

// Comparison methods: centre and corners, centre only, all pixels of a larger centre block.
enum CompareMethod { kCompareCorners = 0, kCompareCentre = 1, kCompareLarge = 2 };

// A brightness plane, rows bottom first like every plane.
struct ComparePlane {
    std::vector<uint16_t> samples;
    int width = 0, height = 0;
    const uint16_t* row(int y) const {
        return samples.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    }
};

// The rectangle compared in every picture: [x0, x0 + width) x [y0, y0 + height).
struct CompareArea {
    int x0 = 0, y0 = 0, width = 0, height = 0;
};
CompareArea ComparisonArea(int min_width, int min_height);

// (R + G + B) / 3 over the area; and the plane shrunk by 4, each sample a 4 x 4 block mean.
void BuildComparePlane(const StackSource& src, const CompareArea& area, ComparePlane& out);
void ReducePlane(const ComparePlane& in, ComparePlane& out);

// The score of displacement (dx, dy) of `b` against `a` (same size). `full` selects the
// block sizes of the full-size search, otherwise those of the reduced one.
int DisplacementScore(int method, bool full, const ComparePlane& a, const ComparePlane& b, int dx,
                      int dy);

// The three lowest scores offered so far, best first. Only a strictly lower score displaces
// an entry, so of equal scores the one offered first stays ahead.
struct TopThree {
    std::array<int, 3> score{kNoMatch, kNoMatch, kNoMatch};
    std::array<Displacement, 3> at{};
    void Offer(int s, Displacement d);
};

// The four quadrant lists of one picture.
using QuadrantLists = std::array<TopThree, 4>;

// The best of the quadrants' bests, quadrant 0 first, a later one only when strictly lower;
// (0, 0) when no quadrant found any overlap.
Displacement ChooseBest(const QuadrantLists& q);

// The quadrants' lists merged into one (quadrant 0 to 3, each best first).
TopThree MergeQuadrants(const QuadrantLists& q);

// Choice when the pictures must be shifted by at least one pixel against each other: the
// merged best, moved to the second or third candidate when it repeats the displacement of an
// earlier picture. `earlier` holds the displacements already chosen, the reference's (0, 0)
// first.
Displacement ChooseShifted(const TopThree& merged, const std::vector<Displacement>& earlier);

// Window of one search, inclusive bounds.
struct SearchWindow {
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
};
// Quadrant q (0..3) of a window: split at the midpoints, which both halves include.
SearchWindow Quadrant(const SearchWindow& w, int q);

// Runs the four quadrant searches: planes[0] is the reference, windows[i] belongs to
// planes[i] (windows[0] is unused). `skip_zero` leaves out displacement (0, 0).
std::vector<QuadrantLists> SearchQuadrants(const std::vector<const ComparePlane*>& planes,
                                           const std::vector<SearchWindow>& windows, int method,
                                           bool full, bool skip_zero);

// The whole search over the sources (the first is the reference and gets (0, 0)).
std::vector<Displacement> AlignSources(const std::vector<StackSource>& sources, int method,
                                       int range_x, int range_y, bool shift_at_least_one);

}  // namespace orva
