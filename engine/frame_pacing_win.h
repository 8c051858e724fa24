// Frame pacing for the worker threads: a high-resolution clock and a short
// rest for the wait between frames. A worker waits for its frame interval in
// its own loop (testing Escape and its flags on every pass) and calls
// FramePacingRest on each pass: the rest sleeps while more than a couple of
// milliseconds remain and only yields near the end, so a waiting worker uses
// next to no processor time yet takes its frame within a millisecond or so.
#pragma once

#include <cstdint>

struct FramePacing {
    int64_t frequency;    // counter ticks per second
    uint8_t timerRaised;  // the system timer runs at 1 ms for this worker
};

// Reads the counter frequency and raises the system timer resolution to 1 ms
// for the length of one worker run. Returns 1, or 0 when the machine has no
// high-resolution counter (nothing is then raised).
int FramePacingBegin(FramePacing* pacing);

// Restores the timer resolution raised by FramePacingBegin. Safe to call on a
// record that Begin refused or that already ended.
void FramePacingEnd(FramePacing* pacing);

// The counter now, as a start mark for FramePacingElapsedMs.
int64_t FramePacingMark();

// Milliseconds since mark: (now - mark) x 1000 / frequency in 64-bit signed
// arithmetic, low 32 bits kept.
uint32_t FramePacingElapsedMs(const FramePacing* pacing, int64_t mark);

// One pass's rest while waiting for intervalMs to pass, elapsedMs of it gone:
// sleeps about 1 ms while more than FRAME_PACING_SPIN_MS remain (more than a
// whole system timer tick when the resolution could not be raised), otherwise
// yields the processor. Returns at once when the interval has passed.
constexpr uint32_t FRAME_PACING_SPIN_MS = 2;
void FramePacingRest(const FramePacing* pacing, uint32_t elapsedMs, uint32_t intervalMs);
