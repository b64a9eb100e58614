// The status tick riding on the level wakes: it must keep its own rate and
// stay near its due times whatever the wakes do, and never burst after a
// stall.

#include "playback/shared_wake.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

namespace kesto::test {
namespace {

// Wakes at the given times; returns the times the status tick ran.
std::vector<std::int64_t> ride(const std::vector<std::int64_t>& wakes, int period, int wakePeriod) {
    SharedWake shared;
    shared.start(wakes.front() - wakePeriod, period);
    std::vector<std::int64_t> runs;
    for (std::int64_t t : wakes) {
        if (shared.statusRunsAt(t, wakePeriod))
            runs.push_back(t);
    }
    return runs;
}

TEST(PlaybackSharedWake, KeepsTheStatusRateOnSteadyAndJitteredWakes) {
    for (int jitter : {0, 6}) {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> late(0, jitter);
        std::vector<std::int64_t> wakes;
        // A QTimer's wakes come late, never early, and do not drift.
        for (std::int64_t t = 1000; t < 61000; t += 20)
            wakes.push_back(t + late(random));
        const auto runs = ride(wakes, 33, 20);
        // One minute at 33 ms is 1818 ticks, as its own timer would give.
        EXPECT_NEAR(static_cast<double>(runs.size()), 60000.0 / 33, 2) << "jitter " << jitter;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            // Each run is at the wake nearest to its due time.
            const std::int64_t due = 980 + 33 * static_cast<std::int64_t>(i + 1);
            EXPECT_LE(std::abs(runs[i] - due), 10 + jitter) << "run " << i << " jitter " << jitter;
        }
    }
}

TEST(PlaybackSharedWake, OneTickCatchesUpAfterAStall) {
    std::vector<std::int64_t> wakes;
    for (std::int64_t t = 0; t <= 200; t += 20)
        wakes.push_back(t);
    // The UI thread was busy for two seconds.
    for (std::int64_t t = 2200; t <= 2400; t += 20)
        wakes.push_back(t);
    const auto runs = ride(wakes, 33, 20);
    const auto after = std::find(runs.begin(), runs.end(), 2200);
    ASSERT_NE(after, runs.end());
    // Then at its own pace again: 2240 or 2260 next, not every wake.
    ASSERT_NE(after + 1, runs.end());
    EXPECT_GE(*(after + 1) - 2200, 20);
    EXPECT_EQ(std::count_if(runs.begin(), runs.end(), [](auto t) { return t >= 2200; }),
              1 + 200 / 33);
}

TEST(PlaybackSharedWake, ASlowerTickWaitsForTheWakeNearestToIt) {
    // A period that is a whole number of wakes runs on every such wake.
    const std::vector<std::int64_t> wakes{20, 40, 60, 80, 100, 120, 140, 160};
    EXPECT_EQ(ride(wakes, 40, 20), (std::vector<std::int64_t>{40, 80, 120, 160}));
    // Restarted, it counts its period from the restart.
    SharedWake shared;
    shared.start(1000, 33);
    EXPECT_FALSE(shared.statusRunsAt(1020, 20));
    EXPECT_TRUE(shared.statusRunsAt(1030, 20));
}

} // namespace
} // namespace kesto::test
