#include <windows.h>
#include <mmsystem.h>

#include "frame_pacing_win.h"

// Sleep(1) lasts one tick of the system timer, about 15.6 ms by default;
// at 1 ms resolution it lasts 1 to 2 ms.
static const UINT TIMER_RESOLUTION_MS = 1;
static const uint32_t DEFAULT_TIMER_TICK_MS = 16;

int FramePacingBegin(FramePacing* pacing) {
    *pacing = FramePacing{};
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) return 0;
    pacing->frequency = frequency.QuadPart;
    pacing->timerRaised = timeBeginPeriod(TIMER_RESOLUTION_MS) == TIMERR_NOERROR;
    return 1;
}

void FramePacingEnd(FramePacing* pacing) {
    if (pacing->timerRaised) timeEndPeriod(TIMER_RESOLUTION_MS);
    pacing->timerRaised = 0;
}

int64_t FramePacingMark() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

uint32_t FramePacingElapsedMs(const FramePacing* pacing, int64_t mark) {
    if (pacing->frequency <= 0) return 0;
    int64_t ticks = FramePacingMark() - mark;
    return static_cast<uint32_t>(ticks * 1000 / pacing->frequency);
}

void FramePacingRest(const FramePacing* pacing, uint32_t elapsedMs, uint32_t intervalMs) {
    if (elapsedMs >= intervalMs) return;
    uint32_t sleepable = FRAME_PACING_SPIN_MS + (pacing->timerRaised ? 0 : DEFAULT_TIMER_TICK_MS);
    if (intervalMs - elapsedMs > sleepable)
        Sleep(1);
    else
        Sleep(0);
}
