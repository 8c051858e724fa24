#include "engine.h"

EngineState engineState;

uint32_t EngineQuery(uint32_t selector) {
    switch (selector) {
        case ENGINE_QUERY_FRAME_COUNT: return engineState.frameCount;
        case ENGINE_QUERY_FRAME_INTERVAL: return engineState.frameInterval;
        case ENGINE_QUERY_PLAYING: return engineState.playing;
        case ENGINE_QUERY_CAPTURING: return engineState.capturing;
        case ENGINE_QUERY_PAUSED: return engineState.paused;
        case ENGINE_QUERY_END_REASON: return engineState.endReason;
        default: return 0;
    }
}

int EngineTogglePause() {
    engineState.paused = engineState.paused ? 0 : 1;
    return 1;
}

int EngineReset() {
    engineState.finished = 0;
    engineState.capturing = 0;
    engineState.playing = 0;
    engineState.stopRequested = 0;
    engineState.starting = 0;
    return 1;
}

void EngineWorkerStarted(std::atomic<uint8_t>* runFlag) {
    *runFlag = 1;
    engineState.starting = 0;
    engineState.finished = 0;
}

void EngineWorkerEnded(std::atomic<uint8_t>* runFlag, uint8_t reason) {
    engineState.endReason = reason;
    engineState.frameCount = 0;
    engineState.finished = 1;
    engineState.starting = 0;
    engineState.stopRequested = 0;
    *runFlag = 0;
}

void EngineWorkerStartFailed(std::atomic<uint8_t>* runFlag) {
    engineState.endReason = ENGINE_END_START_FAILED;
    engineState.frameCount = 0;
    engineState.starting = 0;
    engineState.stopRequested = 0;
    *runFlag = 0;
    engineState.finished = 1;
}
