// Entry points of the engine's worker threads. Each takes the address of an
// EngineParams record, copies it first, and returns 0.
#pragma once

#include <windows.h>

#include "engine.h"

DWORD WINAPI RecordingThread(LPVOID params);
DWORD WINAPI PlaybackThread(LPVOID params);

// Starts a worker on params and waits for its start handshake. Returns 1
// once the worker runs, 0 when the thread could not be created or its
// start-up failed; in that case the worker has made its last write.
int EngineRunWorker(LPTHREAD_START_ROUTINE entry, EngineParams* params,
                    std::atomic<uint8_t>* runFlag);

// The opening of both start operations: a paused engine is only resumed
// (true); otherwise any running worker is stopped and waited for (false).
bool EngineResumedInsteadOfStart();
