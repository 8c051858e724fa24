#include "frame_schedule.h"

void FrameScheduleBegin(FrameSchedule* schedule, uint32_t intervalMs) {
    *schedule = FrameSchedule{};
    schedule->intervalUs = static_cast<uint64_t>(intervalMs) * 1000u;
}

void FrameSchedulePause(FrameSchedule* schedule, uint64_t nowUs) {
    if (schedule->paused) return;
    schedule->paused = 1;
    schedule->pauseStartUs = nowUs;
}

void FrameScheduleResume(FrameSchedule* schedule, uint64_t nowUs) {
    if (!schedule->paused) return;
    schedule->paused = 0;
    if (nowUs > schedule->pauseStartUs) schedule->pausedUs += nowUs - schedule->pauseStartUs;
}

uint64_t FrameScheduleRecordedUs(const FrameSchedule* schedule, uint64_t nowUs) {
    uint64_t until = schedule->paused && schedule->pauseStartUs < nowUs ? schedule->pauseStartUs
                                                                         : nowUs;
    return until > schedule->pausedUs ? until - schedule->pausedUs : 0;
}

uint64_t FrameScheduleDueUs(const FrameSchedule* schedule, uint64_t record) {
    // Saturates instead of wrapping: a record that far away is never due.
    uint64_t interval = schedule->intervalUs;
    if (interval && record > (UINT64_MAX - schedule->pausedUs) / interval) return UINT64_MAX;
    return record * interval + schedule->pausedUs;
}

uint64_t FrameScheduleMissed(const FrameSchedule* schedule, uint64_t next, uint64_t nowUs,
                             uint64_t maxRecords) {
    if (schedule->intervalUs == 0) return 0;
    // Records 0 to passed - 1 have intervals that are wholly over.
    uint64_t passed = FrameScheduleRecordedUs(schedule, nowUs) / schedule->intervalUs;
    if (passed <= next) return 0;
    uint64_t missed = passed - next;
    return missed < maxRecords ? missed : maxRecords;
}
