// The Tools menu's Cut... driven as a person would: the trackbar moved with
// the keys, the part's ends set with the buttons and the still ends trimmed,
// Save As... answered, and the part that became the current video played.
// Every picture of the part is checked against the original's in the
// native tests; here the part's pictures at its ends and its length.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "dialog_driver_win.h"
#include "engine.h"
#include "packaging_support_win.h"
#include "recording_support_win.h"
#include "recorder_globals.h"
#include "resource_ids.h"
#include "sharing/cut_window.h"
#include "test_pictures.h"

namespace {

// Polls from the driving thread, which has no windows of its own to serve.
bool Poll(const std::function<bool()>& condition, int timeout_ms = 10000) {
    for (int waited = 0; waited < timeout_ms; waited += 10) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

HWND VisibleWindowOf(DWORD thread, const char* caption) {
    HWND found = FindWindowA("#32770", caption);
    return found && IsWindowVisible(found) && GetWindowThreadProcessId(found, nullptr) == thread
               ? found
               : nullptr;
}

// Presses a key on the trackbar, as the keyboard would with it focused.
void Key(HWND trackbar, WPARAM key, int times = 1) {
    for (int i = 0; i < times; i++) {
        PostMessageA(trackbar, WM_KEYDOWN, key, 1);
        PostMessageA(trackbar, WM_KEYUP, key, 0xC0000001);
    }
}

// Each record's picture of a video, fourth byte cleared, and its record types.
struct Pictures {
    std::vector<std::vector<uint32_t>> pictures;
    std::vector<uint32_t> types;
};

Pictures PicturesOf(const Bytes& video) {
    Pictures out;
    VideoReader reader;
    FrameSurface surface;
    if (!VideoReaderOpen(&reader, video.data(), video.size()) ||
        !FrameSurfaceCreate(reader.header.width, reader.header.height, &surface))
        return out;
    FrameSurfaceLock(&surface);
    FrameSurfaceFill(&surface, 0, 0, surface.width - 1, surface.height - 1, 0);
    FrameSurfaceUnlock(&surface);
    std::vector<uint8_t> work(RecordWorkSize(surface.width, surface.height));
    VideoRecord record;
    while (VideoReaderNext(&reader, &record)) {
        VideoRecordApply(&record, &surface, work.data(), work.size());
        FrameSurfaceLock(&surface);
        out.pictures.push_back(PictureOf(&surface));
        FrameSurfaceUnlock(&surface);
        for (uint32_t& pixel : out.pictures.back()) pixel &= 0xFFFFFF;
        out.types.push_back(record.header.frameType);
    }
    FrameSurfaceDestroy(&surface);
    return out;
}

class Cut : public ::testing::Test {
protected:
    void SetUp() override {
        program_instance = GetModuleHandleA(nullptr);
        folder = FreshFolder("morvane_cut");
        video_path = folder + "demo.zuv";
        // 30 records at 10 fps, the F moving on each.
        video = MakeTestVideo(96, 64, 10, 30);
        ASSERT_TRUE(WriteBytes(video_path, video));
        lstrcpynA(current_file, video_path.c_str(), CURRENT_FILE_CAPACITY);
    }

    std::string folder, video_path;
    Bytes video;
};

TEST_F(Cut, ARangeSetWithTheTrackbarAndTheButtonsIsSavedAndBecomesTheCurrentVideo) {
    DWORD thread = GetCurrentThreadId();
    std::atomic<bool> done{false};
    std::string failure, focus_seen, position_seen, part_seen, trimmed_seen;
    std::thread person([&] {
        HWND window = nullptr;
        if (!Poll([&] { return (window = VisibleWindowOf(thread, "Cut")) != nullptr; })) {
            failure = "no Cut window";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        HWND trackbar = GetDlgItem(window, IDC_CUT_TRACKBAR);
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(thread, &info);
        focus_seen = info.hwndFocus == trackbar ? "trackbar" : ClassOf(info.hwndFocus);
        auto shows = [&](const std::string& text) {
            return Poll([&] { return WindowText(GetDlgItem(window, IDC_CUT_POSITION)) == text; });
        };
        Key(trackbar, VK_RIGHT, 5);
        if (!shows("0:00.5, frame 5 of 29")) failure = "after 5 x Right";
        PressButton(window, IDC_CUT_SET_START);
        Key(trackbar, VK_END);
        Key(trackbar, VK_LEFT, 3);
        if (!shows("0:02.6, frame 26 of 29")) failure += " after End, 3 x Left";
        position_seen = WindowText(GetDlgItem(window, IDC_CUT_POSITION));
        PressButton(window, IDC_CUT_SET_END);
        Poll([&] { return WindowText(GetDlgItem(window, IDC_CUT_PART)).find("26)") !=
                          std::string::npos; });
        part_seen = WindowText(GetDlgItem(window, IDC_CUT_PART));
        Key(trackbar, VK_HOME);
        if (!shows("0:00.0, frame 0 of 29")) failure += " after Home";
        PressButton(window, IDC_CUT_SAVE);
        done = true;
    });
    DialogScript script;
    script.file_name = folder + "part";  // the dialog adds the extension
    int saved;
    {
        DialogDriver driver(thread, &script);
        saved = cut_video();
    }
    person.join();
    EXPECT_EQ(failure, "");
    EXPECT_EQ(focus_seen, "trackbar");
    EXPECT_EQ(part_seen, "Part: 0:00.5 to 0:02.6 (frames 5 to 26), 0:02.2 long");
    ASSERT_EQ(saved, 1) << Describe(script);
    ASSERT_EQ(script.proposed_names.size(), 1u);
    EXPECT_EQ(script.proposed_names[0], "demo-cut.zuv");
    EXPECT_EQ(OnlyBox(script), "Cut Done: The part has been saved. It is now the current video.");
    EXPECT_EQ(std::string(current_file), folder + "part.zuv");
    EXPECT_EQ(TemporariesIn(folder), 0);

    // Both ends kept: 22 records, the first a key frame, the pictures the
    // original's from record 5 on.
    Pictures original = PicturesOf(video), part = PicturesOf(ReadBytes(folder + "part.zuv"));
    ASSERT_EQ(part.pictures.size(), 22u);
    EXPECT_EQ(part.types[0], FRAME_KEY);
    EXPECT_TRUE(part.pictures.front() == original.pictures[5]);
    EXPECT_TRUE(part.pictures.back() == original.pictures[26]);

    // Play plays the part: 22 frame intervals of 100 ms, to its end.
    HWND screen = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150,
                                  nullptr, nullptr, nullptr, nullptr);
    EngineInit();
    DWORD start = GetTickCount();
    ASSERT_EQ(EngineStartPlayback(current_file, screen, 0, 0, 0), 1);
    EXPECT_TRUE(WaitFor([] { return EngineQuery(ENGINE_QUERY_PLAYING) == 0; }, 20000));
    EXPECT_GE(GetTickCount() - start, 2000u);
    EXPECT_EQ(EngineQuery(ENGINE_QUERY_END_REASON), ENGINE_END_FINISHED);
    DestroyWindow(screen);
}

TEST_F(Cut, StillEndsAreTrimmedAndADamagedVideoIsCutFromItsSoundPart) {
    // Still ends: 15 records of the first picture, the F moving for 30, 25
    // records still; a second is 10 records.
    Bytes still = VideoHeaderBytes(96, 64, 10);
    {
        FrameSurface current, previous;
        FrameSurfaceCreate(96, 64, &current);
        FrameSurfaceCreate(96, 64, &previous);
        FrameSurfaceLock(&previous);
        FrameSurfaceFill(&previous, 0, 0, 95, 63, 0);
        std::vector<uint8_t> work(RecordWorkSize(96, 64));
        for (int i = 0; i < 70; i++) {
            FrameSurfaceLock(&current);
            int step = i < 15 ? 0 : i < 45 ? i - 15 : 29;
            DrawLetterF(&current, 8 + step, 8, 6);
            AppendRecord(&still, &current, &previous, i, &work);
        }
        FrameSurfaceDestroy(&current);
        FrameSurfaceDestroy(&previous);
    }
    // Cut short in its last record: 69 sound records.
    still.resize(still.size() - 3);
    ASSERT_TRUE(WriteBytes(video_path, still));

    DWORD thread = GetCurrentThreadId();
    std::string part_seen, position_seen;
    std::thread person([&] {
        HWND window = nullptr;
        if (!Poll([&] { return (window = VisibleWindowOf(thread, "Cut")) != nullptr; }, 20000))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        PressButton(window, IDC_CUT_TRIM);
        Poll([&] { return WindowText(GetDlgItem(window, IDC_CUT_PART)).find("(frames 6 ") !=
                          std::string::npos; });
        part_seen = WindowText(GetDlgItem(window, IDC_CUT_PART));
        Poll([&] { return WindowText(GetDlgItem(window, IDC_CUT_POSITION)).find("frame 6 ") !=
                          std::string::npos; });
        position_seen = WindowText(GetDlgItem(window, IDC_CUT_POSITION));
        PressButton(window, IDC_CUT_SAVE);
    });
    DialogScript script;
    script.file_name = folder + "trimmed";
    int saved;
    {
        DialogDriver driver(thread, &script);
        saved = cut_video();
    }
    person.join();
    ASSERT_EQ(script.boxes.size(), 2u) << Describe(script);
    EXPECT_EQ(script.boxes[0].caption, "Video Damaged");
    EXPECT_NE(script.boxes[0].text.find("Only the 69 frames before the damage can be cut."),
              std::string::npos)
        << script.boxes[0].text;
    EXPECT_EQ(script.boxes[1].caption, "Cut Done");
    ASSERT_EQ(saved, 1);
    // The first change is record 16, the last 44: one second before and after.
    EXPECT_EQ(part_seen, "Part: 0:00.6 to 0:05.4 (frames 6 to 54), 0:04.9 long");
    EXPECT_EQ(position_seen, "0:00.6, frame 6 of 68");
    Pictures original = PicturesOf(still), part = PicturesOf(ReadBytes(folder + "trimmed.zuv"));
    ASSERT_EQ(part.pictures.size(), 49u);
    EXPECT_TRUE(part.pictures.front() == original.pictures[6]);
    EXPECT_TRUE(part.pictures.back() == original.pictures[54]);
}

}  // namespace
