#include "composite/multi_file.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

using Groups = std::vector<std::vector<int>>;

// The table with files numbered from 1, as users count them.
const Groups& Expected(int n) {
    static const std::vector<Groups> table = {
        {},
        {{1}},
        {{1, 2}},
        {{1, 2, 3}},
        {{1, 2, 3, 4}},
        {{1, 3, 5}, {2, 3, 4}},
        {{1, 3, 5}, {2, 4, 6}},
        {{1, 3, 5, 7}, {2, 4, 6}},
        {{1, 3, 5, 7}, {2, 4, 6, 8}},
        {{1, 4, 7}, {2, 5, 8}, {3, 6, 9}},
        {{1, 4, 7, 10}, {2, 5, 8}, {3, 6, 9}},
        {{1, 4, 7, 10}, {2, 5, 8, 11}, {3, 6, 9}},
        {{1, 5, 9}, {2, 6, 10}, {3, 7, 11}, {4, 8, 12}},
        {{1, 5, 9, 13}, {2, 6, 10}, {3, 7, 11}, {4, 8, 12}},
        {{1, 5, 9, 13}, {2, 6, 10, 14}, {3, 7, 11}, {4, 8, 12}},
        {{1, 5, 9, 13}, {2, 6, 10, 14}, {3, 7, 11, 15}, {4, 8, 12}},
        {{1, 5, 9, 13}, {2, 6, 10, 14}, {3, 7, 11, 15}, {4, 8, 12, 16}},
    };
    return table[static_cast<std::size_t>(n)];
}

TEST(CompositeMultiFile, GroupingTableForOneToSixteenFiles) {
    for (int n = 1; n <= 16; ++n) {
        Groups got = GroupFiles(n);
        for (auto& g : got)
            for (int& f : g) ++f;
        EXPECT_EQ(got, Expected(n)) << n << " files";
    }
    EXPECT_TRUE(GroupFiles(0).empty());
    EXPECT_TRUE(GroupFiles(17).empty());
}

}  // namespace
}  // namespace orva
