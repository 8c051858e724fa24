// The recording's schedule played on a simulated clock, the way the
// recording thread applies it: capture, wait until the next record is due
// (pausing when told), then write the intervals that passed without a
// capture as unchanged records. Whatever the frames cost, the video's
// duration keeps to the time recorded and every picture is taken within the
// interval of the record that holds it.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "frame_schedule.h"

namespace {

const uint32_t INTERVAL_MS = 33;  // 30 frames per second
const uint64_t INTERVAL_US = INTERVAL_MS * 1000ull;
const uint64_t PAUSE_POLL_US = 250000;

struct Pause {
    uint64_t fromUs, toUs;  // on the clock
};

struct ScheduledRun {
    std::vector<char> records;          // 'C' a capture, 'U' an unchanged record in its place
    std::vector<uint64_t> captureAtUs;  // clock time of each capture
    std::vector<uint64_t> captureRecord;
    std::vector<uint64_t> captureRecordedUs;  // the time recorded by then
    uint64_t recordedUs = 0;            // time recorded when the recording ended
};

// Records until the clock reaches stopUs; frame number i takes workUs(i) to
// grab, encode and write; the rest between frames wakes exactly on time.
ScheduledRun Simulate(uint32_t intervalMs, std::function<uint64_t(size_t)> workUs, uint64_t stopUs,
             std::vector<Pause> pauses = {}) {
    ScheduledRun run;
    FrameSchedule schedule;
    FrameScheduleBegin(&schedule, intervalMs);
    auto pausedAt = [&](uint64_t now) {
        for (const Pause& p : pauses)
            if (now >= p.fromUs && now < p.toUs) return true;
        return false;
    };
    uint64_t now = 0, record = 0;
    for (;;) {
        run.records.push_back('C');
        run.captureAtUs.push_back(now);
        run.captureRecord.push_back(record);
        run.captureRecordedUs.push_back(FrameScheduleRecordedUs(&schedule, now));
        now += workUs(run.captureAtUs.size() - 1);
        record++;
        bool stop = false;
        for (;;) {
            if (now >= stopUs) {
                stop = true;
                break;
            }
            if (pausedAt(now)) {
                FrameSchedulePause(&schedule, now);
                now += PAUSE_POLL_US;
                continue;
            }
            FrameScheduleResume(&schedule, now);
            uint64_t due = FrameScheduleDueUs(&schedule, record);
            if (now >= due) break;
            now = due < stopUs ? due : stopUs;
        }
        uint64_t missed = FrameScheduleMissed(&schedule, record, now, UINT32_MAX - record);
        run.records.insert(run.records.end(), missed, 'U');
        record += missed;
        if (stop) break;
    }
    run.recordedUs = FrameScheduleRecordedUs(&schedule, now);
    return run;
}

size_t Count(const ScheduledRun& run, char type) {
    size_t n = 0;
    for (char c : run.records) n += c == type;
    return n;
}

// The video lasts the time recorded, within one interval, and each capture
// was taken during the interval of its own record.
void ExpectRealTime(const ScheduledRun& run) {
    double duration = static_cast<double>(run.records.size()) * INTERVAL_US;
    EXPECT_NEAR(duration, static_cast<double>(run.recordedUs), INTERVAL_US);
    for (size_t i = 0; i < run.captureAtUs.size(); i++) {
        EXPECT_EQ(run.captureRecordedUs[i] / INTERVAL_US, run.captureRecord[i]) << "capture " << i;
        EXPECT_EQ(run.records[run.captureRecord[i]], 'C');
    }
}

TEST(FrameSchedule, QuickFramesAreCapturedOnTimeAndNoneIsMissed) {
    ScheduledRun run = Simulate(INTERVAL_MS, [](size_t) { return 5000; }, 10000000);
    EXPECT_EQ(Count(run, 'U'), 0u);
    EXPECT_EQ(run.records.size(), 10000000 / INTERVAL_US + 1);
    for (size_t i = 0; i < run.captureAtUs.size(); i++)
        EXPECT_EQ(run.captureAtUs[i], i * INTERVAL_US);
    ExpectRealTime(run);
}

TEST(FrameSchedule, SlowFramesAndStallsAreMadeUpWithUnchangedRecords) {
    // Every frame 2.4 intervals long: two captures in five intervals.
    ScheduledRun slow = Simulate(INTERVAL_MS, [](size_t) { return 80000; }, 10000000);
    ExpectRealTime(slow);
    EXPECT_NEAR(static_cast<double>(Count(slow, 'C')), 10000000.0 / 80000, 2);
    // A frame just over one interval is late within the next one: no record
    // is missed, the next capture is only late.
    ScheduledRun late = Simulate(INTERVAL_MS, [](size_t) { return 40000; }, 5000000);
    ExpectRealTime(late);
    EXPECT_GT(Count(late, 'U'), 0u);
    // One stall of a second: the seconds' intervals become unchanged
    // records, and the frames after it keep to the schedule again.
    auto stallAt30 = [](size_t i) -> uint64_t { return i == 30 ? 1000000 : 5000; };
    ScheduledRun stall = Simulate(INTERVAL_MS, stallAt30, 5000000);
    ExpectRealTime(stall);
    EXPECT_EQ(Count(stall, 'U'), (30 * INTERVAL_US + 1000000) / INTERVAL_US - 31);
    // A machine that varies: frames from a few ms to several intervals.
    uint32_t seed = 1;
    ScheduledRun mixed = Simulate(INTERVAL_MS, [&seed](size_t) {
        seed = seed * 1103515245u + 12345u;
        return 2000 + (seed >> 8) % 150000;
    }, 20000000);
    ExpectRealTime(mixed);
}

TEST(FrameSchedule, APauseShiftsTheScheduleByItsLength) {
    std::vector<Pause> pauses = {{2000000, 4500000}, {6000000, 6300000}};
    ScheduledRun run = Simulate(INTERVAL_MS, [](size_t) { return 5000; }, 9000000, pauses);
    EXPECT_EQ(Count(run, 'U'), 0u);  // a pause is not made up
    EXPECT_NEAR(static_cast<double>(run.recordedUs), 9000000.0 - 2500000 - 300000, PAUSE_POLL_US);
    ExpectRealTime(run);
    // A frame late when the pause came: its missed intervals are written
    // after the pause, and the pause itself is not.
    auto lateAt10 = [](size_t i) -> uint64_t { return i == 10 ? 200000 : 5000; };
    ScheduledRun lateThenPaused = Simulate(INTERVAL_MS, lateAt10, 5000000, {{430000, 1500000}});
    ExpectRealTime(lateThenPaused);
}

TEST(FrameSchedule, AStopWritesTheIntervalsThatPassedAndFramesBackToBackMissNone) {
    // The end comes during a frame five intervals long: the intervals it
    // covered are there, the one under way is not.
    auto longAt5 = [](size_t i) -> uint64_t { return i == 5 ? 5 * INTERVAL_US + 1000 : 5000; };
    ScheduledRun run = Simulate(INTERVAL_MS, longAt5, 6 * INTERVAL_US + 5 * INTERVAL_US);
    ExpectRealTime(run);
    EXPECT_EQ(run.records.size(), 11u);

    FrameSchedule backToBack;
    FrameScheduleBegin(&backToBack, 0);
    EXPECT_EQ(FrameScheduleDueUs(&backToBack, 1000), 0u);
    EXPECT_EQ(FrameScheduleMissed(&backToBack, 1, 5000000, UINT32_MAX), 0u);

    // Far records never wrap round to be due; missed records are bounded.
    FrameSchedule schedule;
    FrameScheduleBegin(&schedule, 1000);
    EXPECT_EQ(FrameScheduleDueUs(&schedule, UINT64_MAX / 10), UINT64_MAX);
    EXPECT_EQ(FrameScheduleMissed(&schedule, 1, UINT64_MAX, 70), 70u);
    FrameSchedulePause(&schedule, 3000000);
    FrameSchedulePause(&schedule, 4000000);  // the same pause seen again
    EXPECT_EQ(FrameScheduleRecordedUs(&schedule, 9000000), 3000000u);
    FrameScheduleResume(&schedule, 5000000);
    EXPECT_EQ(FrameScheduleDueUs(&schedule, 4), 6000000u);
    EXPECT_EQ(FrameScheduleRecordedUs(&schedule, 9000000), 7000000u);
}

}  // namespace
