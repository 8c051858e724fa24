// The recording thread: once per frame interval it grabs the whole window
// (title bar and borders included; the whole screen for the desktop window),
// draws the mouse cursor into the picture, encodes it against the last
// picture stored and appends one record to the video file. It talks to the
// user-interface thread only through engineState.
#include <windows.h>

#include "engine.h"
#include "win32/fault_guard_win.h"
#include "win32/frame_pacing_win.h"
#include "frame_surface.h"
#include "video_format.h"
#include "video_writer.h"
#include "win32/worker_threads_win.h"

typedef BOOL(WINAPI* GetCursorInfoFunction)(CURSORINFO*);

static const DWORD PAUSE_POLL_MS = 250;
static const uint32_t MAX_STORED_SIDE = 0xFFFF;  // width and height are stored in 16 bits

struct Recording {
    CaptureParams params;
    uint16_t width;
    uint16_t height;
    uint16_t frameRate;
    HANDLE file;
    LARGE_INTEGER recordsEnd;  // end of the last complete record in the file
    FrameSurface current;      // receives each grab
    FrameSurface previous;     // the last picture whose data was stored
    uint8_t* work;
    size_t workSize;
    GetCursorInfoFunction getCursorInfo;
    FramePacing pacing;
    uint8_t endReason;  // why the frames stopped (ENGINE_END_*)
};

static bool WriteAll(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

// Cuts a record that could not be written whole, so that the file ends
// with the last complete record and every reader sees a sound video.
static void DropPartialRecord(Recording* recording) {
    if (SetFilePointerEx(recording->file, recording->recordsEnd, nullptr, FILE_BEGIN))
        SetEndOfFile(recording->file);
}

static bool CreateOutput(Recording* recording) {
    recording->file = CreateFileA(recording->params.source, GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (recording->file == INVALID_HANDLE_VALUE) {
        recording->file = nullptr;
        return false;
    }
    uint8_t stored[VIDEO_HEADER_SIZE];
    VideoFileHeader header =
        VideoFileHeaderMake(recording->width, recording->height, recording->frameRate);
    VideoFileHeaderStore(&header, stored);
    recording->recordsEnd.QuadPart = 0;
    if (SetFilePointerEx(recording->file, recording->recordsEnd, nullptr, FILE_BEGIN) &&
        WriteAll(recording->file, stored, sizeof(stored))) {
        recording->recordsEnd.QuadPart = VIDEO_HEADER_SIZE;
        return true;
    }
    return false;
}

static bool CreateSurfaces(Recording* recording) {
    if (!FrameSurfaceCreate(recording->width, recording->height, &recording->current))
        return false;
    if (!FrameSurfaceCreate(recording->width, recording->height, &recording->previous)) {
        FrameSurfaceDestroy(&recording->current);
        return false;
    }
    // Both start black: a first picture that is all black is stored as unchanged.
    FrameSurface* surfaces[2] = {&recording->current, &recording->previous};
    for (FrameSurface* surface : surfaces) {
        FrameSurfaceLock(surface);
        FrameSurfaceFill(surface, 0, 0, surface->width - 1, surface->height - 1, 0);
    }
    FrameSurfaceUnlock(&recording->previous);
    FrameSurfaceUnlock(&recording->current);
    return true;
}

// The work buffer is sized by the surfaces, which hold at most 2048 x 2048
// pixels whatever the window's size.
static bool AllocateWork(Recording* recording) {
    uint32_t width = static_cast<uint32_t>(recording->current.width);
    uint32_t height = static_cast<uint32_t>(recording->current.height);
    recording->workSize = RecordWorkSize(width, height);
    if (recording->workSize == 0) return false;
    recording->work = static_cast<uint8_t*>(GlobalAlloc(GMEM_FIXED, recording->workSize));
    return recording->work != nullptr;
}

static GetCursorInfoFunction FindGetCursorInfo() {
    HMODULE user32 = GetModuleHandleA("USER32.DLL");
    if (!user32) return nullptr;
    FARPROC found = GetProcAddress(user32, "GetCursorInfo");
    return reinterpret_cast<GetCursorInfoFunction>(reinterpret_cast<void (*)()>(found));
}

// Everything a recording needs before its first frame. On failure releases
// what it acquired and returns false.
static bool StartUp(Recording* recording) {
    const CaptureRect& rect = recording->params.captureRect;
    int64_t width = static_cast<int64_t>(rect.right) - rect.left + 1;
    int64_t height = static_cast<int64_t>(rect.bottom) - rect.top + 1;
    uint16_t rate16 = static_cast<uint16_t>(recording->params.frameRate & 0xFFFF);
    // Refused before the file is created, so an existing file stays as it was.
    if (width < 1 || height < 1 || width > MAX_STORED_SIDE || height > MAX_STORED_SIDE ||
        rate16 == 0)
        return false;
    recording->width = static_cast<uint16_t>(width);
    recording->height = static_cast<uint16_t>(height);
    recording->frameRate = rate16;

    if (!CreateOutput(recording)) {
        if (recording->file) CloseHandle(recording->file);
        return false;
    }
    if (!CreateSurfaces(recording)) {
        CloseHandle(recording->file);
        return false;
    }
    if (!AllocateWork(recording) || !FramePacingBegin(&recording->pacing)) {
        if (recording->work) GlobalFree(recording->work);
        FrameSurfaceDestroy(&recording->previous);
        FrameSurfaceDestroy(&recording->current);
        CloseHandle(recording->file);
        return false;
    }
    recording->getCursorInfo = FindGetCursorInfo();
    return true;
}

// Draws the cursor, when it is showing, at its hot spot. The window's
// rectangle and the capture area's corner turn the screen position into
// surface coordinates.
static void DrawCursor(const Recording* recording, HDC surfaceDC) {
    CURSORINFO info = {};
    info.cbSize = sizeof(info);
    if (!recording->getCursorInfo(&info) || !(info.flags & CURSOR_SHOWING) || !info.hCursor)
        return;
    POINT position;
    RECT windowRect;
    if (!GetCursorPos(&position) ||
        !GetWindowRect(static_cast<HWND>(recording->params.window), &windowRect))
        return;
    ICONINFO icon = {};
    if (GetIconInfo(info.hCursor, &icon)) {
        if (icon.hbmMask) DeleteObject(icon.hbmMask);
        if (icon.hbmColor) DeleteObject(icon.hbmColor);
    }
    int x = position.x - windowRect.left - recording->params.captureRect.left;
    int y = position.y - windowRect.top - recording->params.captureRect.top;
    DrawIcon(surfaceDC, x - static_cast<int>(icon.xHotspot), y - static_cast<int>(icon.yHotspot),
             info.hCursor);
}

static void Grab(Recording* recording) {
    void* dcPlace = nullptr;
    HDC surfaceDC = static_cast<HDC>(FrameSurfaceGetDC(&dcPlace, nullptr, &recording->current));
    HWND window = static_cast<HWND>(recording->params.window);
    HDC windowDC = GetWindowDC(window);
    if (surfaceDC && windowDC)
        BitBlt(surfaceDC, 0, 0, recording->current.width, recording->current.height, windowDC,
               recording->params.captureRect.left, recording->params.captureRect.top, SRCCOPY);
    if (windowDC) ReleaseDC(window, windowDC);
    if (surfaceDC && recording->getCursorInfo) DrawCursor(recording, surfaceDC);
    FrameSurfaceReleaseDC(&dcPlace, &recording->current);
}

enum FrameOutcome { FRAME_STORED, FRAME_WRITE_FAILED, FRAME_FAULT };

// Encodes the grabbed picture and appends its record. A changed picture
// becomes the one the next frame is encoded against.
static FrameOutcome StoreFrame(Recording* recording, uint32_t frameIndex) {
    FrameRecordHeader header;
    const uint8_t* data = nullptr;
    if (!VideoRecordEncode(&recording->current, &recording->previous, frameIndex, recording->work,
                           recording->workSize, &header, &data))
        return FRAME_FAULT;
    if (header.frameType == FRAME_UNCHANGED) header.dataSize = 0;
    uint8_t stored[FRAME_RECORD_HEADER_SIZE];
    FrameRecordHeaderStore(&header, stored);
    if (!WriteAll(recording->file, stored, sizeof(stored)) ||
        (header.dataSize && !WriteAll(recording->file, data, header.dataSize))) {
        DropPartialRecord(recording);
        return FRAME_WRITE_FAILED;
    }
    recording->recordsEnd.QuadPart += sizeof(stored) + static_cast<LONGLONG>(header.dataSize);
    if (header.frameType == FRAME_UNCHANGED) return FRAME_STORED;
    FrameSurface* previous = &recording->previous;
    FrameSurface* current = &recording->current;
    if (!FrameSurfaceCopyRect(previous, 0, 0, previous->width - 1, previous->height - 1, current,
                              0, 0, current->width - 1, current->height - 1))
        return FRAME_FAULT;
    return FRAME_STORED;
}

static bool EscapePressed() {
    return GetAsyncKeyState(VK_ESCAPE) != 0;
}

// Waits until the frame interval since startMark has passed. Returns false
// when the recording is to end: Escape, finished, stopRequested, tested in
// this order on every pass, also while paused.
static bool WaitForNextFrame(Recording* recording, int64_t startMark) {
    uint32_t interval = engineState.frameInterval;
    for (;;) {
        uint32_t elapsed = FramePacingElapsedMs(&recording->pacing, startMark);
        if (EscapePressed() || engineState.finished || engineState.stopRequested) return false;
        if (engineState.paused) {
            Sleep(PAUSE_POLL_MS);
            continue;
        }
        if (elapsed >= interval) return true;
        FramePacingRest(&recording->pacing, startMark, interval);
    }
}

// Records frames until the recording is to end; returns why it ended.
static uint8_t RecordFrames(Recording* recording) {
    // A press of Escape from before the recording (closing a dialog, say)
    // is still reported once as "pressed since the last poll": this read
    // takes it, so only a press during the recording ends it.
    EscapePressed();
    engineState.frameCount = 0;
    while (engineState.capturing) {
        int64_t startMark = FramePacingMark();
        // A closed window would leave its last picture recorded for ever.
        if (!IsWindow(static_cast<HWND>(recording->params.window))) return ENGINE_END_WINDOW_GONE;
        Grab(recording);
        FrameOutcome outcome = StoreFrame(recording, engineState.frameCount);
        if (outcome == FRAME_FAULT) {
            engineState.finished = 1;
            return ENGINE_END_FAULT;
        }
        if (outcome == FRAME_WRITE_FAILED) return ENGINE_END_WRITE_FAILED;
        if (!WaitForNextFrame(recording, startMark)) return ENGINE_END_STOPPED;
        engineState.frameCount = engineState.frameCount + 1;
    }
    return ENGINE_END_STOPPED;
}

static void RecordFramesBody(void* recording) {
    Recording* running = static_cast<Recording*>(recording);
    running->endReason = RecordFrames(running);
}

__attribute__((force_align_arg_pointer)) DWORD WINAPI RecordingThread(LPVOID params) {
    Recording recording = {};
    recording.params = *static_cast<const CaptureParams*>(params);
    if (!StartUp(&recording)) {
        EngineWorkerStartFailed(&engineState.capturing);
        return 0;
    }
    engineState.frameInterval = 1000u / recording.frameRate;
    EngineWorkerStarted(&engineState.capturing);
    // A fault of the frame work ends the recording here; the file keeps the
    // complete records written before it.
    FaultGuard guard = {};
    if (!FaultGuardRun(&guard, nullptr, 0, RecordFramesBody, &recording)) {
        DropPartialRecord(&recording);
        recording.endReason = ENGINE_END_FAULT;
        engineState.finished = 1;
    }
    GlobalFree(recording.work);
    FrameSurfaceDestroy(&recording.previous);
    FrameSurfaceDestroy(&recording.current);
    CloseHandle(recording.file);
    FramePacingEnd(&recording.pacing);
    EngineWorkerEnded(&engineState.capturing, recording.endReason);
    return 0;
}
