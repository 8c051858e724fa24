// The wait between frames on simulated timers: it holds a 30 fps interval
// whether sleeps wake on a coarse 15.6 ms tick, a 1 ms tick or a precise
// timer, spins only for what the timer cannot do, and shrugs off a rare wake
// that the scheduler made late.
#include <gtest/gtest.h>

#include "frame_wait_simulation.h"

namespace {

const uint32_t INTERVAL_MS = 33;  // 30 frames per second
const double INTERVALS_PER_SECOND = 1000.0 / INTERVAL_MS;
const uint64_t WORK_US = 5000;
const uint32_t FRAMES = 600;

TEST(FrameWait, HoldsTheIntervalAndSpinsOnlyWhatTheTimerCannotDo) {
    const struct {
        const char* what;
        SimulatedTimer timer;
        SimulatedRule rule;
        double mostSpinUs;  // per frame
    } cases[] = {
        // Windows' default tick, as when the raised resolution is withheld.
        {"Sleep on a 15.625 ms tick", {15625, 0, 0, 0}, WAIT_MEASURED_SLEEP, 17000},
        {"Sleep on a 1 ms tick", {1000, 0, 0, 0}, WAIT_MEASURED_SLEEP, 2500},
        {"precise timer 60 us late", {0, 60, 0, 0}, WAIT_MEASURED_TIMER, 1000},
        // Stalls longer than any tick are not learned from; a stall within
        // a tick raises the spin only for the next sixteen sleeps.
        {"precise timer, stalls of 40 ms", {0, 60, 50, 40000}, WAIT_MEASURED_TIMER, 1000},
        {"precise timer, stalls of 8 ms", {0, 60, 200, 8000}, WAIT_MEASURED_TIMER, 3000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimulatedRun run = SimulateFrames(c.timer, c.rule, INTERVAL_MS, WORK_US, FRAMES);
        EXPECT_LE(run.framesPerSecond, INTERVALS_PER_SECOND);
        // Stalls cost what they cost; the waits themselves lose under 1%.
        double seconds = FRAMES / INTERVALS_PER_SECOND * 1.01 + run.stalls * c.timer.stallUs / 1e6;
        EXPECT_GE(run.framesPerSecond, FRAMES / seconds);
        EXPECT_LE(run.spinUsPerFrame, c.mostSpinUs);
        EXPECT_LE(run.longestSleepUs, FRAME_WAIT_LONGEST_SLEEP_US);
    }
}

TEST(FrameWait, LongIntervalsAreSleptInStepsAndShortOnesAreSpun) {
    SimulatedRun slow = SimulateFrames({15625, 0, 0, 0}, WAIT_MEASURED_SLEEP, 500, WORK_US, 20);
    EXPECT_LE(slow.longestSleepUs, FRAME_WAIT_LONGEST_SLEEP_US);
    EXPECT_GE(slow.framesPerSecond, 2.0 * 0.99);

    FrameWaitLateness lateness;
    FrameWaitBegin(&lateness, 1000);
    EXPECT_EQ(FrameWaitSleepUs(&lateness, 1000 + FRAME_WAIT_MARGIN_US), 0u);
    EXPECT_EQ(FrameWaitSleepUs(&lateness, 5000), 5000u - 1000 - FRAME_WAIT_MARGIN_US);
    // Measured wakes replace the assumption: one 3 ms late reserves 3 ms.
    FrameWaitMeasured(&lateness, 2000, 5000);
    EXPECT_EQ(FrameWaitSleepUs(&lateness, 5000), 5000u - 3000 - FRAME_WAIT_MARGIN_US);
    // It is forgotten once sixteen later sleeps woke on time.
    for (uint32_t i = 0; i < FRAME_WAIT_SAMPLES; i++) FrameWaitMeasured(&lateness, 2000, 2100);
    EXPECT_EQ(FrameWaitSleepUs(&lateness, 5000), 5000u - 100 - FRAME_WAIT_MARGIN_US);
    EXPECT_EQ(FrameWaitSleepUs(&lateness, 1000000), FRAME_WAIT_LONGEST_SLEEP_US);
}

}  // namespace
