// Banded work must give the same bytes whatever the number of threads.
#pragma once

#include <gtest/gtest.h>

#include "common/parallel.h"

namespace orva::testing {

// Runs `run` with one thread and with several; the results must be equal. Returns the
// one-thread result and leaves the pool at the machine's default.
template <typename Run>
auto ExpectSameForAnyThreadCount(Run run, std::initializer_list<int> counts = {2, 3, 8}) {
    SetThreadCount(1);
    const auto one = run();
    for (const int threads : counts) {
        SetThreadCount(threads);
        EXPECT_TRUE(run() == one) << threads << " threads";
    }
    SetThreadCount(0);
    return one;
}

}  // namespace orva::testing
