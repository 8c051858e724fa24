// The playback thread: plays one video, from a file read one record at a
// time (a file of any length costs the memory of a short one) or from a
// block in memory read in place, into a window at the video's frame rate,
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
#include "win32/video_file_source_win.h"
#include "win32/worker_threads_win.h"

static const DWORD PAUSE_POLL_MS = 250;

struct Playback {
    PlaybackParams params;
    VideoFileSource file;
    VideoSource source;
    uint8_t* record;    // a record's stored data, read from the file
    VideoReader reader;
    FrameSurface surface;
    uint8_t* work;
    size_t workSize;
    FramePacing pacing;
    uint8_t endReason;  // why the frames stopped (ENGINE_END_*)
};

static void CloseVideo(Playback* playback) {
    if (playback->record) GlobalFree(playback->record);
    playback->record = nullptr;
    VideoFileSourceClose(&playback->file);
}

// Opens the file and reads its header. Files under the minimum size of a
// video are refused.
static bool OpenVideoFile(Playback* playback) {
    if (!VideoFileSourceOpen(&playback->file, &playback->source, playback->params.source))
        return false;
    if (playback->source.size < VIDEO_MIN_FILE_SIZE) return false;
    VideoReaderOpenSource(&playback->reader, &playback->source, nullptr, 0);
    return playback->reader.failure == VIDEO_READ_OK;
}

// Opens the video and makes the display surface (black) and the unpacking
// buffer. A header without a size or a frame rate cannot be played. On
// failure releases what it acquired and returns false.
static bool StartUp(Playback* playback) {
    if (playback->params.inMemory) {
        const uint8_t* data = reinterpret_cast<const uint8_t*>(playback->params.source);
        VideoReaderOpen(&playback->reader, data, data ? playback->params.sourceLength : 0);
    } else if (!OpenVideoFile(playback)) {
        CloseVideo(playback);
        return false;
    }
    const VideoFileHeader& header = playback->reader.header;
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
    // A file's records are read into a buffer of the largest one the surface
    // allows; a larger record ends the video.
    if (!playback->params.inMemory && playback->work) {
        size_t capacity = VideoRecordCapacity(static_cast<uint32_t>(playback->surface.width),
                                              static_cast<uint32_t>(playback->surface.height));
        playback->record = static_cast<uint8_t*>(GlobalAlloc(GMEM_FIXED, capacity));
        if (playback->record)
            VideoReaderOpenSource(&playback->reader, &playback->source, playback->record, capacity);
        if (!playback->record || playback->reader.failure != VIDEO_READ_OK) {
            GlobalFree(playback->work);
            playback->work = nullptr;
        }
    }
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
        if (!VideoReaderNext(&playback->reader, &record))
            return playback->reader.failure == VIDEO_READ_FAILED ? ENGINE_END_FAULT
                                                                 : ENGINE_END_FINISHED;
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
    // A read of a video in memory that went away (or any fault of the frame
    // work) ends the playback here, as its end would. A file's record is
    // read into the buffer: a file gone away makes the read fail instead.
    FaultGuard guard = {};
    const uint8_t* guarded = playback.reader.data ? playback.reader.data : playback.record;
    size_t guardedSize = playback.reader.data ? static_cast<size_t>(playback.reader.size)
                                              : playback.reader.capacity;
    if (!FaultGuardRun(&guard, guarded, guardedSize, PlayFramesBody, &playback)) {
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
