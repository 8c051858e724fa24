// Measures what a video whose header claims a huge picture costs the player
// (scripts/measure/measure_hostile_header.sh): for each size, a 1,024-byte video of
// that header at 2 frames per second (HugeClaimVideo) is built into a
// self-playing executable, which is started and left playing for a few
// seconds. Printed per size: the player's peak working set
// and peak committed memory (GetProcessMemoryInfo) and its title, which
// shows how far its playback clock got: a player that keeps up with the 2
// frames per second shows about the seconds waited. 8192 x 8192, the
// surface limit, is what a real video of the largest picture costs.
//
//   measure_hostile_header OUTPUT_FOLDER [SECONDS]
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dialog_driver_win.h"
#include "packaging/builder.h"
#include "packaging_support_win.h"
#include "test_pictures.h"
#include "video_format.h"

namespace {

struct Size {
    uint16_t width;
    uint16_t height;
};

const Size SIZES[] = {{2048, 2048}, {8000, 8000}, {8192, 8192}, {12000, 12000}, {65535, 13107}};

struct Found {
    DWORD process;
    HWND window;
};

BOOL CALLBACK FindPlayerWindow(HWND window, LPARAM found_address) {
    Found* found = reinterpret_cast<Found*>(found_address);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (process != found->process || strcmp(name, "prog_main") != 0) return TRUE;
    found->window = window;
    return FALSE;
}

void Measure(const std::string& folder, Size size, DWORD seconds) {
    char name[64];
    snprintf(name, sizeof name, "hostile_%ux%u", size.width, size.height);
    std::string video = folder + name + ".zuv";
    std::string exe = folder + name + ".exe";
    ResourceUpdateService service;
    DialogScript answers;  // the builder's result box, answered OK
    bool built = false;
    if (WriteBytes(video, HugeClaimVideo(size.width, size.height, 2)) &&
        find_resource_update_service(&service)) {
        DialogDriver driver(GetCurrentThreadId(), &answers);
        built = write_self_playing_exe(&service, video.c_str(), exe.c_str()) == 1;
    }
    if (!built) {
        printf("%5u x %-5u  could not build the executable\n", size.width, size.height);
        return;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    std::string command = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &child)) {
        printf("%5u x %-5u  could not start the player\n", size.width, size.height);
        return;
    }
    Sleep(seconds * 1000);
    Found found = {child.dwProcessId, nullptr};
    EnumWindows(FindPlayerWindow, reinterpret_cast<LPARAM>(&found));
    char title[128] = "(no window)";
    if (found.window) GetWindowTextA(found.window, title, sizeof title);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(child.hProcess, &memory, sizeof memory);
    TerminateProcess(child.hProcess, 0);
    WaitForSingleObject(child.hProcess, 10000);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    printf("%5u x %-5u  peak working set %7.1f MB  peak committed %7.1f MB  title \"%s\"\n",
           size.width, size.height, memory.PeakWorkingSetSize / 1048576.0,
           memory.PeakPagefileUsage / 1048576.0, title);
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: measure_hostile_header OUTPUT_FOLDER [SECONDS]\n");
        return 2;
    }
    std::string folder = argv[1];
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    DWORD seconds = argc > 2 ? static_cast<DWORD>(atoi(argv[2])) : 8;
    printf("1,024-byte videos played %lu s by the %d-bit player (8192 x 8192: the surface limit)\n",
           static_cast<unsigned long>(seconds), static_cast<int>(sizeof(void*) * 8));
    for (const Size& size : SIZES) Measure(folder, size, seconds);
    return 0;
}
