// The worker's wait between frames played on a simulated clock, so that its
// rule can be judged against timers Wine does not have: sleeps that wake on
// the ticks of a coarse system timer, late by up to a whole tick. Each frame
// takes a fixed time of work, then waits pass by pass until its interval has
// passed, as the recording and playback threads do; a pass that does not
// sleep spins for a fixed short time.
#pragma once

#include <cstdint>

#include "frame_wait.h"

struct SimulatedTimer {
    uint64_t tickUs;      // a sleep wakes on the first tick after it is due; 0: no ticks
    uint64_t lateUs;      // and this much later again
    uint32_t stallEvery;  // every this many sleeps (0: never) wake stallUs later still,
    uint64_t stallUs;     // as when the scheduler runs something else
};

enum SimulatedRule {
    WAIT_MEASURED_SLEEP,  // FrameWaitSleepUs, rounded down to whole milliseconds as for Sleep
    WAIT_MEASURED_TIMER,  // FrameWaitSleepUs as it is, as for a waitable timer
    WAIT_ONE_MS_SLEEPS,   // sleep 1 ms while more than 2 ms remain (the rule before measuring)
};

struct SimulatedRun {
    double framesPerSecond;
    double spinUsPerFrame;
    uint64_t longestSleepUs;  // the longest sleep asked for
    uint32_t stalls;
};

const uint64_t SIMULATED_SPIN_PASS_US = 20;

inline SimulatedRun SimulateFrames(SimulatedTimer timer, SimulatedRule rule, uint32_t intervalMs,
                                   uint64_t workUs, uint32_t frames) {
    SimulatedRun run = {};
    FrameWaitLateness lateness;
    FrameWaitBegin(&lateness, rule == WAIT_MEASURED_TIMER ? 1000 : 16000);
    uint64_t now = 0, spun = 0, intervalUs = intervalMs * 1000ull;
    uint32_t sleeps = 0;
    for (uint32_t frame = 0; frame < frames; frame++) {
        uint64_t start = now;
        now += workUs;
        while (now - start < intervalUs) {
            uint64_t remaining = intervalUs - (now - start);
            uint64_t asked = 0;
            if (rule == WAIT_ONE_MS_SLEEPS)
                asked = remaining > 2000 ? 1000 : 0;
            else
                asked = FrameWaitSleepUs(&lateness, remaining);
            if (rule == WAIT_MEASURED_SLEEP) asked = asked / 1000 * 1000;
            if (asked == 0) {
                now += SIMULATED_SPIN_PASS_US;
                spun += SIMULATED_SPIN_PASS_US;
                continue;
            }
            if (asked > run.longestSleepUs) run.longestSleepUs = asked;
            uint64_t wake = now + asked;
            if (timer.tickUs) wake = (wake / timer.tickUs + 1) * timer.tickUs;
            wake += timer.lateUs;
            sleeps++;
            if (timer.stallEvery && sleeps % timer.stallEvery == 0) {
                wake += timer.stallUs;
                run.stalls++;
            }
            if (rule != WAIT_ONE_MS_SLEEPS) FrameWaitMeasured(&lateness, asked, wake - now);
            now = wake;
        }
    }
    run.framesPerSecond = frames * 1e6 / static_cast<double>(now);
    run.spinUsPerFrame = static_cast<double>(spun) / frames;
    return run;
}
