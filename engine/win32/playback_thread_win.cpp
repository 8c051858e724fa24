// The playback thread: plays one video, from a file mapped read-only or from
// a block in memory read in place, into a window at the video's frame rate,
// once, from the first record to the last. Every record is applied in order
// onto one display surface, which is then drawn into the window's client area
// (playback_layout.h says where). It talks to the user-interface thread only
// through engineState, and uses only window calls that never wait for that
// thread, which may be blocked in EngineStop while a frame is drawn.
#include <windows.h>

#include "engine.h"
#include "win32/fault_guard_win.h"
#include "win32/frame_pacing_win.h"
#include "frame_surface.h"
#include "playback_layout.h"
#include "video_check.h"
#include "video_format.h"
#include "video_reader.h"
#include "win32/worker_threads_win.h"

static const DWORD PAUSE_POLL_MS = 250;

struct Playback {
    PlaybackParams params;
    HANDLE file;
    HANDLE mapping;
    const uint8_t* view;
    VideoReader reader;
    FrameSurface surface;
    uint8_t* work;
    size_t workSize;
    FramePacing pacing;
    uint8_t endReason;  // why the frames stopped (ENGINE_END_*)
};

static void CloseVideo(Playback* playback) {
    if (playback->view) UnmapViewOfFile(playback->view);
    if (playback->mapping) CloseHandle(playback->mapping);
    if (playback->file) CloseHandle(playback->file);
    playback->view = nullptr;
    playback->mapping = nullptr;
    playback->file = nullptr;
}

// Maps the whole file read-only. Files under the minimum size of a video, and
// files larger than this process can map, are refused.
static bool MapVideoFile(Playback* playback, const uint8_t** data, size_t* size) {
    if (!playback->params.source) return false;
    HANDLE file = CreateFileA(playback->params.source, GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    playback->file = file;
    LARGE_INTEGER fileSize;
    if (!GetFileSizeEx(file, &fileSize) || fileSize.QuadPart < VIDEO_MIN_FILE_SIZE ||
        static_cast<uint64_t>(fileSize.QuadPart) > static_cast<uint64_t>(SIZE_MAX))
        return false;
    playback->mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!playback->mapping) return false;
    playback->view =
        static_cast<const uint8_t*>(MapViewOfFile(playback->mapping, FILE_MAP_READ, 0, 0, 0));
    if (!playback->view) return false;
    *data = playback->view;
    *size = static_cast<size_t>(fileSize.QuadPart);
    return true;
}

// Opens the video and makes the display surface (black) and the unpacking
// buffer. A header without a size or a frame rate cannot be played. On
// failure releases what it acquired and returns false.
static bool StartUp(Playback* playback) {
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (playback->params.inMemory) {
        data = reinterpret_cast<const uint8_t*>(playback->params.source);
        size = data ? playback->params.sourceLength : 0;
    } else if (!MapVideoFile(playback, &data, &size)) {
        CloseVideo(playback);
        return false;
    }
    const VideoFileHeader& header = playback->reader.header;
    VideoReaderOpen(&playback->reader, data, size);
    if (VideoHeaderCheck(&header) != VIDEO_HEADER_PLAYABLE) {
        CloseVideo(playback);
        return false;
    }
    if (!FrameSurfaceCreate(header.width, header.height, &playback->surface)) {
        CloseVideo(playback);
        return false;
    }
    // Sized by the surface the system made, never by the header alone, which
    // may claim any picture: nothing beyond the surface can be shown.
    playback->workSize = VideoUnpackCapacity(static_cast<uint32_t>(playback->surface.width),
                                             static_cast<uint32_t>(playback->surface.height));
    if (FrameSurfaceLock(&playback->surface)) {
        FrameSurfaceFill(&playback->surface, 0, 0, playback->surface.width - 1,
                         playback->surface.height - 1, 0);
        FrameSurfaceUnlock(&playback->surface);
    }
    if (playback->workSize)
        playback->work = static_cast<uint8_t*>(GlobalAlloc(GMEM_FIXED, playback->workSize));
    if (!playback->work || !FramePacingBegin(&playback->pacing)) {
        if (playback->work) GlobalFree(playback->work);
        playback->work = nullptr;
        FrameSurfaceDestroy(&playback->surface);
        CloseVideo(playback);
        return false;
    }
    return true;
}

// Asks the user-interface thread to repaint the whole window, without
// waiting for it.
static void RequestRedraw(HWND window) {
    if (window) RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
}

static void Display(Playback* playback) {
    HWND window = static_cast<HWND>(playback->params.window);
    RECT client;
    if (!window || !GetClientRect(window, &client)) return;
    FramePlacement placement = PlaybackPlaceFrame(
        client.right - client.left, client.bottom - client.top, playback->params.bottomBand,
        playback->surface.width, playback->surface.height);
    if (!placement.visible) return;
    HDC windowDC = GetDC(window);
    if (!windowDC) return;
    void* dcPlace = nullptr;
    HDC surfaceDC = static_cast<HDC>(FrameSurfaceGetDC(&dcPlace, nullptr, &playback->surface));
    if (surfaceDC && placement.stretched) {
        SetStretchBltMode(windowDC, HALFTONE);
        SetBrushOrgEx(windowDC, 0, 0, nullptr);
        StretchBlt(windowDC, placement.x, placement.y, placement.width, placement.height, surfaceDC,
                   0, 0, placement.sourceWidth, placement.sourceHeight, SRCCOPY);
    } else if (surfaceDC) {
        BitBlt(windowDC, placement.x, placement.y, placement.width, placement.height, surfaceDC, 0,
               0, SRCCOPY);
    }
    FrameSurfaceReleaseDC(&dcPlace, &playback->surface);
    ReleaseDC(window, windowDC);
}

static bool EscapePressed() {
    return GetAsyncKeyState(VK_ESCAPE) != 0;
}

// Shows the frame and waits until its interval since *startMark has passed,
// showing it again every pause step while paused. Returns false when
// playback is to end: Escape, then stopRequested, tested on every pass.
static bool ShowAndWait(Playback* playback, int64_t* startMark) {
    uint32_t interval = engineState.frameInterval;
    Display(playback);
    for (;;) {
        uint32_t elapsed = FramePacingElapsedMs(&playback->pacing, *startMark);
        if (EscapePressed() || engineState.stopRequested) return false;
        if (engineState.paused) {
            Sleep(PAUSE_POLL_MS);
            *startMark = FramePacingMark();
            Display(playback);
            continue;
        }
        if (elapsed >= interval) return true;
        FramePacingRest(&playback->pacing, *startMark, interval);
    }
}

// Plays the records in order; returns why it stopped.
static uint8_t PlayFrames(Playback* playback) {
    // A press of Escape from before the playback is still reported once as
    // "pressed since the last poll": this read takes it, so only a press
    // during the playback ends it.
    EscapePressed();
    while (engineState.playing) {
        int64_t startMark = FramePacingMark();
        VideoRecord record;
        if (!VideoReaderNext(&playback->reader, &record)) return ENGINE_END_FINISHED;
        VideoRecordApply(&record, &playback->surface, playback->work, playback->workSize);
        if (!ShowAndWait(playback, &startMark)) return ENGINE_END_STOPPED;
        engineState.frameCount = engineState.frameCount + 1;
    }
    return ENGINE_END_STOPPED;
}

static void PlayFramesBody(void* playback) {
    Playback* running = static_cast<Playback*>(playback);
    running->endReason = PlayFrames(running);
}

__attribute__((force_align_arg_pointer)) DWORD WINAPI PlaybackThread(LPVOID params) {
    Playback playback = {};
    playback.params = *static_cast<const PlaybackParams*>(params);
    HWND window = static_cast<HWND>(playback.params.window);
    if (!StartUp(&playback)) {
        engineState.frameCount = 0;
        RequestRedraw(window);
        EngineWorkerStartFailed(&engineState.playing);
        return 0;
    }
    engineState.frameInterval = VideoFrameInterval(playback.reader.header.frameRate);
    engineState.frameCount = 0;
    EngineWorkerStarted(&engineState.playing);
    RequestRedraw(window);
    // A read of a video whose file went away (or any fault of the frame
    // work) ends the playback here, as its end would.
    FaultGuard guard = {};
    if (!FaultGuardRun(&guard, playback.reader.data, playback.reader.size, PlayFramesBody,
                       &playback)) {
        playback.endReason = ENGINE_END_FAULT;
        engineState.finished = 1;
    }
    GlobalFree(playback.work);
    FrameSurfaceDestroy(&playback.surface);
    CloseVideo(&playback);
    FramePacingEnd(&playback.pacing);
    engineState.frameCount = 0;
    RequestRedraw(window);
    EngineWorkerEnded(&engineState.playing, playback.endReason);
    return 0;
}
