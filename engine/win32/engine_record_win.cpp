// The recording start lives apart from the other controls, so that the
// player, which never records, does not carry the recording thread.
#include <windows.h>

#include "engine.h"
#include "win32/worker_threads_win.h"

// Areas smaller than this in either direction are not recorded.
static const int32_t MIN_CAPTURE_SPAN = 15;

int EngineStartRecording(const char* source, void* window, const CaptureRect* rect,
                         uint32_t frameRate) {
    if (EngineResumedInsteadOfStart()) return 1;
    CaptureParams params = {};
    params.window = window;
    params.frameRate = frameRate;
    params.source = source;
    if (rect) params.captureRect = *rect;
    if (!rect || static_cast<int64_t>(params.captureRect.right) - params.captureRect.left <
                     MIN_CAPTURE_SPAN ||
        static_cast<int64_t>(params.captureRect.bottom) - params.captureRect.top <
            MIN_CAPTURE_SPAN)
        return 0;
    engineState.starting = 1;
    return EngineRunWorker(RecordingThread, &params, &engineState.capturing);
}
