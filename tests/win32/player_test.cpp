// Self-playing executables at work: built by the builder, started as a
// separate process, watched through their window's title and pixels, and
// driven through their menu commands.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "dialog_driver_win.h"
#include "packaging/builder.h"
#include "packaging_support_win.h"
#include "recorder_support_win.h"

namespace {

const char TITLE[] = "ZeVEVIZ Self-Playing Video";

// The player's menu commands.
const WPARAM PLAY_VIDEO = 40001, STOP_VIDEO = 40002, ABOUT = 40003, PAUSE_VIDEO = 40004;

typedef std::chrono::steady_clock Clock;

long MillisecondsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

bool WaitFor(const std::function<bool()>& condition, long timeout_ms) {
    Clock::time_point start = Clock::now();
    while (!condition()) {
        if (MillisecondsSince(start) > timeout_ms) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return true;
}

struct PlayerWindowSearch {
    DWORD process;
    const char* class_name;
    const char* title;  // null: any
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM search_address) {
    PlayerWindowSearch* search = reinterpret_cast<PlayerWindowSearch*>(search_address);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->process || ClassOf(window) != search->class_name ||
        !IsWindowVisible(window))
        return TRUE;
    if (search->title && WindowText(window) != search->title) return TRUE;
    search->found = window;
    return FALSE;
}

HWND WindowOf(DWORD process, const char* class_name, const char* title = nullptr) {
    PlayerWindowSearch search = {process, class_name, title, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// How many pixels of the window's client area, as the screen shows it, have
// the colour.
int CountColour(HWND window, uint32_t colour) {
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return 0;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    int count = 0;
    const uint32_t* pixels = static_cast<const uint32_t*>(bits);
    for (int i = 0; i < width * height; i++)
        if ((pixels[i] & 0xFFFFFF) == colour) count++;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return count;
}

// A resource type or name as ResourcesOf spells it, back as an id.
LPCSTR ResourceId(const std::string& text) {
    if (text[0] == '#') return MAKEINTRESOURCEA(atoi(text.c_str() + 1));
    return text.c_str();
}

std::string TimedTitle(const char* time) {
    return std::string(TITLE) + " - [" + time + "]";
}

// The test video: 4 s of a moving "F" on blue, 160 x 120 at 10 frames per
// second.
const int VIDEO_WIDTH = 160, VIDEO_HEIGHT = 120;

class Player : public ::testing::Test {
protected:
    void SetUp() override { folder = FreshFolder("morvane_player"); }

    void TearDown() override {
        if (process.hProcess) {
            TerminateProcess(process.hProcess, 1);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
    }

    std::string BuildSelfPlaying(const Bytes& video) {
        std::string video_path = folder + "video.zuv";
        std::string exe = folder + "self_playing.exe";
        EXPECT_TRUE(WriteBytes(video_path, video));
        ResourceUpdateService service;
        EXPECT_TRUE(find_resource_update_service(&service));
        DialogScript script;
        DialogDriver driver(GetCurrentThreadId(), &script);
        EXPECT_EQ(write_self_playing_exe(&service, video_path.c_str(), exe.c_str()), 1);
        return exe;
    }

    // Starts the program with a command line and show command that it is
    // to ignore, and waits for its window.
    void Start(const std::string& exe) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWMINNOACTIVE;
        std::string command_line = "\"" + exe + "\" /ignored c:\\nothing.zuv";
        ASSERT_TRUE(CreateProcessA(exe.c_str(), &command_line[0], nullptr, nullptr, FALSE, 0,
                                   nullptr, nullptr, &startup, &process));
        ASSERT_TRUE(WaitFor([&] { return (window = WindowOf(process.dwProcessId, "prog_main")); },
                            20000));
    }

    int BluePixels() { return CountColour(window, VideoBlue()); }
    // The frame covers the window where it plays; the picture has no such blue.
    bool ShowsVideo() { return BluePixels() > VIDEO_WIDTH * VIDEO_HEIGHT * 3 / 4; }
    bool ShowsNoVideo() { return BluePixels() < 100; }
    std::string Title() { return WindowText(window); }

    void Command(WPARAM id) { PostMessageA(window, WM_COMMAND, id, 0); }

    // Closes the window as a person would and expects a clean end.
    void CloseAndExpectExitCodeZero() {
        PostMessageA(window, WM_CLOSE, 0, 0);
        ASSERT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_EQ(code, 0u);
    }

    // A player without a video says so, above everything, with its own
    // window already open, and ends with exit code 0 once the box is closed.
    void ExpectDataNotFound() {
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor(
            [&] { return (box = WindowOf(process.dwProcessId, "#32770", "Data Not Found")); },
            20000));
        EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)), "Failed to locate resource data");
        EXPECT_TRUE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_TRUE(IsZoomed(window));
        PressButton(box, IDOK);
        ASSERT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_EQ(code, 0u);
    }

    std::string folder;
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;
};

TEST_F(Player, OpensMaximizedPlaysItsVideoAndReplaysItOncePerIdlePeriod) {
    Start(BuildSelfPlaying(MakeTestVideo(VIDEO_WIDTH, VIDEO_HEIGHT, 10, 40)));
    EXPECT_TRUE(WaitFor([&] { return IsZoomed(window) != 0; }, 10000));
    ASSERT_TRUE(WaitFor([&] { return ShowsVideo(); }, 20000));
    // The window may still be growing to its maximised size: a frame drawn
    // stretched before then has no pixel of the exact red.
    EXPECT_TRUE(WaitFor([&] { return CountColour(window, VideoRed()) > 6 * 6 * 5; }, 5000));
    EXPECT_TRUE(WaitFor([&] { return Title() == TimedTitle("00:00:02"); }, 5000)) << Title();

    for (int period = 0; period < 2; period++) {
        ASSERT_TRUE(WaitFor([&] { return ShowsNoVideo(); }, 10000));
        Clock::time_point ended = Clock::now();
        EXPECT_TRUE(WaitFor([&] { return Title() == TimedTitle("00:00:00"); }, 2000));
        ASSERT_TRUE(WaitFor([&] { return ShowsVideo(); }, 15000));
        long idle = MillisecondsSince(ended);
        EXPECT_GE(idle, 3500);
        EXPECT_LE(idle, 9000);
        // Started once, the replay gets through the video: the elapsed
        // time grows past its first seconds.
        EXPECT_TRUE(WaitFor([&] { return Title() == TimedTitle("00:00:02"); }, 5000)) << Title();
    }

    // Restored, the window is 400 x 300, centred on the desktop.
    PostMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    // The maximized state ends before the window has moved: the placement is
    // waited for, not the state alone.
    RECT desktop, placed;
    GetWindowRect(GetDesktopWindow(), &desktop);
    ASSERT_TRUE(WaitFor([&] {
        GetWindowRect(window, &placed);
        return !IsZoomed(window) && placed.right - placed.left == 400;
    }, 10000));
    EXPECT_EQ(placed.left, (desktop.right - 399) / 2);
    EXPECT_EQ(placed.top, (desktop.bottom - 299) / 2);
    EXPECT_EQ(placed.right - placed.left, 400);
    EXPECT_EQ(placed.bottom - placed.top, 300);
    CloseAndExpectExitCodeZero();
}

TEST_F(Player, A4KVideoPlaysWholeInAWindowNoLargerThanTheWorkArea) {
    Start(BuildSelfPlaying(MakeQuadrantVideo(3840, 2160, 2, 10)));
    EXPECT_TRUE(WaitFor([&] { return IsZoomed(window) != 0; }, 10000));
    RECT work, client;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_GE(client.left, work.left);
    EXPECT_GE(client.top, work.top);
    EXPECT_LE(client.right, work.right);
    EXPECT_LE(client.bottom, work.bottom);
    // Stretched over the whole client area from (1, 1).
    EXPECT_TRUE(WaitFor([&] {
        int w = 0, h = 0;
        std::vector<uint32_t> pixels = GrabClientFromScreen(window, &w, &h);
        return w > 100 && h > 100 && ShowsQuadrants(pixels, w, 1, 1, w - 2, h - 2);
    }, 30000));
    CloseAndExpectExitCodeZero();
}

TEST_F(Player, StopPauseAndPlayFromTheMenuAndTheAboutDialog) {
    Start(BuildSelfPlaying(MakeTestVideo(VIDEO_WIDTH, VIDEO_HEIGHT, 10, 40)));
    ASSERT_TRUE(WaitFor([&] { return ShowsVideo(); }, 20000));

    // Stop: the picture at once, the video again about 5 s later.
    Command(STOP_VIDEO);
    ASSERT_TRUE(WaitFor([&] { return ShowsNoVideo(); }, 3000));
    Clock::time_point stopped = Clock::now();
    EXPECT_TRUE(WaitFor([&] { return Title() == TimedTitle("00:00:00"); }, 2000));
    ASSERT_TRUE(WaitFor([&] { return ShowsVideo(); }, 15000));
    EXPECT_GE(MillisecondsSince(stopped), 3500);

    // Pause: the frame and the time stand still, and nothing replays.
    ASSERT_TRUE(WaitFor([&] { return Title() == TimedTitle("00:00:01"); }, 5000));
    Command(PAUSE_VIDEO);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    std::string paused_title = Title();
    Clock::time_point paused = Clock::now();
    while (MillisecondsSince(paused) < 7000) {
        EXPECT_EQ(Title(), paused_title);
        EXPECT_TRUE(ShowsVideo());
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    Command(PAUSE_VIDEO);
    EXPECT_TRUE(WaitFor([&] { return Title() == TimedTitle("00:00:03"); }, 5000)) << Title();

    // Play while idle starts the video at once, long before the replay.
    ASSERT_TRUE(WaitFor([&] { return ShowsNoVideo(); }, 10000));
    Command(PLAY_VIDEO);
    Clock::time_point asked = Clock::now();
    ASSERT_TRUE(WaitFor([&] { return ShowsVideo(); }, 5000));
    EXPECT_LT(MillisecondsSince(asked), 3000);

    Command(ABOUT);
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            return (about = WindowOf(process.dwProcessId, "#32770",
                                     "About ZeVEVIZ Self-Playing Video"));
        },
        10000));
    EXPECT_EQ(WindowText(GetDlgItem(about, IDCANCEL)), "Close");
    PressButton(about, IDCANCEL);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }, 10000));
    CloseAndExpectExitCodeZero();
}

TEST_F(Player, AfterPauseThenStopTheReplayStartsTheVideoAndPlayWhilePausedOnlyLiftsThePause) {
    Start(BuildSelfPlaying(MakeTestVideo(VIDEO_WIDTH, VIDEO_HEIGHT, 10, 40)));
    ASSERT_TRUE(WaitFor([&] { return ShowsVideo(); }, 20000));

    // Pause, then Stop: the pause outlives the playback; the replay's first
    // start only lifts it, and the next starts the video.
    Command(PAUSE_VIDEO);
    Command(STOP_VIDEO);
    ASSERT_TRUE(WaitFor([&] { return ShowsNoVideo(); }, 3000));
    Clock::time_point stopped = Clock::now();
    ASSERT_TRUE(WaitFor([&] { return ShowsVideo(); }, 15000));
    EXPECT_GE(MillisecondsSince(stopped), 3500);
    EXPECT_TRUE(WaitFor([&] { return Title() == TimedTitle("00:00:01"); }, 5000)) << Title();

    // Play while paused ends the paused playback and starts nothing, with no
    // box; the next Play starts the video at once.
    Command(PAUSE_VIDEO);
    Command(PLAY_VIDEO);
    ASSERT_TRUE(WaitFor([&] { return ShowsNoVideo(); }, 3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_TRUE(ShowsNoVideo());
    EXPECT_EQ(WindowOf(process.dwProcessId, "#32770"), nullptr);
    Command(PLAY_VIDEO);
    Clock::time_point asked = Clock::now();
    ASSERT_TRUE(WaitFor([&] { return ShowsVideo(); }, 5000));
    EXPECT_LT(MillisecondsSince(asked), 3000);
    CloseAndExpectExitCodeZero();
}

TEST_F(Player, TheBarePlayerWithOnlyThePlaceholderHasNoVideo) {
    std::string bare = folder + "bare.exe";
    ASSERT_TRUE(WriteBytes(bare, CarriedPlayer()));
    Start(bare);
    ExpectDataNotFound();
}

TEST_F(Player, APlayerWhoseEntryWasRemovedHasNoVideo) {
    std::string stripped = folder + "stripped.exe";
    ASSERT_TRUE(WriteBytes(stripped, CarriedPlayer()));
    // Every resource written anew, except the video entry.
    std::vector<ResourceEntry> kept = ResourcesOf(stripped);
    HANDLE update = BeginUpdateResourceA(stripped.c_str(), TRUE);
    ASSERT_NE(update, nullptr);
    for (ResourceEntry& entry : kept) {
        if (entry.type == "ZEVEVIZ") continue;
        ASSERT_TRUE(UpdateResourceA(update, ResourceId(entry.type), ResourceId(entry.name),
                                    entry.language, entry.data.data(),
                                    static_cast<DWORD>(entry.data.size())));
    }
    ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
    ASSERT_EQ(ResourcesOf(stripped).size(), kept.size() - 1);
    for (const ResourceEntry& entry : ResourcesOf(stripped)) EXPECT_NE(entry.type, "ZEVEVIZ");
    Start(stripped);
    ExpectDataNotFound();
}

TEST_F(Player, AnEntryThatIsNoVideoLeavesThePlayerIdle) {
    std::string damaged = folder + "damaged.exe";
    ASSERT_TRUE(WriteBytes(damaged, CarriedPlayer()));
    Bytes not_a_video(3000, 0xA5);
    HANDLE update = BeginUpdateResourceA(damaged.c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    ASSERT_TRUE(UpdateResourceA(update, "ZEVEVIZ", "VIDEO1", 0, not_a_video.data(),
                                static_cast<DWORD>(not_a_video.size())));
    ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
    Start(damaged);
    EXPECT_TRUE(WaitFor([&] { return Title() == TimedTitle("00:00:00"); }, 10000)) << Title();
    EXPECT_EQ(WindowOf(process.dwProcessId, "#32770"), nullptr);
    EXPECT_TRUE(ShowsNoVideo());
    CloseAndExpectExitCodeZero();
}

}  // namespace
