// Starting a playback, apart from the other controls like the recording start.
#include <windows.h>

#include "engine.h"
#include "win32/worker_threads_win.h"

int EngineStartPlayback(const char* source, void* window, uint8_t inMemory, size_t videoLength,
                        uint32_t bottomBand) {
    if (EngineResumedInsteadOfStart()) return 1;
    PlaybackParams params = {};
    params.window = window;
    params.inMemory = inMemory;
    params.source = source;
    params.sourceLength = videoLength;
    params.bottomBand = bottomBand;
    engineState.finished = 0;
    engineState.capturing = 0;
    engineState.playing = 0;
    engineState.stopRequested = 0;
    engineState.starting = 1;
    return EngineRunWorker(PlaybackThread, &params, &engineState.playing);
}
