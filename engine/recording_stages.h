// Where a recording's time goes: the stages every frame of the recording
// thread passes through, and a hook that is told how long each one took.
// Measuring programs and tests set the hook; unset, it costs the thread one
// test per stage and no clock reading.
#pragma once

#include <cstdint>

enum RecordingStage : uint32_t {
    RECORDING_STAGE_GRAB,         // the window's pixels into the current surface
    RECORDING_STAGE_CURSOR,       // the mouse cursor drawn into them
    RECORDING_STAGE_CHANGE_TEST,  // compared with the last picture stored
    RECORDING_STAGE_ENCODE,       // the colour planes of a changed picture, which is kept
                                  // as the last one stored as they are made
    RECORDING_STAGE_PACK,         // the run-length packing of the planes
    RECORDING_STAGE_WRITE,        // the record appended to the file
    RECORDING_STAGE_COUNT
};

// Called on the recording thread at the end of each stage of each frame, with
// the stage's time in ticks of the engine's clock (the performance counter on
// Windows). Time spent in the hook itself is counted in no stage.
typedef void (*RecordingStageHook)(RecordingStage stage, int64_t ticks);

// Read by the recording thread at every stage; set it before a recording
// starts and clear it after it has ended.
extern RecordingStageHook recordingStageHook;

// A short lower-case name of the stage, for reports.
const char* RecordingStageName(RecordingStage stage);
