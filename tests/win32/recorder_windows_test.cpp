// The recorder's windows driven in-process: command-line parsing, centring,
// the main window's layout and shutdown, the toolbar, the About dialog and
// the progress window.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "dialog_driver_win.h"
#include "about_dialog.h"
#include "progress_dialog.h"
#include "engine.h"
#include "main_window.h"
#include "recorder_globals.h"
#include "recorder_support_win.h"
#include "recorder_startup.h"
#include "resource_ids.h"
#include "toolbar.h"
#include "window_utils.h"

namespace {

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;  // posted by the windows' WM_DESTROY
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

template <typename Condition>
bool PumpUntil(Condition condition, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    for (;;) {
        Pump();
        if (condition()) return true;
        if (GetTickCount() - start > timeout_ms) return false;
        Sleep(5);
    }
}

std::string TempFolder() {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return folder;
}

void MakeFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    CloseHandle(file);
}

class RecorderWindows : public ::testing::Test {
protected:
    void SetUp() override {
        program_instance = GetModuleHandleA(nullptr);
        main_window = toolbar_window = status_line = nullptr;
    }
    void TearDown() override {
        if (IsWindow(main_window)) DestroyWindow(main_window);
        Pump();
        main_window = toolbar_window = status_line = nullptr;
    }
};

// --- parse_command_line and file_exists -----------------------------------

TEST_F(RecorderWindows, CommandLineYieldsFullPathsQuotedOrNotBlanksIncluded) {
    std::string folder = TempFolder() + "morvane dir with blanks";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string path = folder + "\\my video.file.zuv";
    MakeFile(path);
    ASSERT_EQ(path[1], ':');

    char out[CURRENT_FILE_CAPACITY];
    strcpy(out, "c:\\untitled.zuv");
    EXPECT_EQ(parse_command_line(("\"" + path + "\"").c_str(), out, sizeof out), 1);
    EXPECT_EQ(std::string(out), path);

    strcpy(out, "c:\\untitled.zuv");
    EXPECT_EQ(parse_command_line(path.c_str(), out, sizeof out), 1);
    EXPECT_EQ(std::string(out), path);

    // The association's form: a leading option cannot hide the path.
    EXPECT_EQ(parse_command_line(("/x \"" + path + "\" ").c_str(), out, sizeof out), 1);
    EXPECT_EQ(std::string(out), path);
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST_F(RecorderWindows, CommandLineWithoutAnExistingFileGivesTheEmptyText) {
    char out[CURRENT_FILE_CAPACITY] = "c:\\untitled.zuv";
    EXPECT_EQ(parse_command_line(nullptr, out, sizeof out), 0);
    EXPECT_STREQ(out, "c:\\untitled.zuv");
    EXPECT_EQ(parse_command_line("", out, sizeof out), 0);
    EXPECT_STREQ(out, "c:\\untitled.zuv");

    EXPECT_EQ(parse_command_line("\"c:\\no such folder\\no such file.zuv\"", out, sizeof out), 1);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(file_exists("c:\\no such folder\\no such file.zuv"), 0);

    // A relative name that begins with a double quote yields nothing.
    strcpy(out, "c:\\untitled.zuv");
    EXPECT_EQ(parse_command_line("\"relative.zuv\"", out, sizeof out), 1);
    EXPECT_STREQ(out, "");
}

TEST_F(RecorderWindows, CommandLineRelativeNameEndsAtTheFirstBlankAndIsMadeAbsolute) {
    char old_folder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, old_folder);
    SetCurrentDirectoryA(TempFolder().c_str());
    char folder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, folder);
    MakeFile("morvane_relative.zuv");
    char out[CURRENT_FILE_CAPACITY] = "c:\\untitled.zuv";
    EXPECT_EQ(parse_command_line("morvane_relative.zuv and more", out, sizeof out), 1);
    // A dialog that changes the current folder later leads nowhere else.
    SetCurrentDirectoryA(old_folder);
    EXPECT_EQ(std::string(out), std::string(folder) + "\\morvane_relative.zuv");
    EXPECT_EQ(file_exists(out), 1);
    DeleteFileA(out);
}

TEST_F(RecorderWindows, CommandLineShorterPathReplacesTheWholeDefault) {
    MakeFile("c:\\a.zuv");
    char out[CURRENT_FILE_CAPACITY] = "c:\\untitled.zuv";
    EXPECT_EQ(parse_command_line("c:\\a.zuv", out, sizeof out), 1);
    EXPECT_STREQ(out, "c:\\a.zuv");
    DeleteFileA("c:\\a.zuv");
}

TEST_F(RecorderWindows, CommandLineRangeTooLongForTheBufferIsRefusedWithinIt) {
    // 600 characters from the drive letter to the end of the extension.
    std::string line = "\"c:\\" + std::string(592, 'x') + ".zuv\"";
    char out[CURRENT_FILE_CAPACITY + 64];
    memset(out, 'Z', sizeof out);
    strcpy(out, "c:\\untitled.zuv");
    EXPECT_EQ(parse_command_line(line.c_str(), out, CURRENT_FILE_CAPACITY), 1);
    EXPECT_STREQ(out, "");
    for (size_t i = CURRENT_FILE_CAPACITY; i < sizeof out; ++i) ASSERT_EQ(out[i], 'Z') << i;

    // 511 characters still fit with their terminator.
    std::string fits = "c:\\" + std::string(504, 'y') + ".zuv";
    ASSERT_EQ(fits.size(), 511u);
    memset(out, 'Z', sizeof out);
    EXPECT_EQ(parse_command_line(fits.c_str(), out, CURRENT_FILE_CAPACITY), 1);
    EXPECT_STREQ(out, "");  // no such file, but nothing beyond the buffer either
    for (size_t i = CURRENT_FILE_CAPACITY; i < sizeof out; ++i) ASSERT_EQ(out[i], 'Z') << i;
}

// --- centre_window --------------------------------------------------------

HWND PlainWindow(int x, int y, int width, int height) {
    return CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

TEST_F(RecorderWindows, CentreWindowCentresOverTheOwnerOrFallsBackToTheCorner) {
    RECT screen;
    GetClientRect(GetDesktopWindow(), &screen);
    HWND owner = PlainWindow(200, 150, 401, 301);
    HWND window = PlainWindow(0, 0, 100, 50);
    RECT r;

    EXPECT_NE(centre_window(window, owner), 0);
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 200 + (401 - 100) / 2);
    EXPECT_EQ(r.top, 150 + (301 - 50) / 2);
    EXPECT_EQ(r.right - r.left, 100);

    // Over an owner at the top left the window may start off the screen.
    SetWindowPos(owner, nullptr, 0, 0, 40, 20, SWP_NOZORDER);
    centre_window(window, owner);
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, -30);
    EXPECT_EQ(r.top, -15);

    // A centred left edge exactly 32 pixels from the right edge: (0, 0).
    SetWindowPos(window, nullptr, 0, 0, 100, 100, SWP_NOZORDER);
    SetWindowPos(owner, nullptr, screen.right - 32, 100, 100, 100, SWP_NOZORDER);
    SetWindowPos(window, nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    centre_window(window, owner);
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    // One pixel further left, the centred place is kept.
    SetWindowPos(owner, nullptr, screen.right - 33, 100, 100, 100, SWP_NOZORDER);
    centre_window(window, owner);
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, screen.right - 33);
    // The same at the bottom edge.
    SetWindowPos(owner, nullptr, 100, screen.bottom - 32, 100, 100, SWP_NOZORDER);
    centre_window(window, owner);
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);

    DestroyWindow(owner);
    EXPECT_EQ(centre_window(window, owner), 0);
    EXPECT_EQ(centre_window(nullptr, window), 0);
    DestroyWindow(window);
}

// --- main window ----------------------------------------------------------

RECT ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Refuses the creation of the recorder's main window, as a system out of
// window resources would.
LRESULT CALLBACK RefuseMainWindow(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND) {
        LPCSTR name = reinterpret_cast<CBT_CREATEWNDA*>(lparam)->lpcs->lpszClass;
        if (!IS_INTRESOURCE(name) && lstrcmpA(name, MAIN_WINDOW_CLASS) == 0) return 1;
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

TEST_F(RecorderWindows, AMainWindowThatCannotBeMadeIsReportedAndTheProgramEnds) {
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseMainWindow, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    DialogScript script;
    int code;
    {
        DialogDriver driver(GetCurrentThreadId(), &script);
        code = run_recorder(GetModuleHandleA(nullptr), "");
    }
    UnhookWindowsHookEx(hook);
    EXPECT_NE(code, 0);
    EXPECT_EQ(main_window, nullptr);
    ASSERT_EQ(script.boxes.size(), 1u) << Describe(script);
    EXPECT_EQ(script.boxes[0].caption, "Start-up Failed");
    EXPECT_EQ(script.boxes[0].text.rfind("Morvane could not create its main window", 0), 0u)
        << script.boxes[0].text;
}

TEST_F(RecorderWindows, MainWindowIsPlacedFromTheScreenSizeAndKeepsItsBottomStrip) {
    ASSERT_EQ(create_main_windows(), 1);
    ASSERT_TRUE(IsWindow(main_window));
    RECT screen, r;
    GetWindowRect(GetDesktopWindow(), &screen);
    GetWindowRect(main_window, &r);
    EXPECT_EQ(r.left, (screen.right - 399) / 2);
    EXPECT_EQ(r.top, (screen.bottom - 299) / 2);
    EXPECT_EQ(r.right - r.left, 400);
    EXPECT_EQ(r.bottom - r.top, 340);
    EXPECT_TRUE(IsWindowVisible(toolbar_window));
    EXPECT_TRUE(IsWindowVisible(status_line));

    for (SIZE size : {SIZE{400, 340}, SIZE{700, 520}, SIZE{250, 200}}) {
        SetWindowPos(main_window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        Pump();
        RECT client;
        GetClientRect(main_window, &client);
        RECT t = ChildRect(toolbar_window), s = ChildRect(status_line);
        EXPECT_EQ(t.left, 0);
        EXPECT_EQ(t.top, client.bottom - 24);
        EXPECT_EQ(t.right - t.left, 96);
        EXPECT_EQ(t.bottom - t.top, 24);
        EXPECT_EQ(s.left, 96);
        EXPECT_EQ(s.top, client.bottom - 24);
        EXPECT_EQ(s.right, client.right + 1);  // one pixel beyond the client area
        EXPECT_EQ(s.bottom, client.bottom);
    }
}

TEST_F(RecorderWindows, IdlePictureIsCentredWhenItFitsAndStretchedOtherwise) {
    create_idle_picture();
    ASSERT_NE(idle_picture_bitmap, nullptr);
    std::vector<uint32_t> picture = GrabPixels(idle_picture, 0, 0, 314, 180);

    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 800, 600);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(memory, canvas);

    // A client area of 314 x 180 shows the picture unscaled at (0, 0).
    SetWindowPos(window, nullptr, 0, 0, 314, 180, SWP_NOZORDER);
    paint_idle_picture(window, memory);
    std::vector<uint32_t> shown = GrabPixels(memory, 0, 0, 314, 180);
    size_t same = 0;
    for (int y = 0; y < 179; ++y)
        for (int x = 0; x < 313; ++x) same += shown[y * 314 + x] == picture[y * 314 + x];
    EXPECT_EQ(same, 313u * 179u);

    // In 600 x 400 it sits in the middle with black around it.
    SetWindowPos(window, nullptr, 0, 0, 600, 400, SWP_NOZORDER);
    paint_idle_picture(window, memory);
    int left = 601 / 2 - 157, top = 401 / 2 - 90;
    shown = GrabPixels(memory, left, top, 313, 179);
    same = 0;
    for (int y = 0; y < 179; ++y)
        for (int x = 0; x < 313; ++x) same += shown[y * 313 + x] == picture[y * 314 + x];
    EXPECT_EQ(same, 313u * 179u);
    EXPECT_EQ(GrabPixels(memory, 2, 2, 1, 1)[0], 0u);

    // One pixel narrower than the picture, it is stretched over the whole area.
    SetWindowPos(window, nullptr, 0, 0, 313, 180, SWP_NOZORDER);
    RECT red = {0, 0, 800, 600};
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(memory, &red, brush);
    DeleteObject(brush);
    paint_idle_picture(window, memory);
    shown = GrabPixels(memory, 0, 0, 313, 180);
    EXPECT_EQ(CountCloseTo(shown, Rgb(255, 0, 0), 0), 0u);

    SelectObject(memory, old);
    DeleteObject(canvas);
    DeleteDC(memory);
    DestroyWindow(window);
    release_idle_picture();
    EXPECT_EQ(idle_picture, nullptr);
}

TEST_F(RecorderWindows, ClosingTheMainWindowStopsARecordingAndWaitsForIt) {
    ASSERT_EQ(create_main_windows(), 1);
    EngineInit();
    std::string video = TempFolder() + "morvane_close_while_recording.zuv";
    RECT outer;
    GetWindowRect(main_window, &outer);
    CaptureRect rect = {0, 0, outer.right - outer.left - 1, outer.bottom - outer.top - 1};
    ASSERT_EQ(EngineStartRecording(video.c_str(), main_window, &rect, 10), 1);
    ASSERT_TRUE(PumpUntil([] { return EngineQuery(ENGINE_QUERY_FRAME_COUNT) >= 3; }, 10000));

    SendMessageA(main_window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(main_window));
    // The worker has ended before the window was gone: the file is final.
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_CAPTURING), 0u);
    WIN32_FILE_ATTRIBUTE_DATA before, after;
    ASSERT_TRUE(GetFileAttributesExA(video.c_str(), GetFileExInfoStandard, &before));
    EXPECT_GE(before.nFileSizeLow, 24u * 4);
    Sleep(300);
    GetFileAttributesExA(video.c_str(), GetFileExInfoStandard, &after);
    EXPECT_EQ(before.nFileSizeLow, after.nFileSizeLow);
    DeleteFileA(video.c_str());
}

// --- toolbar --------------------------------------------------------------

std::vector<WPARAM> received_commands;

LRESULT CALLBACK CommandReceiver(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND) {
        received_commands.push_back(wparam);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// A stand-in main window that notes the commands it receives, with a real
// toolbar and status line.
class Toolbar : public RecorderWindows {
protected:
    void SetUp() override {
        RecorderWindows::SetUp();
        WNDCLASSA receiver = {};
        receiver.lpfnWndProc = CommandReceiver;
        receiver.hInstance = GetModuleHandleA(nullptr);
        receiver.lpszClassName = "morvane_test_receiver";
        RegisterClassA(&receiver);
        WNDCLASSA tool = {};
        tool.style = CS_OWNDC;
        tool.lpfnWndProc = toolbar_proc;
        tool.hInstance = GetModuleHandleA(nullptr);
        tool.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        tool.lpszClassName = TOOLBAR_CLASS;
        RegisterClassA(&tool);
        main_window = CreateWindowExA(0, "morvane_test_receiver", "", WS_POPUP | WS_VISIBLE, 300, 300,
                                      300, 60, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        toolbar_window = CreateWindowExA(0, TOOLBAR_CLASS, "", WS_CHILD | WS_VISIBLE, 0, 0, 96, 24,
                                         main_window, nullptr, GetModuleHandleA(nullptr), nullptr);
        status_line = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 96, 0, 200, 24,
                                      main_window, nullptr, GetModuleHandleA(nullptr), nullptr);
        UpdateWindow(main_window);
        Pump();
        received_commands.clear();
    }
};

std::string StatusText() {
    char text[128] = {};
    GetWindowTextA(status_line, text, sizeof text);
    return text;
}

TEST_F(Toolbar, HintsFollowTheMouseSwitchingAtEachButton) {
    struct Hint { int x; const char* text; };
    for (Hint hint : {Hint{0, " Start Recording"}, Hint{23, " Start Recording"},
                      Hint{24, " Play The Current File"}, Hint{47, " Play The Current File"},
                      Hint{48, " Pause Playback"}, Hint{71, " Pause Playback"},
                      Hint{72, " Stop Recording / Playback"}, Hint{95, " Stop Recording / Playback"},
                      Hint{0x8000 | 30, " Play The Current File"}}) {
        SendMessageA(toolbar_window, WM_MOUSEMOVE, 0, MAKELPARAM(hint.x, 5));
        EXPECT_EQ(StatusText(), hint.text) << hint.x;
    }
    EXPECT_TRUE(received_commands.empty());
}

TEST_F(Toolbar, ReleaseSendsTheButtonsCommandToTheMainWindow) {
    struct Click { int x; WORD command; };
    for (Click click : {Click{23, 40001}, Click{24, 40003}, Click{48, 40004}, Click{72, 40002},
                        Click{95, 40002}}) {
        received_commands.clear();
        // No press is needed: a release that began elsewhere counts too.
        SendMessageA(toolbar_window, WM_LBUTTONUP, 0, MAKELPARAM(click.x, 10));
        ASSERT_EQ(received_commands.size(), 1u) << click.x;
        EXPECT_EQ(received_commands[0], MAKEWPARAM(click.command, 0)) << click.x;
    }
}

TEST_F(Toolbar, ClickedButtonFlashesThreeTimesAndEndsAsItWas) {
    // A point inside the Play face, read through the stand-in main window,
    // whose area the toolbar covers at its top left.
    auto read = [&] {
        HDC dc = GetDC(main_window);
        uint32_t pixel = GrabPixels(dc, 24 + 12, 12, 1, 1)[0];
        ReleaseDC(main_window, dc);
        return pixel;
    };
    ASSERT_TRUE(PumpUntil([&] { return read() != 0; }, 5000));
    uint32_t normal = read();
    uint32_t inverted = normal ^ 0xFFFFFF;

    std::atomic<bool> done{false};
    std::vector<uint32_t> samples;
    std::thread watcher([&] {
        while (!done) {
            samples.push_back(read());
            Sleep(5);
        }
    });
    SendMessageA(toolbar_window, WM_LBUTTONUP, 0, MAKELPARAM(30, 10));
    Pump();
    Sleep(50);
    done = true;
    watcher.join();

    int inversions = 0;
    bool was_inverted = false;
    for (uint32_t pixel : samples) {
        bool now = CloseTo(pixel, inverted, 4);
        if (now && !was_inverted) inversions++;
        if (now || CloseTo(pixel, normal, 4)) was_inverted = now;
    }
    EXPECT_EQ(inversions, 3);
    EXPECT_TRUE(CloseTo(read(), normal, 4));
    EXPECT_EQ(received_commands.size(), 1u);
}

// --- About dialog and progress window ---------------------------------------

TEST_F(RecorderWindows, AboutShowsTheLinkInBlueAndOtherTextBlackOnTheDialogColour) {
    ASSERT_EQ(create_main_windows(), 1);
    HWND about = CreateDialogParamA(program_instance, MAKEINTRESOURCEA(IDD_ABOUT), main_window,
                                    about_proc, 0);
    ASSERT_NE(about, nullptr);
    ShowWindow(about, SW_SHOW);
    UpdateWindow(about);
    Pump();

    char link[128] = {};
    GetDlgItemTextA(about, IDC_ABOUT_LINK, link, sizeof link);
    EXPECT_EQ(std::string(link).substr(0, 10), "< https://");
    EXPECT_EQ(std::string(link).back(), '>');

    // Centred over the main window.
    RECT m, a;
    GetWindowRect(main_window, &m);
    GetWindowRect(about, &a);
    EXPECT_NEAR((a.left + a.right) / 2, (m.left + m.right) / 2, 1);

    auto control_pixels = [&](HWND control) {
        RECT r;
        GetClientRect(control, &r);
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        HDC dc = GetDC(control);
        std::vector<uint32_t> pixels = GrabPixels(dc, 0, 0, r.right, r.bottom);
        ReleaseDC(control, dc);
        return pixels;
    };
    const uint32_t dialog_colour = Rgb(192, 192, 215);
    std::vector<uint32_t> link_pixels = control_pixels(GetDlgItem(about, IDC_ABOUT_LINK));
    EXPECT_GT(CountCloseTo(link_pixels, Rgb(0, 0, 255), 0), 20u);
    EXPECT_GT(CountCloseTo(link_pixels, dialog_colour, 0), link_pixels.size() / 2);
    EXPECT_EQ(CountCloseTo(link_pixels, Rgb(0, 0, 0), 0), 0u);

    // The contact text.
    HWND contact = nullptr;
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char text[64] = {};
        GetWindowTextA(child, text, sizeof text);
        if (std::string(text).rfind("Morvane 1.0", 0) == 0) contact = child;
    }
    std::vector<uint32_t> text_pixels = control_pixels(contact);
    EXPECT_GT(CountCloseTo(text_pixels, Rgb(0, 0, 0), 0), 20u);
    EXPECT_GT(CountCloseTo(text_pixels, dialog_colour, 0), text_pixels.size() / 2);
    EXPECT_EQ(CountCloseTo(text_pixels, Rgb(0, 0, 255), 0), 0u);

    // The dialog's own background.
    HDC dc = GetDC(about);
    EXPECT_EQ(GrabPixels(dc, 3, 3, 1, 1)[0], dialog_colour);
    ReleaseDC(about, dc);
    DestroyWindow(about);
}

TEST_F(RecorderWindows, AboutEndsWithOk) {
    ASSERT_EQ(create_main_windows(), 1);
    DWORD thread = GetCurrentThreadId();
    std::atomic<bool> done{false};
    std::thread presser([&] {
        while (!done) {
            HWND about = FindWindowA("#32770", "About Morvane 1.0");
            DWORD owner = about ? GetWindowThreadProcessId(about, nullptr) : 0;
            if (about && owner == thread && IsWindowVisible(about)) {
                PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                return;
            }
            Sleep(20);
        }
    });
    INT_PTR result = DialogBoxParamA(program_instance, MAKEINTRESOURCEA(IDD_ABOUT), main_window,
                                     about_proc, 0);
    done = true;
    presser.join();
    EXPECT_EQ(result, IDOK);
}

TEST_F(RecorderWindows, ProgressWindowShowsEachStageTextAtOnceInItsBox) {
    ASSERT_EQ(create_main_windows(), 1);
    Pump();
    HWND progress = CreateDialogParamA(program_instance, MAKEINTRESOURCEA(IDD_PROGRESS), main_window,
                                       progress_proc, 0);
    ASSERT_NE(progress, nullptr);
    ShowWindow(progress, SW_SHOW);
    EXPECT_EQ(GetWindowLongA(progress, GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_TRUE(GetWindowLongA(progress, GWL_EXSTYLE) & WS_EX_TOPMOST);
    HWND text = GetDlgItem(progress, IDC_PROGRESS_TEXT);
    RECT r;
    GetClientRect(text, &r);

    // No messages are handled from here on, as while a caller works.
    auto dark_pixels = [&] {
        HDC dc = GetDC(text);
        std::vector<uint32_t> pixels = GrabPixels(dc, 2, 2, r.right - 4, r.bottom - 4);
        ReleaseDC(text, dc);
        size_t dark = 0;
        for (uint32_t p : pixels) dark += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 200;
        return dark;
    };
    for (const char* stage : {"Writing the player...", "Adding the video...", "Done"}) {
        SetWindowTextA(progress, "");
        EXPECT_EQ(dark_pixels(), 0u) << stage;
        SetWindowTextA(progress, stage);
        char shown[64] = {};
        GetDlgItemTextA(progress, IDC_PROGRESS_TEXT, shown, sizeof shown);
        EXPECT_STREQ(shown, stage);
        char caption[64] = {};
        GetWindowTextA(progress, caption, sizeof caption);
        EXPECT_STREQ(caption, "");
        EXPECT_GT(dark_pixels(), 10u) << stage;
    }
    DestroyWindow(progress);
}

}  // namespace
