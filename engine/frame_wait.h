// The wait between frames, decided from measured times so that it holds its
// interval whatever the system's timer does. A sleep may wake late: by up to
// a whole timer tick (15.6 ms by default on Windows) when the system timer
// is coarse, by a fraction of a millisecond with a high-resolution timer.
// The wait remembers how late its recent sleeps woke, sleeps only while more
// than that remains, and leaves the rest to a short spin.
#pragma once

#include <cstdint>

constexpr uint32_t FRAME_WAIT_SAMPLES = 16;
// Sleeps are ended this long before the deadline at the latest; the spin
// takes over from there.
constexpr uint32_t FRAME_WAIT_MARGIN_US = 300;
// No single sleep is longer, so that the worker looks at its flags and the
// Escape key at least this often.
constexpr uint32_t FRAME_WAIT_LONGEST_SLEEP_US = 16000;
// A wake later than this is the scheduler's doing, not the timer's: spinning
// would not have avoided it, so it is not learned from.
constexpr uint32_t FRAME_WAIT_MOST_LATE_US = 20000;

struct FrameWaitLateness {
    uint32_t recentUs[FRAME_WAIT_SAMPLES];  // how late the last sleeps woke
    uint32_t count;                         // samples held
    uint32_t next;                          // slot of the next sample
    uint32_t assumedUs;                     // lateness assumed before any sleep was measured
};

// Starts with no samples, assuming sleeps wake up to assumedUs late.
void FrameWaitBegin(FrameWaitLateness* lateness, uint32_t assumedUs);

// How long to sleep when remainingUs of the interval remain: at most the
// longest sleep, and only so long that even the latest recent wake comes
// before the deadline. 0 means: do not sleep, spin.
uint32_t FrameWaitSleepUs(const FrameWaitLateness* lateness, uint64_t remainingUs);

// Learns from one sleep that was asked for askedUs and took tookUs.
void FrameWaitMeasured(FrameWaitLateness* lateness, uint64_t askedUs, uint64_t tookUs);
