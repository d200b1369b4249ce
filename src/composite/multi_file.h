// Multi-file stacking: how up to sixteen files are dealt out into groups that are stacked
// one by one before the group results are stacked together.
#pragma once

#include <vector>

namespace orva {

inline constexpr int kMultiFileMax = 16;

// The groups of file numbers (0-based, in list order) for n files: one group of all files
// for 1 to 4; dealt in turn to two groups for 5 to 8, three for 9 to 11 and four for 12 to
// 16. Five files give {0, 2, 4} and {1, 2, 3}, so that both groups have three pictures.
// Empty for n < 1 or n > 16.
std::vector<std::vector<int>> GroupFiles(int n);

}  // namespace orva
