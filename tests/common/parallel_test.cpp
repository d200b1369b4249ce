#include "common/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

namespace orva {
namespace {

// Every test leaves the pool at the machine's default.
class ParallelTest : public ::testing::Test {
protected:
    void TearDown() override { SetThreadCount(0); }
};

const int kHeights[] = {0, 1, 15, 16, 17, 1000, 4001};

TEST_F(ParallelTest, BandCountsFollowTheHeightAlone) {
    const std::pair<int, int> counts[] = {{-3, 0}, {0, 0},     {1, 1},     {16, 1},
                                          {17, 2}, {1000, 63}, {1024, 64}, {4001, 64}};
    for (const auto& [height, bands] : counts) EXPECT_EQ(RowBandCount(height), bands) << height;
    EXPECT_EQ(BandStart(10, 1, 3), 3);
    EXPECT_EQ(BandStart(10, 2, 3), 6);
    EXPECT_EQ(BandStart(10, 3, 3), 10);
}

// The bands follow the height alone, whatever the thread count: callers that keep one partial
// result per band and combine them in band order get bit-identical results.
TEST_F(ParallelTest, EveryRowIsVisitedOnceInBandsThatFollowTheHeightAlone) {
    for (int threads : {1, 2, 7}) {
        SetThreadCount(threads);
        for (int height : kHeights) {
            const int count = RowBandCount(height);
            std::vector<std::atomic<int>> visits(static_cast<std::size_t>(height));
            std::vector<std::pair<int, int>> bounds(static_cast<std::size_t>(count)), expect;
            std::atomic<int> calls{0};
            ForEachRowBand(height, [&](int y0, int y1) {
                ++calls;
                int band = 0;
                while (band + 1 < count && BandStart(height, band + 1, count) <= y0) ++band;
                bounds[static_cast<std::size_t>(band)] = {y0, y1};
                for (int y = y0; y < y1; ++y) ++visits[static_cast<std::size_t>(y)];
            });
            for (int y = 0; y < height; ++y) {
                ASSERT_EQ(visits[static_cast<std::size_t>(y)].load(), 1)
                    << "height " << height << " row " << y << " threads " << threads;
            }
            EXPECT_EQ(calls.load(), count) << height;
            for (int band = 0; band < count; ++band)
                expect.emplace_back(BandStart(height, band, count),
                                    BandStart(height, band + 1, count));
            EXPECT_EQ(bounds, expect) << height << " with " << threads;
        }
        int calls = 0;
        RunBands(0, [&](int) { ++calls; });
        RunBands(-2, [&](int) { ++calls; });
        EXPECT_EQ(calls, 0);
    }
}

TEST_F(ParallelTest, NestedCallsRunSeriallyInsideTheirBand) {
    SetThreadCount(4);
    constexpr int kOuter = 8, kInner = 5;
    std::vector<std::atomic<int>> runs(kOuter * kInner);
    std::atomic<int> strays{0};
    RunBands(kOuter, [&](int outer) {
        const auto self = std::this_thread::get_id();
        RunBands(kInner, [&](int inner) {
            if (std::this_thread::get_id() != self) ++strays;
            ++runs[static_cast<std::size_t>(outer * kInner + inner)];
        });
    });
    for (const auto& r : runs) EXPECT_EQ(r.load(), 1);
    EXPECT_EQ(strays.load(), 0);
}

TEST_F(ParallelTest, ManySmallJobsInARowAllFinishAndWorkersTakeBands) {
    // A lost wake-up or a worker touching the previous job's counter hangs or miscounts here;
    // a pool gone serial never runs a band on another thread.
    const auto caller = std::this_thread::get_id();
    for (int threads : {2, 7}) {
        SetThreadCount(threads);
        std::atomic<long> total{0};
        std::atomic<bool> elsewhere{false};
        long expected = 0;
        for (int job = 0; job < 10000; ++job) {
            const int count = 1 + job % 4;
            expected += count * (count + 1) / 2;
            RunBands(count, [&](int band) {
                if (band == 0) std::this_thread::yield();  // let workers take some bands
                if (std::this_thread::get_id() != caller) elsewhere = true;
                total += band + 1;
            });
        }
        EXPECT_EQ(total.load(), expected) << threads;
        EXPECT_TRUE(elsewhere) << threads;
    }
}

TEST_F(ParallelTest, JobsFromSeveralThreadsQueueUp) {
    SetThreadCount(3);
    std::atomic<long> total{0};
    std::vector<std::thread> submitters;
    for (int t = 0; t < 3; ++t) {
        submitters.emplace_back([&] {
            for (int job = 0; job < 500; ++job) {
                ForEachRowBand(40, [&](int y0, int y1) { total += y1 - y0; });
            }
        });
    }
    for (auto& s : submitters) s.join();
    EXPECT_EQ(total.load(), 3L * 500 * 40);
}

}  // namespace
}  // namespace orva
