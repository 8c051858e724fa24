// Engine control: the user-interface thread starts, pauses and stops one
// worker thread at a time (recording or playback) and learns what it shows
// through EngineQuery. The two threads share only EngineState: single-byte
// flags and 32-bit counters, each written by one side and polled by the
// other, in the write orders given beside each operation. There is no lock.
//
// All operations are called from the user-interface thread only.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

struct EngineState {
    std::atomic<uint32_t> frameInterval;  // ms per frame of the running or last worker
    std::atomic<uint32_t> frameCount;     // frame the worker is on; 0 when it ends
    std::atomic<uint8_t> playing;         // playback thread started and running
    std::atomic<uint8_t> capturing;       // recording thread started and running
    std::atomic<uint8_t> paused;          // the user's pause; no worker writes it
    std::atomic<uint8_t> finished;        // the worker has ended (or failed to start)
    std::atomic<uint8_t> starting;        // a worker was created, its start-up not done
    std::atomic<uint8_t> stopRequested;   // the user-interface thread asks the worker to end
    std::atomic<uint8_t> endReason;       // why the last worker ended (ENGINE_END_*)
};

extern EngineState engineState;

struct CaptureRect {
    int32_t left;
    int32_t top;
    int32_t right;   // inclusive
    int32_t bottom;  // inclusive
};

// The sides a recording may have: at least 16 pixels (anything smaller is no
// window worth recording) and at most 65535, the largest the header stores.
constexpr int64_t SMALLEST_RECORDED_SIDE = 16;
constexpr int64_t LARGEST_RECORDED_SIDE = 0xFFFF;

// 1 when both sides of rect are recordable, else 0.
int CaptureRectRecordable(const CaptureRect* rect);

// The parameter record of a worker, built by its start operation on its own
// stack and copied by the worker before anything else.
struct EngineParams {
    void* window;           // recorded from, or drawn into (HWND)
    uint32_t frameRate;     // recording: frames per second (low 16 bits used)
    uint8_t inMemory;       // playback: source is a video in memory
    const char* source;     // path of the file, or first byte of the video in memory
    // recording: with a window, the part of its visible frame recorded, in
    // coordinates of that frame (the window is followed as it moves); with
    // none, a fixed part of the virtual screen, in screen coordinates
    CaptureRect captureRect;
    size_t sourceLength;    // playback from memory: bytes of the video
    uint32_t bottomBand;    // playback: pixels kept free at the bottom of the client area
};
typedef EngineParams CaptureParams;
typedef EngineParams PlaybackParams;

constexpr uint32_t ENGINE_QUERY_FRAME_COUNT = 1;
constexpr uint32_t ENGINE_QUERY_FRAME_INTERVAL = 2;
constexpr uint32_t ENGINE_QUERY_PLAYING = 3;
constexpr uint32_t ENGINE_QUERY_CAPTURING = 4;
constexpr uint32_t ENGINE_QUERY_PAUSED = 5;
// Selector 6 answers 0, as every unknown selector does.
constexpr uint32_t ENGINE_QUERY_END_REASON = 7;

// Why the last worker ended. A start operation sets ENGINE_END_NONE before it
// creates its worker; the worker writes its reason first in its end
// sequence, before its run flag falls, so that a reader who sees the run
// flag at 0 reads the settled reason.
constexpr uint8_t ENGINE_END_NONE = 0;          // running, or nothing started yet
constexpr uint8_t ENGINE_END_STOPPED = 1;       // Stop, Escape or EngineReset
constexpr uint8_t ENGINE_END_FINISHED = 2;      // the video was played to its end
constexpr uint8_t ENGINE_END_WRITE_FAILED = 3;  // a record could not be written (disk full)
constexpr uint8_t ENGINE_END_FAULT = 4;         // a fault of the frame work (picture or video unreadable)
constexpr uint8_t ENGINE_END_WINDOW_GONE = 5;   // the recorded window no longer exists
constexpr uint8_t ENGINE_END_START_FAILED = 6;  // the start-up failed; nothing ran

// Probes direct screen access without asking for it and clears the five run
// and handshake flags; paused, frameCount and frameInterval stay. Returns 1.
int EngineInit();

// Clears the same five flags without waiting for anything. Returns 1.
int EngineReset();

// Plays a video file (inMemory 0, source a path) or a video held in memory
// (inMemory 1, source its first byte, videoLength its size) into window,
// keeping bottomBand pixels free at the bottom of its client area. When
// paused, only clears the pause and returns 1. Otherwise stops any worker,
// starts the playback thread and returns 1 once it runs, 0 when it failed.
int EngineStartPlayback(const char* source, void* window, uint8_t inMemory, size_t videoLength,
                        uint32_t bottomBand);

// Records rect into a new file at source at frameRate, reading the screen:
// rect of window's visible frame, following the window, or without a window
// rect of the virtual screen. When paused,
// only clears the pause and returns 1. Otherwise stops any worker; refuses
// (0) an area that is not CaptureRectRecordable; starts the recording
// thread and returns 1 once it runs, 0 when it failed.
int EngineStartRecording(const char* source, void* window, const CaptureRect* rect,
                         uint32_t frameRate);

// Flips paused, whether or not a worker runs. Returns 1.
int EngineTogglePause();

// Asks the worker to end, waits until it has, and clears the five flags
// (paused stays). Returns 1.
int EngineStop();

// EngineStop with a bound on the wait, for a session that is ending: asks the
// worker to end and waits at most timeoutMs for it. 1 when no worker runs any
// more (the five flags cleared as by EngineStop); 0 when it still runs after
// that time, with the flags left for it to clear.
int EngineStopWithin(uint32_t timeoutMs);

// The selected value (ENGINE_QUERY_*), or 0 for any other selector.
uint32_t EngineQuery(uint32_t selector);

// The worker's side of the handshakes, shared by both threads.
// After a successful start-up: run flag 1, then starting 0, then finished 0.
void EngineWorkerStarted(std::atomic<uint8_t>* runFlag);
// The end sequence after the worker's own clean-up: endReason (an
// ENGINE_END_* other than NONE and START_FAILED), frameCount 0, finished 1,
// starting 0, stopRequested 0, and the run flag 0 last.
void EngineWorkerEnded(std::atomic<uint8_t>* runFlag, uint8_t reason);
// The end of a worker whose start-up failed: endReason START_FAILED,
// frameCount 0, starting 0, stopRequested 0, the run flag 0, and finished 1
// last. Its run flag was never raised, so nothing waits for it to fall: the
// starter returns on finished, and then this worker writes nothing more.
void EngineWorkerStartFailed(std::atomic<uint8_t>* runFlag);
