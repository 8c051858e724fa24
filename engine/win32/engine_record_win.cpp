// The recording start lives apart from the other controls, so that the
// player, which never records, does not carry the recording thread.
#include <windows.h>

#include "engine.h"
#include "win32/worker_threads_win.h"

int EngineStartRecording(const char* source, void* window, const CaptureRect* rect,
                         uint32_t frameRate) {
    if (EngineResumedInsteadOfStart()) return 1;
    CaptureParams params = {};
    params.window = window;
    params.frameRate = frameRate;
    params.source = source;
    if (rect) params.captureRect = *rect;
    if (!rect || !CaptureRectRecordable(&params.captureRect)) return 0;
    engineState.starting = 1;
    return EngineRunWorker(RecordingThread, &params, &engineState.capturing);
}
