// The player's start-up: its window, the video it carries in its own
// resources, the first playback, and the message loop that plays the video
// again some seconds after playback has ended.
#include <windows.h>

#include "engine.h"
#include "player.h"
#include "player_ids.h"
#include "resources/resource_directory.h"
#include "video_format.h"

HINSTANCE instance;
HDC idle_picture;
HBRUSH dialog_brush;
HWND player_window;
const char* embedded_video;
size_t embedded_video_size;
int idle_ticks;

static HBITMAP picture_bitmap;

// Ticks of 500 ms without playback before the video starts again by itself.
static const int REPLAY_AFTER_TICKS = 10;

int start_embedded_video() {
    return EngineStartPlayback(embedded_video, player_window, 1, embedded_video_size, 0);
}

static void create_idle_picture() {
    HWND desktop = GetDesktopWindow();
    HDC desktop_dc = GetWindowDC(desktop);
    idle_picture = CreateCompatibleDC(desktop_dc);
    ReleaseDC(desktop, desktop_dc);
    picture_bitmap = static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(IDB_PLAYER_PICTURE),
                                                     IMAGE_BITMAP, 0, 0, LR_DEFAULTSIZE));
    SelectObject(idle_picture, picture_bitmap);
}

static void release_idle_picture() {
    DeleteObject(picture_bitmap);
    DeleteDC(idle_picture);
}

// False when the window could not be made.
static bool create_player_window() {
    dialog_brush = CreateSolidBrush(RGB(192, 192, 215));

    WNDCLASSEXA window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_PARENTDC;
    window_class.lpfnWndProc = player_window_proc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PLAYER));
    window_class.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PLAYER_SMALL));
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszMenuName = MAKEINTRESOURCEA(IDM_PLAYER);
    window_class.lpszClassName = "prog_main";
    RegisterClassExA(&window_class);

    player_window = CreateWindowExA(0, "prog_main", "ZeVEVIZ Self-Playing Video",
                                    WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, -10, -10, 10, 10,
                                    nullptr, nullptr, instance, nullptr);
    if (!player_window) return false;

    // The restored placement: 400 x 300, centred on the desktop.
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    SetWindowPos(player_window, nullptr, (desktop.right - desktop.left - 399) / 2,
                 (desktop.bottom - desktop.top - 299) / 2, 400, 300, SWP_NOZORDER);

    // The first ShowWindow of a process may be given the show command its
    // starter asked for instead; the second never is, so the window opens
    // maximized however the player was started.
    ShowWindow(player_window, SW_SHOWMAXIMIZED);
    if (!IsZoomed(player_window)) ShowWindow(player_window, SW_SHOWMAXIMIZED);
    UpdateWindow(player_window);
    return true;
}

// This program's resource section as the loader mapped it, and the size of
// the whole image, which bounds every address found in it.
static bool own_resource_section(const uint8_t** section, size_t* size, size_t* image_size) {
    const uint8_t* base = reinterpret_cast<const uint8_t*>(instance);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* headers =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& resources =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE];
    *image_size = headers->OptionalHeader.SizeOfImage;
    if (resources.VirtualAddress == 0 || resources.VirtualAddress > *image_size ||
        *image_size - resources.VirtualAddress < resources.Size)
        return false;
    *section = base + resources.VirtualAddress;
    *size = resources.Size;
    return true;
}

// The language-0 entry is the one a build adds. The system's lookup for the
// neutral language prefers the user's language and could return the
// placeholder beside it, so the entry is looked up in the resource section
// itself: language 0, else 1033, else any.
static bool find_video_entry(const char** data, DWORD* size) {
    const uint8_t* section;
    size_t section_size, image_size;
    ResourceData found;
    if (own_resource_section(&section, &section_size, &image_size) &&
        ResourceFind(section, section_size, "ZEVEVIZ", "VIDEO1", &found) &&
        found.address <= image_size && image_size - found.address >= found.size) {
        *data = reinterpret_cast<const char*>(instance) + found.address;
        *size = found.size;
        return true;
    }
    HRSRC entry = FindResourceA(instance, "VIDEO1", "ZEVEVIZ");
    HGLOBAL loaded = entry ? LoadResource(instance, entry) : nullptr;
    *data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    *size = *data ? SizeofResource(instance, entry) : 0;
    return *data != nullptr;
}

// Finds the carried video. The 4-byte placeholder of a player that was never
// built into a self-playing executable cannot even hold a video header: such
// a player has no video, the same as one without the entry.
static bool find_embedded_video() {
    const char* data;
    DWORD size;
    if (!find_video_entry(&data, &size) || size < VIDEO_HEADER_SIZE) return false;
    embedded_video = data;
    embedded_video_size = size;
    return true;
}

// Dispatches messages until the window is closed. After every message the
// video starts again once the timer has counted enough ticks without
// playback; the count starts over with that attempt, so the video is
// replayed once per idle period and not again at each of the repaints its
// start and end request. An attempt that only lifts a pause starts nothing:
// the count is kept so that the next message starts the video.
static void run_message_loop() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (idle_ticks > REPLAY_AFTER_TICKS) {
            bool only_lifts_pause = EngineQuery(ENGINE_QUERY_PAUSED) != 0;
            start_embedded_video();
            if (!only_lifts_pause) idle_ticks = 0;
        }
    }
}

int WINAPI WinMain(HINSTANCE this_instance, HINSTANCE, LPSTR, int) {
    instance = this_instance;
    create_idle_picture();
    if (!create_player_window()) {
        // Without its window the player could never be closed.
        char text[96];
        wsprintfA(text, "The player could not create its window (system error %lu).",
                  GetLastError());
        MessageBoxA(nullptr, text, "Start-up Failed", MB_ICONERROR);
        release_idle_picture();
        return 1;
    }

    if (find_embedded_video()) {
        UpdateWindow(player_window);
        Sleep(250);
        EngineInit();
        start_embedded_video();
        run_message_loop();
    } else {
        MessageBoxA(nullptr, "Failed to locate resource data", "Data Not Found",
                    MB_ICONWARNING | MB_SYSTEMMODAL | MB_TOPMOST);
    }

    release_idle_picture();
    return 0;
}
