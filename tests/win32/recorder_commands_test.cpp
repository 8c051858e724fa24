// The built recorder driven from its own window as a person would: Capture
// through the settings dialog and the window locator, Pause, Stop, Play and
// Load, and what the status line says meanwhile.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "capture/capture_dialogs.h"
#include "packaging_support_win.h"
#include "recorder_globals.h"
#include "recorder_driver_win.h"
#include "resource_ids.h"
#include "status_text.h"
#include "window_utils.h"

namespace {

const std::string kProgram = WindowsPathOf(MORVANE_EXE);
const char kSettings[] = "Capture Settings";
const char kLocator[] = "Locate Window To Capture";
const char kDefaultFile[] = "c:\\untitled.zuv";

TEST(RecorderCommands, StatusTextsShowStateTimeAndShortName) {
    char text[STATUS_TEXT_CAPACITY];
    format_status_text(text, "Capturing", 3723000, kDefaultFile);
    EXPECT_STREQ(text, " Capturing [01:02:03] - 'c:\\untitled.zuv'");
    format_status_text(text, "Paused (Play)", 100u * 3600000u + 59999, "abcdefghijklmnopqrstuvwx");
    EXPECT_STREQ(text, " Paused (Play) [100:00:59] - 'abcdefghijklmnopqrstuvwx'");
    format_status_text(text, "Playing", 0xFFFFFFFFu, "%s%n%s");
    EXPECT_STREQ(text, " Playing [1193:02:47] - '%s%n%s'");
    format_ready_text(text, "abcdefghijklmnopqrstuvwxy");
    EXPECT_STREQ(text, " Ready [Stopped] - 'abcdefghijkl...pqrstuvwxy'");
    std::string long_name = "c:\\" + std::string(600, 'x') + ".zuv";
    format_ready_text(text, long_name.c_str());
    EXPECT_STREQ(text, " Ready [Stopped] - 'c:\\xxxxxxxxx...xxxxxx.zuv'");
    EXPECT_EQ(status_state_word(0, 0, 1), nullptr);
}

TEST(RecorderCommands, NamesAreMadeAbsoluteAndDialogsThatCannotOpenCountAsCancel) {
    char name[CURRENT_FILE_CAPACITY];
    for (const char* absolute : {"c:\\videos\\..\\a.zuv", "\\\\server\\share\\a.zuv"}) {
        EXPECT_EQ(absolute_file_name(absolute, name, sizeof name), 1);
        EXPECT_STREQ(name, absolute);
    }
    char folder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, folder);
    EXPECT_EQ(absolute_file_name("a b.zuv", name, sizeof name), 1);
    EXPECT_EQ(std::string(name), std::string(folder) + "\\a b.zuv");
    std::string too_long(CURRENT_FILE_CAPACITY, 'x');
    EXPECT_EQ(absolute_file_name(too_long.c_str(), name, sizeof name), 0);
    EXPECT_EQ(absolute_file_name(("c:\\" + too_long).c_str(), name, sizeof name), 0);

    // This test program carries no dialog resources: DialogBoxParamA gives -1.
    program_instance = GetModuleHandleA(nullptr);
    EXPECT_EQ(run_capture_settings(), 0);
    CaptureChoice choice = {};
    EXPECT_EQ(run_locator(&choice), 0);
}

// The status text of a state at a time, for the file.
std::string StatusAt(const char* state, uint32_t elapsed_ms, const std::string& file) {
    char text[STATUS_TEXT_CAPACITY];
    format_status_text(text, state, elapsed_ms, file.c_str());
    return text;
}

class Recorder : public ::testing::Test {
protected:
    void SetUp() override {
        program = StartProgram(kProgram, "");
        ASSERT_TRUE(program.started) << "error " << program.error;
        main = WaitForProgramWindow(program, "prog_main", 30000);
        ASSERT_NE(main, nullptr);
    }
    void TearDown() override { EXPECT_EQ(CloseProgram(&program, main), 0); }

    // Capture, and the settings dialog it opens.
    HWND OpenSettings() {
        Choose(main, ID_CAPTURE);
        return WaitForProgramDialog(program, kSettings);
    }
    // OK in the settings dialog, and the locator it leads to.
    HWND ConfirmSettings(HWND settings) {
        Click(settings, IDOK);
        return WaitForProgramDialog(program, kLocator);
    }
    // Capture into a file that does not exist yet: the locator it leads to.
    HWND LocatorForNewFile(const std::string& file) {
        DeleteFileA(file.c_str());
        HWND settings = OpenSettings();
        if (!settings) return nullptr;
        SetDlgItemTextA(settings, IDC_DESTINATION_FILE, file.c_str());
        return ConfirmSettings(settings);
    }
    // Waits for the message box, checks its text and owner, and answers it.
    void ExpectBox(const char* caption, const char* text, HWND owner, int answer = IDOK) {
        HWND box = WaitForProgramDialog(program, caption);
        ASSERT_NE(box, nullptr) << caption;
        EXPECT_EQ(BoxText(box), text);
        EXPECT_EQ(GetWindow(box, GW_OWNER), owner) << caption;
        Click(box, answer);
        EXPECT_TRUE(WaitUntilClosed(box));
    }
    void ExpectEngineError() {
        ExpectBox("Engine Error",
                  "The ZeVEVIZ Engine cannot perform the requested action at this time.", main);
    }
    void ExpectInvalidWindow() {
        ExpectBox("Invalid Window", "You must select a valid source window to capture.", main);
    }

    RunningProgram program;
    HWND main = nullptr;
};

RECT OuterRect(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

void ExpectVideoOfSize(const std::string& path, RECT outer, int rate) {
    RecordedVideo video = ReadRecordedVideo(path);
    EXPECT_GT(video.records, 0) << path;
    EXPECT_EQ(video.header.width, outer.right - outer.left) << path;
    EXPECT_EQ(video.header.height, outer.bottom - outer.top) << path;
    EXPECT_EQ(video.header.frameRate, rate) << path;
}

TEST_F(Recorder, CaptureRecordsTheMainWindowOrTheScreenAndSaysWhyItCannot) {
    DeleteFileA(kDefaultFile);
    HWND settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(ItemText(settings, IDC_DESTINATION_FILE), kDefaultFile);
    EXPECT_EQ(ItemText(settings, IDC_FRAME_RATE), "15");
    EXPECT_EQ(SendDlgItemMessageA(settings, IDC_FRAME_RATE, CB_GETCOUNT, 0, 0), 7);
    HWND locator = ConfirmSettings(settings);
    ASSERT_NE(locator, nullptr);
    EXPECT_EQ(ItemText(locator, IDC_WINDOW_INFO),
              "<< no window has been selected, defaulting to self >>");
    // The recording starts a while after RECORD (the dialogs close first)
    // and is seen running within a timer tick of its start.
    DWORD clicked = GetTickCount();
    Click(locator, IDOK);
    EXPECT_TRUE(WaitForStatus(main, " Capturing [00:00:0"));
    DWORD seen = GetTickCount();
    EXPECT_NE(StatusText(main).find("] - 'c:\\untitled.zuv'"), std::string::npos);
    DWORD paused_at = GetTickCount();
    Choose(main, ID_PAUSE);
    EXPECT_TRUE(WaitForStatus(main, " Paused (Capture) [00:00:0"));
    Choose(main, ID_PAUSE);
    DWORD paused_ms = GetTickCount() - paused_at;
    EXPECT_TRUE(WaitForStatus(main, " Capturing"));
    WaitFor([&] { return GetTickCount() - seen >= 1500 + paused_ms; }, 5000);
    Choose(main, ID_STOP);
    double most_seconds = (GetTickCount() - clicked - paused_ms) / 1000.0;
    double least_seconds = (GetTickCount() - seen - paused_ms) / 1000.0;
    PumpFor(600);
    // Idle, the status line keeps the last timer text until the mouse moves.
    std::string last = StatusText(main);
    EXPECT_TRUE(StartsWith(last, " Capturing [00:00:0")) << last;
    PumpFor(1100);
    EXPECT_EQ(StatusText(main), last);
    PostMessageA(main, WM_MOUSEMOVE, 0, MAKELPARAM(60, 60));
    EXPECT_TRUE(WaitForStatus(main, " Ready [Stopped] - 'c:\\untitled.zuv'"));

    EXPECT_TRUE(WaitForFinishedVideo(kDefaultFile));
    ExpectVideoOfSize(kDefaultFile, OuterRect(main), 15);
    int records = ReadRecordedVideo(kDefaultFile).records;
    EXPECT_GE(records, static_cast<int>(least_seconds * 15 * 0.8)) << least_seconds;
    EXPECT_LE(records, static_cast<int>(most_seconds * 15) + 2) << most_seconds;

    // The whole screen.
    settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    Click(settings, IDOK);
    ExpectBox("Replace Existing File?",
              "The file you have selected already exists.\nWould you like to replace it?", settings,
              IDYES);
    locator = WaitForProgramDialog(program, kLocator);
    ASSERT_NE(locator, nullptr);
    Click(locator, IDC_WHOLE_SCREEN);
    EXPECT_TRUE(WaitFor([&] {
        return ItemText(locator, IDC_WINDOW_INFO).find("DESKTOP") != std::string::npos;
    }, 5000));
    std::string info = ItemText(locator, IDC_WINDOW_INFO);
    EXPECT_NE(info.find("\r\nWindow Title: DESKTOP\r\nWindow Classname: #32769"), std::string::npos)
        << info;
    Click(locator, IDOK);
    EXPECT_TRUE(WaitForStatus(main, " Capturing [00:00:01]"));
    Choose(main, ID_STOP);
    EXPECT_TRUE(WaitForFinishedVideo(kDefaultFile));
    ExpectVideoOfSize(kDefaultFile, OuterRect(GetDesktopWindow()), 15);
    DeleteFileA(kDefaultFile);

    // Cancel in the settings: no locator.
    settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    Click(settings, IDCANCEL);
    EXPECT_TRUE(WaitUntilClosed(settings));
    PumpFor(1000);
    EXPECT_EQ(ProgramDialog(program, kLocator), nullptr);

    // Escape in the locator: nothing recorded, but the settings confirmed
    // just before are kept, and the next recording does not take that
    // Escape for its own.
    std::string named = TempFilePath("morvane commands named.zuv");
    DeleteFileA(named.c_str());
    settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    SetDlgItemTextA(settings, IDC_DESTINATION_FILE, named.c_str());
    SendDlgItemMessageA(settings, IDC_FRAME_RATE, CB_SETCURSEL, 3, 0);
    EXPECT_EQ(ItemText(settings, IDC_FRAME_RATE), "24 fps (Movie)");
    locator = ConfirmSettings(settings);
    ASSERT_NE(locator, nullptr);
    SetForegroundWindow(locator);
    PumpFor(200);
    keybd_event(VK_ESCAPE, 0, 0, 0);
    keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    ExpectInvalidWindow();
    settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(ItemText(settings, IDC_DESTINATION_FILE), named);
    EXPECT_EQ(ItemText(settings, IDC_FRAME_RATE), "24");
    locator = ConfirmSettings(settings);
    ASSERT_NE(locator, nullptr);
    Click(locator, IDOK);
    EXPECT_TRUE(WaitForStatus(main, StatusAt("Capturing", 1000, named)));
    Choose(main, ID_STOP);
    EXPECT_TRUE(WaitForFinishedVideo(named));
    ExpectVideoOfSize(named, OuterRect(main), 24);
    EXPECT_GE(ReadRecordedVideo(named).records, 20);
    DeleteFileA(named.c_str());

    // A file that cannot be created.
    settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    SetDlgItemTextA(settings, IDC_DESTINATION_FILE, "c:\\no such folder\\video.zuv");
    locator = ConfirmSettings(settings);
    ASSERT_NE(locator, nullptr);
    Click(locator, IDOK);
    ExpectEngineError();
}

bool NoFileStartsWith(const std::string& pattern) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    FindClose(search);
    return false;
}

TEST_F(Recorder, SettingsRefuseWhatCannotBeRecordedAndAskBeforeReplacing) {
    HWND settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    for (const char* rate : {"abc", "0", "1001", "70000"}) {
        SetDlgItemTextA(settings, IDC_FRAME_RATE, rate);
        Click(settings, IDOK);
        ExpectBox("Invalid Frame Rate",
                  "Please enter a frame rate from 1 to 1000 frames per second.", settings);
        EXPECT_TRUE(IsWindowVisible(settings)) << rate;
    }
    // Names Windows keeps for devices would record into nothing.
    SetDlgItemTextA(settings, IDC_FRAME_RATE, "15");
    for (const char* device : {"NUL", "c:\\videos\\con.zuv", "lpt1 .zuv"}) {
        SetDlgItemTextA(settings, IDC_DESTINATION_FILE, device);
        Click(settings, IDOK);
        ExpectBox("Invalid File Name",
                  "This name is reserved by Windows for a device (NUL, CON, PRN, AUX, COM1 to COM9, "
                  "LPT1 to LPT9) and cannot be used for a file. Please choose another name.",
                  settings);
        EXPECT_TRUE(IsWindowVisible(settings)) << device;
    }
    // An existing file: No stays in the dialog, Yes goes on.
    std::string existing = TempFilePath("morvane commands existing.zuv");
    ASSERT_TRUE(WriteBytes(existing, Bytes(100, 7)));
    SetDlgItemTextA(settings, IDC_DESTINATION_FILE, existing.c_str());
    SetDlgItemTextA(settings, IDC_FRAME_RATE, "7abc");
    const char question[] =
        "The file you have selected already exists.\nWould you like to replace it?";
    Click(settings, IDOK);
    ExpectBox("Replace Existing File?", question, settings, IDNO);
    EXPECT_TRUE(IsWindowVisible(settings));
    Click(settings, IDOK);
    ExpectBox("Replace Existing File?", question, settings, IDYES);
    HWND locator = WaitForProgramDialog(program, kLocator);
    ASSERT_NE(locator, nullptr);
    Click(locator, IDCANCEL);
    ExpectInvalidWindow();
    EXPECT_EQ(ReadBytes(existing), Bytes(100, 7));  // nothing recorded over it

    // A name longer than the recorder holds is refused whole; one longer
    // than the system takes fails visibly, and no shortened file appears.
    settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(ItemText(settings, IDC_DESTINATION_FILE), existing);
    EXPECT_EQ(ItemText(settings, IDC_FRAME_RATE), "7");
    std::string folder = TempFilePath("");
    SetDlgItemTextA(settings, IDC_DESTINATION_FILE, (folder + std::string(600, 'q')).c_str());
    Click(settings, IDOK);
    ExpectBox("File Name Too Long", "Please enter a file name of at most 511 characters.",
              settings);
    SetDlgItemTextA(settings, IDC_DESTINATION_FILE, (folder + std::string(300, 'q')).c_str());
    locator = ConfirmSettings(settings);
    ASSERT_NE(locator, nullptr);
    Click(locator, IDOK);
    ExpectEngineError();
    EXPECT_TRUE(NoFileStartsWith(folder + "qqq*"));

    // Browse: the open dialog belongs to the settings dialog, which waits
    // disabled; its choice stays even when the settings are cancelled.
    std::string video = TempFilePath("morvane commands browsed.zuv");
    ASSERT_TRUE(WriteBytes(video, MakeTestVideo(64, 48, 10, 3)));
    settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    Click(settings, IDC_BROWSE);
    HWND open = WaitForProgramDialog(program, "Open");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(GetWindow(open, GW_OWNER), settings);
    EXPECT_FALSE(IsWindowEnabled(settings));
    AnswerOpenDialog(open, video);
    EXPECT_TRUE(WaitFor([&] { return ItemText(settings, IDC_DESTINATION_FILE) == video; }, 5000));
    Click(settings, IDCANCEL);
    EXPECT_TRUE(WaitUntilClosed(settings));

    // A relative name is recorded under the folder current at OK; while
    // that recording runs, its file counts as existing.
    settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(ItemText(settings, IDC_DESTINATION_FILE), video);
    SetDlgItemTextA(settings, IDC_DESTINATION_FILE, "morvane commands relative.zuv");
    SetDlgItemTextA(settings, IDC_FRAME_RATE, "12");
    locator = ConfirmSettings(settings);
    ASSERT_NE(locator, nullptr);
    Click(locator, IDOK);
    EXPECT_TRUE(WaitForStatus(main, " Capturing [00:00:0"));
    settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    std::string relative = ItemText(settings, IDC_DESTINATION_FILE);
    EXPECT_EQ(relative.substr(1, 2), ":\\");
    EXPECT_EQ(relative.substr(relative.size() - 30), "\\morvane commands relative.zuv");
    Click(settings, IDOK);
    ExpectBox("Replace Existing File?", question, settings, IDNO);
    Click(settings, IDCANCEL);
    EXPECT_TRUE(WaitUntilClosed(settings));
    Choose(main, ID_STOP);
    EXPECT_TRUE(WaitForFinishedVideo(relative));
    EXPECT_EQ(ReadRecordedVideo(relative).header.frameRate, 12);
    for (const std::string& path : {existing, video, relative}) DeleteFileA(path.c_str());
}

TEST_F(Recorder, PlayAndLoadOpenTheLoadDialogAndPauseSwallowsTheNextStart) {
    DeleteFileA(kDefaultFile);
    std::string video = TempFilePath("morvane commands played.zuv");
    ASSERT_TRUE(WriteBytes(video, MakeTestVideo(160, 120, 10, 80)));

    // Play without the current file asks for one; Cancel does nothing more.
    Choose(main, ID_PLAY);
    HWND open = WaitForProgramDialog(program, "Open");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(GetWindow(open, GW_OWNER), main);
    AnswerOpenDialog(open, "");
    EXPECT_TRUE(WaitUntilClosed(open));
    PumpFor(1000);
    EXPECT_EQ(ProgramDialog(program, "Engine Error"), nullptr);
    EXPECT_FALSE(StartsWith(StatusText(main), " Playing"));

    Choose(main, ID_PLAY);
    open = WaitForProgramDialog(program, "Open");
    ASSERT_NE(open, nullptr);
    AnswerOpenDialog(open, video);
    EXPECT_TRUE(WaitForStatus(main, StatusAt("Playing", 0, video).substr(0, 12)));
    EXPECT_NE(StatusText(main).find(StatusAt("Playing", 0, video).substr(21)), std::string::npos);

    // Pause, Stop, Play: the Play only takes the pause away.
    Choose(main, ID_PAUSE);
    EXPECT_TRUE(WaitForStatus(main, " Paused (Play) [00:00:0"));
    Choose(main, ID_STOP);
    Choose(main, ID_PLAY);
    PumpFor(1500);
    EXPECT_TRUE(StartsWith(StatusText(main), " Paused (Play)")) << StatusText(main);
    Choose(main, ID_PLAY);
    EXPECT_TRUE(WaitForStatus(main, " Playing [00:00:0"));

    // Load stops the playback; cancelled, it starts nothing.
    Choose(main, ID_LOAD);
    open = WaitForProgramDialog(program, "Open");
    ASSERT_NE(open, nullptr);
    AnswerOpenDialog(open, "");
    EXPECT_TRUE(WaitUntilClosed(open));
    PostMessageA(main, WM_MOUSEMOVE, 0, MAKELPARAM(60, 60));
    EXPECT_TRUE(WaitForStatus(main, " Ready [Stopped]"));
    PumpFor(1000);
    EXPECT_TRUE(StartsWith(StatusText(main), " Ready [Stopped]"));
    EXPECT_EQ(ProgramDialog(program, "Engine Error"), nullptr);
    DeleteFileA(video.c_str());
}

// A window of this test program for the locator to find, in one colour.
HWND OpenTargetWindow(COLORREF colour) {
    WNDCLASSA target_class = {};
    target_class.lpfnWndProc = DefWindowProcA;
    target_class.hInstance = GetModuleHandleA(nullptr);
    target_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    target_class.hbrBackground = CreateSolidBrush(colour);
    target_class.lpszClassName = "morvane_locator_target";
    RegisterClassA(&target_class);
    HWND window =
        CreateWindowExA(0, "morvane_locator_target", "Locator Target",
                        WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 20, 20, 300, 200, nullptr,
                        nullptr, GetModuleHandleA(nullptr), nullptr);
    UpdateWindow(window);
    PumpFor(300);
    return window;
}

void MouseTo(POINT at, DWORD buttons) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = at.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = at.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
    SendInput(1, &input, sizeof input);
    PumpFor(40);
}

POINT CentreOf(RECT r) {
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Drags the locator's icon onto the window at the screen point, as a person
// would, in small steps.
void DragLocatorTo(HWND locator, POINT inside) {
    POINT from = CentreOf(OuterRect(GetDlgItem(locator, IDC_LOCATOR_ICON)));
    MouseTo(from, 0);
    MouseTo(from, MOUSEEVENTF_LEFTDOWN);
    for (int step = 1; step <= 10; ++step) {
        MouseTo(POINT{from.x + (inside.x - from.x) * step / 10,
                      from.y + (inside.y - from.y) * step / 10},
                0);
    }
    MouseTo(inside, MOUSEEVENTF_LEFTUP);
}

uint32_t ScreenPixel(POINT at) {
    HDC screen = GetDC(nullptr);
    uint32_t pixel = GrabPixels(screen, at.x, at.y, 1, 1)[0];
    ReleaseDC(nullptr, screen);
    return pixel;
}

std::vector<uint32_t> GrabScreen() {
    HDC screen = GetDC(nullptr);
    std::vector<uint32_t> pixels = GrabPixels(screen, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                              GetSystemMetrics(SM_CYSCREEN));
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Waits until the pixel has shown both its colour and the inverse of it,
// the inverse last; the locator's blink shows each for half a second.
bool SeenBlinking(POINT at, uint32_t colour) {
    bool normal = false;
    return WaitFor([&] {
        uint32_t pixel = ScreenPixel(at);
        if (pixel == colour) normal = true;
        return normal && pixel == (colour ^ 0xFFFFFF);
    }, 2500);
}

// Pixels that are the inverse of what they were, outside the rectangles left
// out (where the recorder's own windows are or were).
size_t InvertedPixels(const std::vector<uint32_t>& before, const std::vector<uint32_t>& after,
                      const std::vector<RECT>& left_out) {
    int width = GetSystemMetrics(SM_CXSCREEN);
    size_t inverted = 0;
    for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
        POINT at = {static_cast<LONG>(i % width), static_cast<LONG>(i / width)};
        bool outside = true;
        for (const RECT& r : left_out) outside = outside && !PtInRect(&r, at);
        if (outside && after[i] == (before[i] ^ 0xFFFFFF)) inverted++;
    }
    return inverted;
}

TEST_F(Recorder, LocatorFindsTheWindowDraggedOntoBlinksItAndLeavesNothingInverted) {
    const uint32_t colour = Rgb(40, 120, 200);
    HWND target = OpenTargetWindow(RGB(40, 120, 200));
    ASSERT_NE(target, nullptr);
    RECT target_rect = OuterRect(target);
    POINT inside = {target_rect.left + 150, target_rect.top + 120};
    ASSERT_EQ(ScreenPixel(inside), colour);
    std::vector<uint32_t> before = GrabScreen();

    std::string recorded = TempFilePath("morvane commands located.zuv");
    HWND locator = LocatorForNewFile(recorded);
    ASSERT_NE(locator, nullptr);
    DragLocatorTo(locator, inside);
    char wanted[256];
    snprintf(wanted, sizeof wanted,
             "Window Handle: 0x%08lx\r\nWindow Title: Locator Target\r\nWindow Classname: "
             "morvane_locator_target",
             static_cast<unsigned long>(reinterpret_cast<uintptr_t>(target)));
    EXPECT_TRUE(WaitFor([&] { return ItemText(locator, IDC_WINDOW_INFO) == wanted; }, 3000))
        << ItemText(locator, IDC_WINDOW_INFO);

    // RECORD while the target is shown inverted.
    EXPECT_TRUE(SeenBlinking(inside, colour));
    Click(locator, IDOK);
    EXPECT_TRUE(WaitForStatus(main, StatusAt("Capturing", 0, recorded).substr(0, 16)));
    Choose(main, ID_STOP);
    EXPECT_TRUE(WaitForFinishedVideo(recorded));
    ExpectVideoOfSize(recorded, target_rect, 15);
    PumpFor(500);
    std::vector<RECT> recorder_windows = {OuterRect(main), OuterRect(locator)};
    EXPECT_EQ(InvertedPixels(before, GrabScreen(), recorder_windows), 0u);

    // The whole screen blinks, and after Cancel no part of it stays inverted,
    // also where no window repaints it.
    HWND settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    SetDlgItemTextA(settings, IDC_DESTINATION_FILE, (recorded + ".unused").c_str());
    locator = ConfirmSettings(settings);
    ASSERT_NE(locator, nullptr);
    Click(locator, IDC_WHOLE_SCREEN);
    EXPECT_TRUE(WaitFor([&] {
        return ItemText(locator, IDC_WINDOW_INFO).find("DESKTOP") != std::string::npos;
    }, 3000));
    POINT corner = {GetSystemMetrics(SM_CXSCREEN) - 10, GetSystemMetrics(SM_CYSCREEN) - 10};
    EXPECT_TRUE(SeenBlinking(corner, before[corner.y * GetSystemMetrics(SM_CXSCREEN) + corner.x]));
    Click(locator, IDCANCEL);
    HWND box = WaitForProgramDialog(program, "Invalid Window");
    ASSERT_NE(box, nullptr);
    recorder_windows.push_back(OuterRect(box));
    Click(box, IDOK);
    EXPECT_TRUE(WaitUntilClosed(box));
    PumpFor(500);
    EXPECT_EQ(InvertedPixels(before, GrabScreen(), recorder_windows), 0u);
    DestroyWindow(target);
    DeleteFileA(recorded.c_str());
}

TEST_F(Recorder, ARecordingThatEndsByItselfIsReportedAndTheSessionsEndFinishesTheFile) {
    // The recorded window closes while it is recorded.
    HWND target = OpenTargetWindow(RGB(200, 60, 30));
    ASSERT_NE(target, nullptr);
    std::string recorded = TempFilePath("morvane commands window gone.zuv");
    HWND locator = LocatorForNewFile(recorded);
    ASSERT_NE(locator, nullptr);
    DragLocatorTo(locator, CentreOf(OuterRect(target)));
    EXPECT_TRUE(WaitFor([&] {
        return ItemText(locator, IDC_WINDOW_INFO).find("Locator Target") != std::string::npos;
    }, 3000)) << ItemText(locator, IDC_WINDOW_INFO);
    Click(locator, IDOK);
    EXPECT_TRUE(WaitForStatus(main, " Capturing [00:00:01]"));
    DestroyWindow(target);
    HWND box = WaitForProgramDialog(program, "Recording Ended");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(BoxText(box), "The recording has ended by itself. The recorded window was "
                            "closed.\n\nEverything recorded up to then is kept in\n" +
                                recorded);
    EXPECT_EQ(GetWindow(box, GW_OWNER), main);
    char ready[STATUS_TEXT_CAPACITY];
    format_ready_text(ready, recorded.c_str());
    EXPECT_EQ(StatusText(main), ready);
    Click(box, IDOK);
    EXPECT_TRUE(WaitUntilClosed(box));
    RecordedVideo video = ReadRecordedVideo(recorded);
    EXPECT_GE(video.records, 10);
    EXPECT_TRUE(video.whole);
    // Said once: the next ticks say nothing more.
    PumpFor(1200);
    EXPECT_EQ(ProgramDialog(program, "Recording Ended"), nullptr);

    // The session ends during a recording of the main window: by the time
    // the recorder has answered, the file ends on a whole record, and a
    // stop asked for says nothing. Its name has letters of no single ANSI
    // code page, which the recorder's calls take whole.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring world_name = std::wstring(temp) + L"morvane \u00e9t\u00e9 \u65e5\u672c \u0416.zuv";
    DeleteFileW(world_name.c_str());
    HWND settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    SetDlgItemTextW(settings, IDC_DESTINATION_FILE, world_name.c_str());
    locator = ConfirmSettings(settings);
    ASSERT_NE(locator, nullptr);
    Click(locator, IDOK);
    EXPECT_TRUE(WaitForStatus(main, " Capturing [00:00:01]"));
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK,
                                    10000, &answer));
    EXPECT_EQ(answer, 1u);
    EXPECT_TRUE(SendMessageTimeoutA(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK,
                                    10000, &answer));
    DeleteFileA(recorded.c_str());
    ASSERT_TRUE(MoveFileW(world_name.c_str(), std::wstring(recorded.begin(), recorded.end()).c_str()))
        << "no file of that name";
    video = ReadRecordedVideo(recorded);
    EXPECT_GE(video.records, 10);
    EXPECT_TRUE(video.whole);
    EXPECT_TRUE(video.header.width == OuterRect(main).right - OuterRect(main).left);
    PumpFor(1200);
    EXPECT_EQ(ProgramDialog(program, "Recording Ended"), nullptr);
    DeleteFileA(recorded.c_str());
}

// A key pressed and released while a window of this test program, another
// program than the recorder, has the focus.
void PressKeyIn(HWND focused, WORD key) {
    SetForegroundWindow(focused);
    PumpFor(200);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof input[0]);
    PumpFor(100);
}

// The countdown window of the program, or null.
HWND Countdown(const RunningProgram& program) {
    return ProgramDialog(program, "Recording Countdown");
}

TEST_F(Recorder, CountdownMinimisingAndRecordingKeysKeepTheRecorderOutOfTheRecording) {
    HWND own = OpenTargetWindow(RGB(30, 160, 90));
    ASSERT_NE(own, nullptr);
    std::string recorded = TempFilePath("morvane commands keys.zuv");
    DeleteFileA(recorded.c_str());
    // The dialog offers F7, F8, no countdown, and refuses one key for both.
    HWND settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(SendDlgItemMessageA(settings, IDC_PAUSE_KEY, HKM_GETHOTKEY, 0, 0), VK_F7);
    EXPECT_EQ(SendDlgItemMessageA(settings, IDC_STOP_KEY, HKM_GETHOTKEY, 0, 0), VK_F8);
    EXPECT_EQ(ItemText(settings, IDC_START_AFTER), "0 s");
    EXPECT_EQ(SendDlgItemMessageA(settings, IDC_START_AFTER, CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(IsDlgButtonChecked(settings, IDC_MINIMISE), BST_UNCHECKED);
    SetDlgItemTextA(settings, IDC_DESTINATION_FILE, recorded.c_str());
    SendDlgItemMessageA(settings, IDC_PAUSE_KEY, HKM_SETHOTKEY, VK_F8, 0);
    Click(settings, IDOK);
    ExpectBox("Invalid Recording Key",
              "The Pause/Resume key and the Stop key must be different keys.", settings);
    SendDlgItemMessageA(settings, IDC_PAUSE_KEY, HKM_SETHOTKEY, VK_F7, 0);
    SendDlgItemMessageA(settings, IDC_START_AFTER, CB_SETCURSEL, 1, 0);
    EXPECT_EQ(ItemText(settings, IDC_START_AFTER), "3 s");
    CheckDlgButton(settings, IDC_MINIMISE, BST_CHECKED);

    // With F8 held by this program, a countdown cancelled by Escape: the
    // recorder was minimised for it and comes back; no file.
    ASSERT_TRUE(RegisterHotKey(nullptr, 1, 0, VK_F8));
    HWND locator = ConfirmSettings(settings);
    ASSERT_NE(locator, nullptr);
    Click(locator, IDC_WHOLE_SCREEN);
    Click(locator, IDOK);
    HWND countdown = WaitForProgramDialog(program, "Recording Countdown");
    ASSERT_NE(countdown, nullptr);
    EXPECT_EQ(ItemText(countdown, IDC_COUNTDOWN_SECONDS), "3");
    EXPECT_EQ(ItemText(countdown, IDC_COUNTDOWN_HINT), "Esc cancels");
    EXPECT_TRUE(GetWindowLongA(countdown, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(IsIconic(main));
    EXPECT_TRUE(WaitFor([&] { return ItemText(countdown, IDC_COUNTDOWN_SECONDS) == "2"; }, 3000));
    PressKeyIn(own, VK_ESCAPE);
    EXPECT_TRUE(WaitUntilClosed(countdown));
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(main); }, 3000));
    PumpFor(3000);
    EXPECT_EQ(FileSizeOf(recorded), -1);
    EXPECT_EQ(Countdown(program), nullptr);

    // Again, F8 free: the first record comes three seconds after RECORD,
    // once the countdown has gone, and the recorder stays minimised until F8
    // from this program's window stops the recording.
    UnregisterHotKey(nullptr, 1);
    settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(ItemText(settings, IDC_START_AFTER), "3 s");
    EXPECT_EQ(IsDlgButtonChecked(settings, IDC_MINIMISE), BST_CHECKED);
    locator = ConfirmSettings(settings);
    ASSERT_NE(locator, nullptr);
    Click(locator, IDC_WHOLE_SCREEN);
    DWORD clicked = GetTickCount();
    Click(locator, IDOK);
    countdown = WaitForProgramDialog(program, "Recording Countdown");
    ASSERT_NE(countdown, nullptr);
    EXPECT_EQ(ItemText(countdown, IDC_COUNTDOWN_HINT), "Esc or F8 cancels");
    EXPECT_TRUE(WaitFor([&] { return FileSizeOf(recorded) >= 0; }, 10000));
    DWORD delay = GetTickCount() - clicked;
    EXPECT_GE(delay, 2900u);
    EXPECT_FALSE(countdown && IsWindow(countdown) && IsWindowVisible(countdown));
    EXPECT_TRUE(IsIconic(main));
    EXPECT_TRUE(WaitForStatus(main, " Capturing [00:00:01]"));
    EXPECT_NE(StatusText(main).find("'" " - F7 pauses, F8 stops"), std::string::npos)
        << StatusText(main);
    // Held only while recording: this program cannot take them now.
    EXPECT_FALSE(RegisterHotKey(nullptr, 2, 0, VK_F7));
    PressKeyIn(own, VK_F8);
    EXPECT_TRUE(WaitForFinishedVideo(recorded));
    EXPECT_TRUE(ReadRecordedVideo(recorded).whole);
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(main); }, 3000));
    EXPECT_TRUE(RegisterHotKey(nullptr, 2, 0, VK_F7));
    EXPECT_TRUE(RegisterHotKey(nullptr, 3, 0, VK_F8));
    for (int id : {2, 3}) UnregisterHotKey(nullptr, id);

    // The stop key cancels the countdown too.
    std::string cancelled = TempFilePath("morvane commands cancelled.zuv");
    DeleteFileA(cancelled.c_str());
    settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    SetDlgItemTextA(settings, IDC_DESTINATION_FILE, cancelled.c_str());
    CheckDlgButton(settings, IDC_MINIMISE, BST_UNCHECKED);
    locator = ConfirmSettings(settings);
    ASSERT_NE(locator, nullptr);
    Click(locator, IDC_WHOLE_SCREEN);
    Click(locator, IDOK);
    countdown = WaitForProgramDialog(program, "Recording Countdown");
    ASSERT_NE(countdown, nullptr);
    PressKeyIn(own, VK_F8);
    EXPECT_TRUE(WaitUntilClosed(countdown));
    PumpFor(3000);
    EXPECT_EQ(FileSizeOf(cancelled), -1);

    // F7 and F8 held elsewhere: the recording starts all the same and says so.
    EXPECT_TRUE(RegisterHotKey(nullptr, 2, 0, VK_F7));
    EXPECT_TRUE(RegisterHotKey(nullptr, 3, 0, VK_F8));
    settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    SendDlgItemMessageA(settings, IDC_START_AFTER, CB_SETCURSEL, 0, 0);
    locator = ConfirmSettings(settings);
    ASSERT_NE(locator, nullptr);
    Click(locator, IDOK);
    EXPECT_TRUE(WaitFor([&] {
        return StatusText(main).find("' - F7 taken by another program, F8 taken by another "
                                     "program, Esc stops") != std::string::npos;
    }, 10000)) << StatusText(main);
    EXPECT_FALSE(IsIconic(main));
    Choose(main, ID_STOP);
    EXPECT_TRUE(WaitForFinishedVideo(cancelled));
    for (int id : {2, 3}) UnregisterHotKey(nullptr, id);
    DestroyWindow(own);
    DeleteFileA(recorded.c_str());
    DeleteFileA(cancelled.c_str());
}

// Run by its own test entry, with the file size limited by the system as
// on a full disk: the whole screen, where a window shows ever new noise, is
// recorded until a record no longer fits.
TEST_F(Recorder, AFullDiskEndsTheRecordingAndSaysSo) {
    if (!TestFileLimit()) GTEST_SKIP() << "needs a file size limit";
    PictureWindow noise = {};
    ASSERT_TRUE(PictureWindowOpen(&noise, 400, 100, 800, 600));
    std::mt19937 random(7);
    PictureWindowShowNoise(&noise, &random);
    std::string recorded = TempFilePath("morvane commands full disk.zuv");
    HWND locator = LocatorForNewFile(recorded);
    ASSERT_NE(locator, nullptr);
    Click(locator, IDC_WHOLE_SCREEN);
    EXPECT_TRUE(WaitFor([&] {
        return ItemText(locator, IDC_WINDOW_INFO).find("DESKTOP") != std::string::npos;
    }, 5000));
    Click(locator, IDOK);
    HWND box = nullptr;
    DWORD start = GetTickCount();
    while (!(box = ProgramDialog(program, "Recording Ended")) && GetTickCount() - start < 30000) {
        PictureWindowShowNoise(&noise, &random);
        PumpFor(30);
    }
    ASSERT_NE(box, nullptr);
    PumpFor(150);
    EXPECT_EQ(BoxText(box), "The recording has ended by itself. The disk is full or the file "
                            "could not be written.\n\nEverything recorded up to then is kept "
                            "in\n" +
                                recorded);
    EXPECT_EQ(GetWindow(box, GW_OWNER), main);
    EXPECT_TRUE(StartsWith(StatusText(main), " Ready [Stopped]")) << StatusText(main);
    Click(box, IDOK);
    EXPECT_TRUE(WaitUntilClosed(box));
    // What fitted is a sound video up to its last whole record.
    RecordedVideo video = ReadRecordedVideo(recorded);
    EXPECT_GE(video.records, 1);
    EXPECT_TRUE(video.whole);
    EXPECT_LE(FileSizeOf(recorded), TestFileLimit());
    PictureWindowClose(&noise);
    DeleteFileA(recorded.c_str());
}

}  // namespace
