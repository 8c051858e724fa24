// Measures what a long recording costs the recorder (scripts/measure/
// measure_long_video.sh), beside a short one of the same pictures:
//   spread SHORT.zuv LONG.zuv   writes LONG, the records of SHORT spread over
//                               3 GiB of a sparse file: each record's header
//                               puts its data 3 GiB / records further on, so
//                               that playing it reads from every part of it
//   play MORVANE.EXE VIDEO      starts the recorder with VIDEO on its command
//                               line, waits until it has played it to its end
//                               and prints the recorder's peak memory
//   export VIDEO OUT            exports VIDEO as the recorder's Tools menu
//                               does (an animated PNG or, for OUT ending in
//                               .gif, a GIF) and prints the time it took and
//                               this process's peak memory
#include <windows.h>
#include <psapi.h>
#include <winioctl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "byte_order.h"
#include "dialog_driver_win.h"
#include "measure_support_win.h"
#include "recorder_driver_win.h"
#include "recorder_globals.h"
#include "sharing/export_command.h"
#include "video_check.h"
#include "video_reader.h"

namespace {

const uint64_t SPREAD_OVER = 3ull << 30;

bool Spread(const char* shortPath, const char* longPath) {
    std::vector<uint8_t> bytes = ReadWholeFile(shortPath);
    VideoReader reader;
    if (bytes.empty() || !VideoReaderOpen(&reader, bytes.data(), bytes.size())) return false;
    std::vector<VideoRecord> records;
    VideoRecord record;
    while (VideoReaderNext(&reader, &record)) records.push_back(record);
    if (records.empty()) return false;
    uint32_t gap = static_cast<uint32_t>(SPREAD_OVER / records.size());
    HANDLE file = CreateFileA(longPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    auto writeAt = [&](uint64_t at, const uint8_t* data, size_t size) {
        LARGE_INTEGER where;
        where.QuadPart = static_cast<LONGLONG>(at);
        DWORD written = 0;
        return SetFilePointerEx(file, where, nullptr, FILE_BEGIN) &&
               WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) &&
               written == size;
    };
    bool whole = writeAt(0, bytes.data(), VIDEO_HEADER_SIZE);
    uint64_t at = VideoFirstRecordOffset(&reader.header);
    for (const VideoRecord& each : records) {
        uint8_t header[FRAME_RECORD_HEADER_SIZE];
        FrameRecordHeader spread = each.header;
        spread.headerSize = FRAME_RECORD_HEADER_SIZE + gap;
        FrameRecordHeaderStore(&spread, header);
        whole = whole && writeAt(at, header, sizeof header) &&
                writeAt(at + spread.headerSize, each.data, each.header.dataSize);
        at += spread.headerSize + each.header.dataSize;
    }
    CloseHandle(file);
    printf("%s: %zu records over %.2f GB\n", longPath, records.size(), at / 1e9);
    return whole;
}

// The recorder keeps the video open while it plays it; the status line
// keeps its last text once playback ends.
bool Released(const char* video) {
    HANDLE file = CreateFileA(video, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

int Play(const char* program, const char* video) {
    RunningProgram running = StartProgram(program, std::string("\"") + video + "\"");
    if (!running.started) {
        printf("%s could not be started (error %lu)\n", program, running.error);
        return 1;
    }
    HWND main = WaitForProgramWindow(running, "prog_main", 60000);
    double start = Now();
    bool played = main && WaitForStatus(main, " Playing", 60000) &&
                  WaitFor([&] { return Released(video); }, 600000);
    double seconds = Now() - start;
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(running.process.hProcess, &memory, sizeof memory);
    if (main)
        CloseProgram(&running, main);
    else
        TerminateProcess(running.process.hProcess, 1);
    printf("%-40s %s in %5.1f s  peak working set %6.1f MB  peak committed %6.1f MB\n", video,
           played ? "played" : "NOT PLAYED", seconds, memory.PeakWorkingSetSize / 1048576.0,
           memory.PeakPagefileUsage / 1048576.0);
    return played ? 0 : 1;
}

int Export(const char* video, const char* out) {
    program_instance = GetModuleHandleA(nullptr);
    size_t length = strlen(out);
    bool gif = length > 4 && lstrcmpiA(out + length - 4, ".gif") == 0;
    DialogScript answers;  // the box at the end, answered OK
    double start = Now();
    double cpuStart = ProcessCpuSeconds();
    int written;
    {
        DialogDriver driver(GetCurrentThreadId(), &answers);
        written = write_export(video, out, gif ? EXPORT_AS_GIF : EXPORT_AS_APNG);
    }
    double seconds = Now() - start, cpu = ProcessCpuSeconds() - cpuStart;
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    printf("%-40s %s %s in %5.1f s (processor %5.1f s)  peak working set %6.1f MB  peak "
           "committed %6.1f MB\n",
           video, gif ? "GIF " : "APNG", written ? "written" : "NOT WRITTEN", seconds, cpu,
           memory.PeakWorkingSetSize / 1048576.0, memory.PeakPagefileUsage / 1048576.0);
    if (!written) printf("  %s\n", Describe(answers).c_str());
    return written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 2; i < argc; i++)
        for (char* c = argv[i]; *c; c++)
            if (*c == '/') *c = '\\';
    if (argc == 4 && strcmp(argv[1], "spread") == 0) return Spread(argv[2], argv[3]) ? 0 : 1;
    if (argc == 4 && strcmp(argv[1], "play") == 0) return Play(argv[2], argv[3]);
    if (argc == 4 && strcmp(argv[1], "export") == 0) return Export(argv[2], argv[3]);
    fprintf(stderr, "usage: measure_long_video spread SHORT.zuv LONG.zuv | play MORVANE.EXE VIDEO "
                    "| export VIDEO OUT.png|OUT.gif\n");
    return 2;
}
