#include <windows.h>

#include "win32/direct_screen_probe.h"
#include "engine.h"
#include "win32/worker_threads_win.h"

static const DWORD HANDSHAKE_POLL_MS = 30;

int EngineInit() {
    DirectScreenProbe(0);
    return EngineReset();
}

int EngineStop() {
    EngineStopWithin(INFINITE);
    return 1;
}

int EngineStopWithin(uint32_t timeoutMs) {
    DWORD start = GetTickCount();
    engineState.stopRequested = 1;
    // The worker clears stopRequested in its end sequence and its run flag
    // last. The wait ends on the run flags alone: a request raised just after
    // the worker cleared it is never cleared again.
    while (engineState.playing || engineState.capturing) {
        if (timeoutMs != INFINITE && GetTickCount() - start >= timeoutMs) return 0;
        if (engineState.stopRequested)
            Sleep(HANDSHAKE_POLL_MS);
        else
            Sleep(0);
    }
    return EngineReset();  // the same five flags, in the same order
}

bool EngineResumedInsteadOfStart() {
    if (engineState.paused) {
        engineState.paused = 0;
        return true;
    }
    EngineStop();
    return false;
}

int EngineRunWorker(LPTHREAD_START_ROUTINE entry, EngineParams* params,
                    std::atomic<uint8_t>* runFlag) {
    engineState.endReason = ENGINE_END_NONE;
    HANDLE thread = CreateThread(nullptr, 0, entry, params, 0, nullptr);
    if (!thread) {
        engineState.finished = 1;
        engineState.starting = 0;
        return 0;
    }
    CloseHandle(thread);  // detached: its end is seen only through the flags
    // A worker that started raised its run flag before it cleared starting,
    // and from then on Stop waits for that flag. One that failed raises
    // finished as its very last write. Returning on starting alone would
    // leave a failed worker writing into the next start's flags.
    while (!engineState.finished) {
        if (!engineState.starting && *runFlag) return 1;
        Sleep(HANDSHAKE_POLL_MS);
    }
    // Finished before it was seen running: a failed start-up, or a short
    // video that started and has already been played to its end.
    return engineState.endReason != ENGINE_END_START_FAILED;
}
