// Frame pacing for the worker threads: a high-resolution clock and the rest
// taken on each pass of the wait between frames. A worker waits for its frame
// interval in its own loop (testing Escape and its flags on every pass) and
// calls FramePacingRest on each pass. The rest sleeps on a high-resolution
// waitable timer where the system has one; elsewhere it sleeps with Sleep,
// which may last a whole timer tick whatever resolution was asked for. Either
// way it measures how late its sleeps wake (frame_wait.h), sleeps only while
// more than that remains, and spins for the rest, so that a waiting worker
// uses little processor time yet takes its frame within a millisecond.
#pragma once

#include <cstdint>

#include "frame_wait.h"

struct FramePacing {
    int64_t frequency;    // counter ticks per second
    void* timer;          // high-resolution waitable timer (HANDLE), or null
    uint8_t timerRaised;  // without that timer: the system timer was asked for 1 ms
    FrameWaitLateness lateness;
};

// 1 (the default) lets FramePacingBegin use a high-resolution timer where the
// system offers one; 0 makes it take the Sleep fallback, as on a system
// without one. Read when a worker starts.
extern uint8_t framePacingHighResolutionTimerAllowed;

// Reads the counter frequency and prepares the waits of one worker run: the
// high-resolution timer, or else a 1 ms system timer resolution. Returns 1,
// or 0 when the machine has no high-resolution counter (nothing is then held).
int FramePacingBegin(FramePacing* pacing);

// Releases what FramePacingBegin took. Safe on a record that Begin refused or
// that already ended.
void FramePacingEnd(FramePacing* pacing);

// The counter now, as a start mark for FramePacingElapsedMs.
int64_t FramePacingMark();

// Milliseconds since mark: (now - mark) x 1000 / frequency in 64-bit signed
// arithmetic, low 32 bits kept.
uint32_t FramePacingElapsedMs(const FramePacing* pacing, int64_t mark);

// Microseconds since mark, 0 for a mark still to come.
uint64_t FramePacingUsSince(const FramePacing* pacing, int64_t mark);

// The counter's reading us microseconds after mark.
int64_t FramePacingMarkAfterUs(const FramePacing* pacing, int64_t mark, uint64_t us);

// One pass's rest while waiting for the counter to reach dueMark: sleeps
// while enough remains, otherwise yields the processor once. Returns at once
// when it has been reached.
void FramePacingRestUntil(FramePacing* pacing, int64_t dueMark);

// The same, waiting for intervalMs to pass since startMark.
void FramePacingRest(FramePacing* pacing, int64_t startMark, uint32_t intervalMs);
