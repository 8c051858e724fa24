#include "frame_wait.h"

void FrameWaitBegin(FrameWaitLateness* lateness, uint32_t assumedUs) {
    *lateness = FrameWaitLateness{};
    lateness->assumedUs = assumedUs;
}

static uint32_t LatestWakeUs(const FrameWaitLateness* lateness) {
    if (lateness->count == 0) return lateness->assumedUs;
    uint32_t latest = 0;
    for (uint32_t i = 0; i < lateness->count && i < FRAME_WAIT_SAMPLES; i++)
        if (lateness->recentUs[i] > latest) latest = lateness->recentUs[i];
    return latest;
}

uint32_t FrameWaitSleepUs(const FrameWaitLateness* lateness, uint64_t remainingUs) {
    uint64_t reserved = static_cast<uint64_t>(LatestWakeUs(lateness)) + FRAME_WAIT_MARGIN_US;
    if (remainingUs <= reserved) return 0;
    uint64_t sleep = remainingUs - reserved;
    return sleep < FRAME_WAIT_LONGEST_SLEEP_US ? static_cast<uint32_t>(sleep)
                                               : FRAME_WAIT_LONGEST_SLEEP_US;
}

void FrameWaitMeasured(FrameWaitLateness* lateness, uint64_t askedUs, uint64_t tookUs) {
    uint64_t late = tookUs > askedUs ? tookUs - askedUs : 0;
    if (late > FRAME_WAIT_MOST_LATE_US) return;
    lateness->recentUs[lateness->next % FRAME_WAIT_SAMPLES] = static_cast<uint32_t>(late);
    lateness->next = (lateness->next + 1) % FRAME_WAIT_SAMPLES;
    if (lateness->count < FRAME_WAIT_SAMPLES) lateness->count++;
}
