#include "composite/multi_file.h"

namespace orva {

std::vector<std::vector<int>> GroupFiles(int n) {
    if (n < 1 || n > kMultiFileMax) return {};
    if (n <= 4) {
        std::vector<int> all;
        for (int i = 0; i < n; ++i) all.push_back(i);
        return {all};
    }
    if (n == 5) return {{0, 2, 4}, {1, 2, 3}};
    const int groups = n <= 8 ? 2 : n <= 11 ? 3 : 4;
    std::vector<std::vector<int>> out(static_cast<std::size_t>(groups));
    for (int i = 0; i < n; ++i) out[static_cast<std::size_t>(i % groups)].push_back(i);
    return out;
}

}  // namespace orva
