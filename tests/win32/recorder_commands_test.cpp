// The built recorder driven from its own window as a person would: Capture
// through the settings dialog and the window locator, Pause, Stop, Play and
// Load, and what the status line says meanwhile.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "packaging_support_win.h"
#include "recorder_driver_win.h"
#include "resource_ids.h"
#include "status_text.h"

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
    PumpFor(300);
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
    PumpFor(300);
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

}  // namespace
