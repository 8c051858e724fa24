#include <windows.h>
#include <mmsystem.h>

#include "win32/frame_pacing_win.h"

typedef HANDLE(WINAPI* CreateWaitableTimerExWFunction)(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD,
                                                       DWORD);

// CreateWaitableTimerExW's flag for a timer that keeps its own precision
// whatever the system timer's resolution (Windows 10 1803 on; refused before).
static const DWORD HIGH_RESOLUTION_TIMER_FLAG = 0x00000002;
static const UINT TIMER_RESOLUTION_MS = 1;
// How late a first sleep is assumed to wake: a high-resolution timer's
// wakes are late by a fraction of a millisecond; Sleep's by up to a default
// timer tick, even where a 1 ms resolution was granted (Windows 11 withholds
// it from processes whose windows are all hidden).
static const uint32_t ASSUMED_TIMER_LATENESS_US = 1000;
static const uint32_t ASSUMED_SLEEP_LATENESS_US = 16000;
// A timer wait that does not end within this much past its due time is
// given up: the pass then ends and the next one tries again.
static const DWORD TIMER_WAIT_SLACK_MS = 50;

uint8_t framePacingHighResolutionTimerAllowed = 1;

// Looked up by name: the function exists from Windows Vista on, the flag from
// Windows 10 1803 on; either missing leaves the Sleep fallback.
static HANDLE CreateHighResolutionTimer() {
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    if (!kernel) return nullptr;
    FARPROC found = GetProcAddress(kernel, "CreateWaitableTimerExW");
    if (!found) return nullptr;
    auto create = reinterpret_cast<CreateWaitableTimerExWFunction>(
        reinterpret_cast<void (*)()>(found));
    return create(nullptr, nullptr, HIGH_RESOLUTION_TIMER_FLAG, TIMER_MODIFY_STATE | SYNCHRONIZE);
}

static void BeginSleeping(FramePacing* pacing) {
    // Where it is granted, sleeps wake within a millisecond or two and the
    // spin stays short; where not, the measured wakes say so.
    pacing->timerRaised = timeBeginPeriod(TIMER_RESOLUTION_MS) == TIMERR_NOERROR;
    FrameWaitBegin(&pacing->lateness, ASSUMED_SLEEP_LATENESS_US);
}

int FramePacingBegin(FramePacing* pacing) {
    *pacing = FramePacing{};
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) return 0;
    pacing->frequency = frequency.QuadPart;
    if (framePacingHighResolutionTimerAllowed) pacing->timer = CreateHighResolutionTimer();
    if (pacing->timer)
        FrameWaitBegin(&pacing->lateness, ASSUMED_TIMER_LATENESS_US);
    else
        BeginSleeping(pacing);
    return 1;
}

void FramePacingEnd(FramePacing* pacing) {
    if (pacing->timer) CloseHandle(static_cast<HANDLE>(pacing->timer));
    if (pacing->timerRaised) timeEndPeriod(TIMER_RESOLUTION_MS);
    pacing->timer = nullptr;
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

// Split so that a mark long past (a recording paused for days) cannot
// overflow the product.
static uint64_t TicksToUs(const FramePacing* pacing, int64_t ticks) {
    if (ticks <= 0) return 0;
    uint64_t whole = static_cast<uint64_t>(ticks);
    uint64_t frequency = static_cast<uint64_t>(pacing->frequency);
    return whole / frequency * 1000000u + whole % frequency * 1000000u / frequency;
}

static bool WaitOnTimer(HANDLE timer, uint32_t us) {
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(us) * 10;  // relative, in 100 ns units
    if (!SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) return false;
    return WaitForSingleObject(timer, us / 1000 + TIMER_WAIT_SLACK_MS) == WAIT_OBJECT_0;
}

uint64_t FramePacingUsSince(const FramePacing* pacing, int64_t mark) {
    if (pacing->frequency <= 0) return 0;
    return TicksToUs(pacing, FramePacingMark() - mark);
}

int64_t FramePacingMarkAfterUs(const FramePacing* pacing, int64_t mark, uint64_t us) {
    uint64_t frequency = static_cast<uint64_t>(pacing->frequency > 0 ? pacing->frequency : 0);
    uint64_t ticks = us / 1000000u * frequency + us % 1000000u * frequency / 1000000u;
    uint64_t room = static_cast<uint64_t>(INT64_MAX) - static_cast<uint64_t>(mark > 0 ? mark : 0);
    return ticks > room ? INT64_MAX : mark + static_cast<int64_t>(ticks);
}

void FramePacingRestUntil(FramePacing* pacing, int64_t dueMark) {
    if (pacing->frequency <= 0) return;
    int64_t before = FramePacingMark();
    if (before >= dueMark) return;
    uint32_t sleepUs = FrameWaitSleepUs(&pacing->lateness, TicksToUs(pacing, dueMark - before));
    if (pacing->timer) {
        if (sleepUs == 0) {
            Sleep(0);
            return;
        }
        if (!WaitOnTimer(static_cast<HANDLE>(pacing->timer), sleepUs)) {
            // A timer that fails once is not trusted again: the rest of the
            // run sleeps with Sleep, rather than spin on every pass.
            CloseHandle(static_cast<HANDLE>(pacing->timer));
            pacing->timer = nullptr;
            BeginSleeping(pacing);
            return;
        }
    } else {
        DWORD sleepMs = sleepUs / 1000;
        if (sleepMs == 0) {
            Sleep(0);
            return;
        }
        sleepUs = sleepMs * 1000;
        Sleep(sleepMs);
    }
    FrameWaitMeasured(&pacing->lateness, sleepUs, TicksToUs(pacing, FramePacingMark() - before));
}

void FramePacingRest(FramePacing* pacing, int64_t startMark, uint32_t intervalMs) {
    FramePacingRestUntil(pacing, FramePacingMarkAfterUs(pacing, startMark,
                                                        static_cast<uint64_t>(intervalMs) * 1000u));
}
