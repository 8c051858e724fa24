// The recording thread: once per frame interval it grabs from the screen a
// rectangle (a window's visible frame, followed as it moves, or a fixed part
// of the virtual screen), draws the mouse cursor into the picture, encodes it against the last
// picture stored and appends one record to the video file. It talks to the
// user-interface thread only through engineState.
#include <windows.h>

#include "engine.h"
#include "win32/fault_guard_win.h"
#include "win32/frame_pacing_win.h"
#include "win32/recording_stages_win.h"
#include "win32/screen_grab_win.h"
#include "frame_schedule.h"
#include "frame_surface.h"
#include "video_format.h"
#include "video_writer.h"
#include "win32/worker_threads_win.h"

typedef BOOL(WINAPI* GetCursorInfoFunction)(CURSORINFO*);

static const DWORD PAUSE_POLL_MS = 250;
// Unchanged records of intervals that passed without a capture, written at
// most this many at a time.
static const uint32_t CATCH_UP_BATCH = 64;

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
    HCURSOR hotSpotCursor;     // the cursor whose hot spot is held in hotSpot
    POINT hotSpot;
    int64_t startMark;         // the clock's reading as the first frame began
    FrameSchedule schedule;    // when each record is due
    ScreenGrab screen;
    uint8_t endReason;         // why the frames stopped (ENGINE_END_*)
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
    // Not even the header could be written: no such file is left behind.
    CloseHandle(recording->file);
    recording->file = nullptr;
    DeleteFileA(recording->params.source);
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

// The work buffer is sized by the surfaces, which hold at most
// FRAME_SURFACE_MAX_SIDE pixels a side whatever the window's size.
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

// Everything a recording needs before its first frame, the memory first: a
// start that cannot have it fails before the file is touched, so that a file
// already there stays as it was. On failure releases what it acquired and
// returns false.
static bool StartUp(Recording* recording) {
    const CaptureRect& rect = recording->params.captureRect;
    int64_t width = static_cast<int64_t>(rect.right) - rect.left + 1;
    int64_t height = static_cast<int64_t>(rect.bottom) - rect.top + 1;
    uint16_t rate16 = static_cast<uint16_t>(recording->params.frameRate & 0xFFFF);
    if (!CaptureRectRecordable(&rect) || rate16 == 0) return false;
    recording->width = static_cast<uint16_t>(width);
    recording->height = static_cast<uint16_t>(height);
    recording->frameRate = rate16;

    if (!CreateSurfaces(recording)) return false;
    if (!AllocateWork(recording) || !FramePacingBegin(&recording->pacing) ||
        !ScreenGrabBegin(&recording->screen) || !CreateOutput(recording)) {
        ScreenGrabEnd(&recording->screen);
        if (recording->work) GlobalFree(recording->work);
        FramePacingEnd(&recording->pacing);
        FrameSurfaceDestroy(&recording->previous);
        FrameSurfaceDestroy(&recording->current);
        return false;
    }
    recording->getCursorInfo = FindGetCursorInfo();
    return true;
}

// The cursor's hot spot, asked of the system only when the cursor changes:
// the answer comes with copies of the cursor's two bitmaps.
static POINT HotSpotOf(Recording* recording, HCURSOR cursor) {
    if (cursor != recording->hotSpotCursor) {
        ICONINFO icon = {};
        if (GetIconInfo(cursor, &icon)) {
            if (icon.hbmMask) DeleteObject(icon.hbmMask);
            if (icon.hbmColor) DeleteObject(icon.hbmColor);
        }
        recording->hotSpot.x = static_cast<LONG>(icon.xHotspot);
        recording->hotSpot.y = static_cast<LONG>(icon.yHotspot);
        recording->hotSpotCursor = cursor;
    }
    return recording->hotSpot;
}

// Draws the cursor, when it is showing, at its hot spot, relative to the
// area grabbed.
static void DrawCursor(Recording* recording, HDC surfaceDC, ScreenArea grabbed) {
    CURSORINFO info = {};
    info.cbSize = sizeof(info);
    if (!recording->getCursorInfo(&info) || !(info.flags & CURSOR_SHOWING) || !info.hCursor)
        return;
    POINT position;
    if (!GetCursorPos(&position)) return;
    POINT hotSpot = HotSpotOf(recording, info.hCursor);
    int32_t x = 0;
    int32_t y = 0;
    CaptureCursorOrigin(grabbed, position.x, position.y, hotSpot.x, hotSpot.y, &x, &y);
    // At the cursor's own size, which its hot spot is measured in: DrawIcon
    // would draw it at the system's icon size, which on a scaled display, or
    // with a larger pointer chosen, is another.
    DrawIconEx(surfaceDC, x, y, info.hCursor, 0, 0, 0, nullptr, DI_NORMAL);
}

// The part of the screen this frame reads. A recorded window is followed
// through its visible frame; false while it is minimised (or has no frame
// any more), when the last picture is held.
static bool AreaToGrab(const Recording* recording, ScreenArea* area) {
    const CaptureRect& rect = recording->params.captureRect;
    HWND window = static_cast<HWND>(recording->params.window);
    int32_t width = recording->current.width;
    int32_t height = recording->current.height;
    if (!window) {
        *area = {rect.left, rect.top, width, height};
        return true;
    }
    ScreenArea frame;
    if (IsIconic(window) || !WindowVisibleFrame(window, &frame)) return false;
    *area = CaptureFollowWindow(frame, rect.left, rect.top, width, height);
    return true;
}

static void Grab(Recording* recording, StageClock* clock) {
    ScreenArea area;
    if (!AreaToGrab(recording, &area)) {
        // The surface keeps the last picture: the record comes out unchanged.
        StageClockEnd(clock, RECORDING_STAGE_GRAB);
        StageClockEnd(clock, RECORDING_STAGE_CURSOR);
        return;
    }
    void* dcPlace = nullptr;
    HDC surfaceDC = static_cast<HDC>(FrameSurfaceGetDC(&dcPlace, nullptr, &recording->current));
    if (surfaceDC) ScreenGrabCopy(&recording->screen, area, surfaceDC, &recording->current);
    StageClockEnd(clock, RECORDING_STAGE_GRAB);
    if (surfaceDC && recording->getCursorInfo) DrawCursor(recording, surfaceDC, area);
    FrameSurfaceReleaseDC(&dcPlace, &recording->current);
    StageClockEnd(clock, RECORDING_STAGE_CURSOR);
}

enum FrameOutcome { FRAME_STORED, FRAME_WRITE_FAILED, FRAME_FAULT };

// Encodes the grabbed picture and appends its record. A changed picture
// becomes, as it is encoded, the one the next frame is encoded against.
static FrameOutcome StoreFrame(Recording* recording, uint32_t frameIndex, StageClock* clock) {
    FrameSurface* previous = &recording->previous;
    FrameSurface* current = &recording->current;
    FrameRecordHeader header;
    const uint8_t* data = nullptr;
    int32_t changedRow = 0;
    if (!VideoRecordTestChange(current, previous, frameIndex, &header, &changedRow))
        return FRAME_FAULT;
    StageClockEnd(clock, RECORDING_STAGE_CHANGE_TEST);
    if (!VideoRecordEncodePlanes(current, previous, changedRow, 1, recording->work,
                                 recording->workSize, &header))
        return FRAME_FAULT;
    StageClockEnd(clock, RECORDING_STAGE_ENCODE);
    VideoRecordPack(recording->work, recording->workSize, &header, &data);
    StageClockEnd(clock, RECORDING_STAGE_PACK);
    if (header.frameType == FRAME_UNCHANGED) header.dataSize = 0;
    uint8_t stored[FRAME_RECORD_HEADER_SIZE];
    FrameRecordHeaderStore(&header, stored);
    if (!WriteAll(recording->file, stored, sizeof(stored)) ||
        (header.dataSize && !WriteAll(recording->file, data, header.dataSize))) {
        DropPartialRecord(recording);
        return FRAME_WRITE_FAILED;
    }
    recording->recordsEnd.QuadPart += sizeof(stored) + static_cast<LONGLONG>(header.dataSize);
    StageClockEnd(clock, RECORDING_STAGE_WRITE);
    return FRAME_STORED;
}

static bool EscapePressed() {
    return GetAsyncKeyState(VK_ESCAPE) != 0;
}

// Appends count unchanged records, for the frame intervals that passed
// without a capture. False when a write came out short.
static bool WriteUnchangedRecords(Recording* recording, uint64_t count) {
    FrameRecordHeader header = VideoUnchangedRecordHeader(
        static_cast<uint32_t>(recording->current.width),
        static_cast<uint32_t>(recording->current.height));
    uint8_t batch[CATCH_UP_BATCH * FRAME_RECORD_HEADER_SIZE];
    for (uint32_t i = 0; i < CATCH_UP_BATCH; i++)
        FrameRecordHeaderStore(&header, batch + i * FRAME_RECORD_HEADER_SIZE);
    while (count > 0) {
        uint32_t records = count < CATCH_UP_BATCH ? static_cast<uint32_t>(count) : CATCH_UP_BATCH;
        DWORD bytes = records * FRAME_RECORD_HEADER_SIZE;
        if (!WriteAll(recording->file, batch, bytes)) {
            DropPartialRecord(recording);
            return false;
        }
        recording->recordsEnd.QuadPart += bytes;
        count -= records;
    }
    return true;
}

// Waits until record number `record` is due. Returns false when the
// recording is to end: Escape, finished, stopRequested, tested in this order
// on every pass, also while paused. *nowUs is the clock's time at the return.
static bool WaitForRecord(Recording* recording, uint32_t record, uint64_t* nowUs) {
    FrameSchedule* schedule = &recording->schedule;
    for (;;) {
        uint64_t now = FramePacingUsSince(&recording->pacing, recording->startMark);
        *nowUs = now;
        if (EscapePressed() || engineState.finished || engineState.stopRequested) return false;
        if (engineState.paused) {
            FrameSchedulePause(schedule, now);
            Sleep(PAUSE_POLL_MS);
            continue;
        }
        FrameScheduleResume(schedule, now);
        uint64_t due = FrameScheduleDueUs(schedule, record);
        if (now >= due) return true;
        FramePacingRestUntil(&recording->pacing,
                             FramePacingMarkAfterUs(&recording->pacing, recording->startMark, due));
    }
}

// Records frames until the recording is to end; returns why it ended.
static uint8_t RecordFrames(Recording* recording) {
    // A press of Escape from before the recording (closing a dialog, say)
    // is still reported once as "pressed since the last poll": this read
    // takes it, so only a press during the recording ends it.
    EscapePressed();
    engineState.frameCount = 0;
    FrameScheduleBegin(&recording->schedule, engineState.frameInterval);
    recording->startMark = FramePacingMark();
    uint32_t record = 0;
    while (engineState.capturing) {
        // A closed window would leave its last picture recorded for ever.
        if (recording->params.window && !IsWindow(static_cast<HWND>(recording->params.window)))
            return ENGINE_END_WINDOW_GONE;
        StageClock clock = {recordingStageHook ? FramePacingMark() : 0};
        Grab(recording, &clock);
        FrameOutcome outcome = StoreFrame(recording, record, &clock);
        if (outcome == FRAME_FAULT) {
            engineState.finished = 1;
            return ENGINE_END_FAULT;
        }
        if (outcome == FRAME_WRITE_FAILED) return ENGINE_END_WRITE_FAILED;
        record++;
        uint64_t now = 0;
        bool goOn = WaitForRecord(recording, record, &now);
        // The intervals that passed without a capture, up to an end too.
        uint64_t missed =
            FrameScheduleMissed(&recording->schedule, record, now, UINT32_MAX - record);
        if (missed && !WriteUnchangedRecords(recording, missed)) return ENGINE_END_WRITE_FAILED;
        record += static_cast<uint32_t>(missed);
        if (!goOn) return ENGINE_END_STOPPED;
        engineState.frameCount = record;
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
    ScreenGrabEnd(&recording.screen);
    FramePacingEnd(&recording.pacing);
    EngineWorkerEnded(&engineState.capturing, recording.endReason);
    return 0;
}
