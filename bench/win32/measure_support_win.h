// Clocks of the measuring programs (wall time and the process's processor
// time), and the count of a recorded video's records.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "recording_support_win.h"
#include "video_reader.h"

inline double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& time) {
        return (static_cast<double>(time.dwHighDateTime) * 4294967296.0 + time.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

struct CountedVideo {
    bool sound = false;  // opens, and ends after its last complete record
    uint32_t records = 0;
    uint32_t changed = 0;
    VideoFileHeader header = {};
};

inline CountedVideo CountRecords(const std::string& path) {
    CountedVideo counted;
    std::vector<uint8_t> bytes = ReadWholeFile(path);
    VideoReader reader;
    if (bytes.empty() || !VideoReaderOpen(&reader, bytes.data(), bytes.size())) return counted;
    counted.header = reader.header;
    VideoRecord record;
    size_t end = reader.position;
    while (VideoReaderNext(&reader, &record)) {
        end = reader.position;
        counted.records++;
        if (record.header.frameType != FRAME_UNCHANGED) counted.changed++;
    }
    counted.sound = end == bytes.size();
    return counted;
}
