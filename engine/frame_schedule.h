// The schedule of a recording in real time. Record n stands for the n-th
// frame interval of the time recorded: it is due n intervals after the
// recording's start mark, plus the time spent paused before it, and a pause
// shifts every later record by its length. When a frame ends one or more
// whole intervals late, the records whose intervals passed without a capture
// are written as unchanged records before the next capture, so that the
// video's duration (records x interval) keeps to the time recorded, pauses
// left out, within one interval, however slow the machine. Times are
// microseconds of the recording's clock since its start mark.
#pragma once

#include <cstdint>

struct FrameSchedule {
    uint64_t intervalUs;    // 0: frames back to back, nothing is ever due late
    uint64_t pausedUs;      // time spent in the pauses that have ended
    uint64_t pauseStartUs;  // when the running pause began
    uint8_t paused;
};

void FrameScheduleBegin(FrameSchedule* schedule, uint32_t intervalMs);

// The pause seen at nowUs: from its beginning until it ends, no time is
// recorded. Seen again while it lasts, nothing changes.
void FrameSchedulePause(FrameSchedule* schedule, uint64_t nowUs);
// The end of the running pause, if any, at nowUs.
void FrameScheduleResume(FrameSchedule* schedule, uint64_t nowUs);

// The time recorded by nowUs: the clock's time, pauses left out.
uint64_t FrameScheduleRecordedUs(const FrameSchedule* schedule, uint64_t nowUs);

// When record number `record` is due on the clock.
uint64_t FrameScheduleDueUs(const FrameSchedule* schedule, uint64_t record);

// With the records before `next` written, at nowUs: how many records from
// `next` on stand for intervals that have passed entirely without a capture.
// They are written as unchanged records, and the next capture is record
// next + that number. 0 while on time and for frames back to back; during a
// pause, the intervals before it count. At most maxRecords.
uint64_t FrameScheduleMissed(const FrameSchedule* schedule, uint64_t next, uint64_t nowUs,
                             uint64_t maxRecords);
