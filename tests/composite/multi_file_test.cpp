#include "composite/multi_file.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace orva {
namespace {

using Groups = std::vector<std::vector<int>>;

// One row per way of dealing the files out (numbered from 1, as users count them): one group up
// to four, then two, three and four groups, with the odd file going to the first groups.
TEST(CompositeMultiFile, GroupingTable) {
    const std::pair<int, Groups> cases[] = {
        {4, {{1, 2, 3, 4}}},
        {5, {{1, 3, 5}, {2, 3, 4}}},
        {7, {{1, 3, 5, 7}, {2, 4, 6}}},
        {9, {{1, 4, 7}, {2, 5, 8}, {3, 6, 9}}},
        {11, {{1, 4, 7, 10}, {2, 5, 8, 11}, {3, 6, 9}}},
        {15, {{1, 5, 9, 13}, {2, 6, 10, 14}, {3, 7, 11, 15}, {4, 8, 12}}},
    };
    for (const auto& [n, want] : cases) {
        Groups got = GroupFiles(n);
        for (auto& g : got)
            for (int& f : g) ++f;
        EXPECT_EQ(got, want) << n << " files";
    }
    EXPECT_TRUE(GroupFiles(0).empty());
    EXPECT_TRUE(GroupFiles(17).empty());
}

}  // namespace
}  // namespace orva
