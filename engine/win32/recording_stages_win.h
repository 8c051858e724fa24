// The recording thread's clock of its stages (recording_stages.h): it reads
// the counter only while a stage hook is set.
#pragma once

#include "recording_stages.h"
#include "win32/frame_pacing_win.h"

struct StageClock {
    int64_t mark;
};

// Tells the hook the time since the last mark, then marks again, so that the
// hook's own time counts in no stage.
inline void StageClockEnd(StageClock* clock, RecordingStage stage) {
    RecordingStageHook hook = recordingStageHook;
    if (!hook) return;
    hook(stage, FramePacingMark() - clock->mark);
    clock->mark = FramePacingMark();
}
