#include "recording_stages.h"

RecordingStageHook recordingStageHook = nullptr;

const char* RecordingStageName(RecordingStage stage) {
    static const char* const NAMES[RECORDING_STAGE_COUNT] = {
        "grab", "cursor", "change test", "encode", "pack", "write"};
    return stage < RECORDING_STAGE_COUNT ? NAMES[stage] : "?";
}
