// Frame pacing on a fake microsecond clock: the rule never lets frames start faster than the
// display refreshes, waits out the rest of a period, and never waits when the frame is late.
#include "platform/os/pacing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Runs a loop for durationUs: wait as the pacer says, start a frame, spend costUs[i % n] on it.
// Returns the start times of the frames.
std::vector<uint64_t> simulate(int hz, const std::vector<uint64_t>& costUs, uint64_t durationUs, uint64_t* totalWaitUs)
{
    FramePacer pacer;
    pacerSetRefreshRate(pacer, hz);
    std::vector<uint64_t> starts;
    uint64_t now = 1000;  // the clock does not start at zero
    *totalWaitUs = 0;
    for (size_t i = 0; now < durationUs; ++i) {
        uint64_t wait = pacerWaitUs(pacer, now);
        *totalWaitUs += wait;
        now += wait;
        pacerFrameStarted(pacer, now);
        starts.push_back(now);
        now += costUs[i % costUs.size()];
    }
    return starts;
}

}  // namespace

TEST(FramePacing, CheapFramesAreHeldToTheRefreshRate)
{
    uint64_t waited = 0;
    // Frames that cost 1 ms at 60 Hz: one second holds at most 61 frame starts and the loop
    // sleeps the remaining ~15.7 ms of every period.
    std::vector<uint64_t> starts = simulate(60, {1000}, 1000000, &waited);
    EXPECT_LE(starts.size(), 61u);
    EXPECT_GE(starts.size(), 59u);
    for (size_t i = 1; i < starts.size(); ++i) EXPECT_GE(starts[i] - starts[i - 1], 16666u) << i;
    EXPECT_GT(waited, 59u * 15000u);
    // A 144 Hz display gets 144 frames a second.
    starts = simulate(144, {500}, 1000000, &waited);
    EXPECT_LE(starts.size(), 145u);
    EXPECT_GE(starts.size(), 143u);
}

TEST(FramePacing, LateFramesDoNotWaitAndAreNotMadeUpWithABurst)
{
    FramePacer pacer;
    pacerSetRefreshRate(pacer, 60);
    pacerFrameStarted(pacer, 0);
    // The next frame is ready 40 ms later (a slow frame): no wait at all.
    EXPECT_EQ(pacerWaitUs(pacer, 40000), 0u);
    pacerFrameStarted(pacer, 40000);
    // The cadence restarts from the late frame: the one after it waits a whole period again
    // instead of starting at once to catch up.
    EXPECT_EQ(pacerWaitUs(pacer, 41000), 40000u + 16666u - 41000u);
    // A frame a little late (within a period) keeps the cadence.
    pacerFrameStarted(pacer, 40000 + 16666 + 2000);
    EXPECT_EQ(pacerWaitUs(pacer, 40000 + 16666 + 3000), 40000u + 2 * 16666u - (40000u + 16666u + 3000u));
}

TEST(FramePacing, MixedFrameCostsNeverExceedTheRefreshRateInAnyWindow)
{
    uint64_t waited = 0;
    // Costs from almost nothing to three periods; in any one-second window there are never
    // more than 61 starts.
    std::vector<uint64_t> starts = simulate(60, {100, 30000, 2000, 16000, 50000, 17000, 5}, 5000000, &waited);
    for (size_t i = 0; i < starts.size(); ++i) {
        size_t n = 0;
        for (size_t j = i; j < starts.size() && starts[j] < starts[i] + 1000000; ++j) n++;
        EXPECT_LE(n, 61u) << "window starting at frame " << i;
    }
}

TEST(FramePacing, UnknownOrOddRefreshRates)
{
    FramePacer pacer;
    pacerSetRefreshRate(pacer, 0);  // unknown: 60 Hz
    EXPECT_EQ(pacer.periodUs, 16666u);
    pacerSetRefreshRate(pacer, -5);
    EXPECT_EQ(pacer.periodUs, 16666u);
    pacerSetRefreshRate(pacer, 1);  // absurdly low: held at 24 Hz
    EXPECT_EQ(pacer.periodUs, 41666u);
    pacerSetRefreshRate(pacer, 100000);
    EXPECT_EQ(pacer.periodUs, 1000u);
    // Before the first frame nothing waits.
    FramePacer fresh;
    EXPECT_EQ(pacerWaitUs(fresh, 123456), 0u);
}

TEST(FramePacing, AnIdleWindowDropsToTheIdleRateAndTheFirstInputRestoresTheFullRate)
{
    FramePacer pacer;
    pacerSetRefreshRate(pacer, 60);
    uint64_t now = 5000;
    std::vector<uint64_t> starts;
    auto frame = [&] {
        now += pacerWaitUs(pacer, now);
        pacerFrameStarted(pacer, now);
        starts.push_back(now);
        now += 1000;
    };
    // Ten seconds without input: full rate for the first three, the idle rate after.
    while (now < 5000 + 10000000) frame();
    int early = 0, late = 0;
    for (size_t i = 1; i < starts.size(); ++i) {
        uint64_t t = starts[i] - 5000;
        if (t < PACING_IDLE_AFTER_US) {
            ++early;
            EXPECT_GE(starts[i] - starts[i - 1], 16666u) << i;
        } else if (t > PACING_IDLE_AFTER_US + 100000) {
            ++late;
            EXPECT_GE(starts[i] - starts[i - 1], 1000000u / PACING_IDLE_HZ) << i;
        }
    }
    EXPECT_GE(early, 175);
    EXPECT_LE(late, 7 * PACING_IDLE_HZ);
    EXPECT_GE(late, 6 * PACING_IDLE_HZ);
    // Input arrives just after an idle frame started: the next frame is due one refresh period
    // after that start, not a whole idle period, and the full rate stays.
    uint64_t last = starts.back();
    pacerInputSeen(pacer, now);
    EXPECT_EQ(pacerWaitUs(pacer, now), last + 16666u - now);
    size_t before = starts.size();
    uint64_t until = now + 2000000;
    while (now < until) frame();
    EXPECT_GE(starts.size() - before, 118u);
    for (size_t i = before + 1; i < starts.size(); ++i) EXPECT_LT(starts[i] - starts[i - 1], 20000u) << i;
    // A display slower than the idle rate keeps its own rate.
    pacerSetRefreshRate(pacer, 24);
    EXPECT_EQ(pacerActivePeriodUs(pacer, now + PACING_IDLE_AFTER_US * 2), 41666u);
}

TEST(FramePacing, AScreenMaySlowItsIdleFramesButNeverSpeedThemUp)
{
    FramePacer pacer;
    pacerSetRefreshRate(pacer, 60);
    pacerFrameStarted(pacer, 1000);
    const uint64_t idle = 1000 + PACING_IDLE_AFTER_US + 1;
    pacerSetIdleRate(pacer, 10);
    EXPECT_EQ(pacerActivePeriodUs(pacer, idle), 100000u);
    EXPECT_EQ(pacerActivePeriodUs(pacer, 2000), 16666u);  // not idle yet: the display's rate
    pacerSetIdleRate(pacer, 1);
    EXPECT_EQ(pacerActivePeriodUs(pacer, idle), 1000000u / PACING_MIN_IDLE_HZ);
    pacerSetIdleRate(pacer, 50);
    EXPECT_EQ(pacerActivePeriodUs(pacer, idle), 1000000u / PACING_IDLE_HZ);
    pacerSetIdleRate(pacer, 0);
    EXPECT_EQ(pacerActivePeriodUs(pacer, idle), 1000000u / PACING_IDLE_HZ);
    // The first input brings the full rate back at once at the slow rate too.
    pacerSetIdleRate(pacer, 10);
    pacerFrameStarted(pacer, idle);
    EXPECT_EQ(pacerWaitUs(pacer, idle + 1000), 100000u - 1000u);
    pacerInputSeen(pacer, idle + 1000);
    EXPECT_EQ(pacerWaitUs(pacer, idle + 1000), 16666u - 1000u);
}
