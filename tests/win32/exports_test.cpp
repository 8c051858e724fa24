// The recorder's exports of the current video as an animated PNG and a GIF,
// driven through their dialogs, progress window and boxes as a person would.
// What the frames hold is judged natively by other decoders (tests/export);
// here: the names, the boxes, a file written whole (the animated PNG's frame
// count put back into it), Cancel and failures that leave no file.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "frame_surface.h"
#include "test_pictures.h"
#include "video_cut.h"
#include "video_writer.h"
#include "win32/video_file_source_win.h"

#include "dialog_driver_win.h"
#include "far_video_win.h"
#include "sharing/export_command.h"
#include "packaging_support_win.h"
#include "recorder_globals.h"
#include "resource_ids.h"

namespace {

// A video whose every record is new noise: many colours in whole frames,
// which takes a GIF export a while.
Bytes MakeNoiseVideo(uint16_t width, uint16_t height, int frames) {
    FrameSurface current, previous;
    FrameSurfaceCreate(width, height, &current);
    FrameSurfaceCreate(width, height, &previous);
    FrameSurfaceLock(&previous);
    FrameSurfaceFill(&previous, 0, 0, width - 1, height - 1, 0);
    std::vector<uint8_t> work(RecordWorkSize(width, height));
    Bytes video = VideoHeaderBytes(width, height, 10);
    uint32_t noise = 1;
    for (int i = 0; i < frames; i++) {
        uint32_t* pixels = FrameSurfaceLock(&current);
        for (int32_t p = 0; p < current.stride * current.height; p++) {
            noise = noise * 1103515245u + 12345u;
            pixels[p] = noise >> 8;
        }
        AppendRecord(&video, &current, &previous, i, &work);
    }
    FrameSurfaceDestroy(&current);
    FrameSurfaceDestroy(&previous);
    return video;
}

uint32_t BigEndian(const Bytes& b, size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) |
           b[at + 3];
}

// The chunk types of a PNG file in order, and the frame count its acTL says;
// empty when the chunks do not lead exactly to the end of the file.
std::vector<std::string> ChunksOf(const Bytes& png, uint32_t* frames) {
    std::vector<std::string> chunks;
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (png.size() < 8 || memcmp(png.data(), signature, 8) != 0) return chunks;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        uint32_t length = BigEndian(png, at);
        std::string type(png.begin() + at + 4, png.begin() + at + 8);
        if (type == "acTL") *frames = BigEndian(png, at + 8);
        chunks.push_back(type);
        at += 12 + static_cast<size_t>(length);
    }
    if (at != png.size()) chunks.clear();
    return chunks;
}

class Exports : public ::testing::Test {
protected:
    void SetUp() override {
        program_instance = GetModuleHandleA(nullptr);
        folder = FreshFolder("morvane_exports");
        video_path = folder + "demo.zuv";
        video = MakeTestVideo(96, 64, 10, 12);
        ASSERT_TRUE(WriteBytes(video_path, video));
        lstrcpynA(current_file, video_path.c_str(), CURRENT_FILE_CAPACITY);
    }
    int Export(DialogScript* script, export_format format) {
        DialogDriver driver(GetCurrentThreadId(), script);
        return export_video(format);
    }

    std::string folder, video_path;
    Bytes video;
};

TEST_F(Exports, TheCurrentVideoBecomesAnAnimatedPngAndAGifUnderTheProposedName) {
    DialogScript script;
    script.file_name = folder + "shared";  // the dialog adds the extension
    ASSERT_EQ(Export(&script, EXPORT_AS_APNG), 1) << Describe(script);
    ASSERT_EQ(script.proposed_names.size(), 1u);
    EXPECT_EQ(script.proposed_names[0], "demo.png");
    EXPECT_EQ(OnlyBox(script), "Export Done: The animated PNG has been written.");
    uint32_t frames = 0;
    std::vector<std::string> chunks = ChunksOf(ReadBytes(folder + "shared.png"), &frames);
    ASSERT_GE(chunks.size(), 5u);
    EXPECT_EQ(chunks[0], "IHDR");
    EXPECT_EQ(chunks[1], "acTL");
    EXPECT_EQ(chunks.back(), "IEND");
    // The moving F makes every one of the 12 records a picture of its own.
    EXPECT_EQ(frames, 12u);
    EXPECT_EQ(std::count(chunks.begin(), chunks.end(), "fcTL"), 12);

    // A recording whose records lie beyond 4 GiB of its file exports to the
    // same bytes.
    ASSERT_TRUE(WriteFarVideo(folder + "far.zuv", video));
    DialogScript distant;
    {
        DialogDriver driver(GetCurrentThreadId(), &distant);
        EXPECT_EQ(write_export((folder + "far.zuv").c_str(), (folder + "far.png").c_str(),
                               EXPORT_AS_APNG),
                  1);
    }
    EXPECT_EQ(OnlyBox(distant), "Export Done: The animated PNG has been written.");
    EXPECT_TRUE(ReadBytes(folder + "far.png") == ReadBytes(folder + "shared.png"));
    // And cuts, as the cut window reads it, to the part the same video in
    // memory gives.
    VideoFileSource far_file = {};
    VideoSource far_source;
    ASSERT_TRUE(VideoFileSourceOpen(&far_file, &far_source, (folder + "far.zuv").c_str()));
    Bytes far_part, near_part;
    auto append = [](void* context, const uint8_t* bytes, size_t length) {
        Bytes* part = static_cast<Bytes*>(context);
        part->insert(part->end(), bytes, bytes + length);
        return 1;
    };
    VideoCutOptions part = {3, 8, append, &far_part, nullptr, nullptr};
    VideoWalkStats far_stats, near_stats;
    EXPECT_EQ(VideoCutSource(&far_source, &part, &far_stats), VIDEO_CUT_DONE);
    VideoFileSourceClose(&far_file);
    part.writeContext = &near_part;
    EXPECT_EQ(VideoCut(video.data(), video.size(), &part, &near_stats), VIDEO_CUT_DONE);
    EXPECT_EQ(far_stats.records, 9u);
    EXPECT_GT(far_part.size(), VIDEO_HEADER_SIZE + 6 * FRAME_RECORD_HEADER_SIZE);
    EXPECT_TRUE(far_part == near_part);
    EXPECT_TRUE(DeleteFileA((folder + "far.zuv").c_str()));

    DialogScript gif;
    gif.file_name = folder + "shared";
    ASSERT_EQ(Export(&gif, EXPORT_AS_GIF), 1) << Describe(gif);
    EXPECT_EQ(gif.proposed_names[0], "demo.gif");
    EXPECT_EQ(OnlyBox(gif), "Export Done: The GIF has been written.");
    Bytes written = ReadBytes(folder + "shared.gif");
    ASSERT_GT(written.size(), 13u);
    EXPECT_EQ(std::string(written.begin(), written.begin() + 6), "GIF89a");
    EXPECT_EQ(written.back(), 0x3B);
    EXPECT_EQ(TemporariesIn(folder), 0);
    EXPECT_TRUE(ReadBytes(video_path) == video);

    // Without a current file, the Load dialog comes first, as for Play.
    lstrcpynA(current_file, (folder + "gone.zuv").c_str(), CURRENT_FILE_CAPACITY);
    DialogScript load;
    load.file_names = {video_path, folder + "loaded.gif"};
    ASSERT_EQ(Export(&load, EXPORT_AS_GIF), 1) << Describe(load);
    EXPECT_EQ(load.proposed_names.size(), 2u);
    EXPECT_TRUE(ReadBytes(folder + "loaded.gif") == written);
}

TEST_F(Exports, CancelLeavesNoFileAndTheOneThatWasThereAsItWas) {
    ASSERT_TRUE(WriteBytes(video_path, MakeNoiseVideo(320, 240, 40)));
    Bytes kept(3000, 0x5A);
    ASSERT_TRUE(WriteBytes(folder + "kept.gif", kept));
    std::atomic<bool> done{false}, pressed{false};
    DWORD thread = GetCurrentThreadId();
    std::thread canceller([&] {
        while (!done && !pressed) {
            HWND progress = FindWindowA(nullptr, "Exporting");
            if (progress && IsWindowVisible(progress) &&
                GetWindowThreadProcessId(progress, nullptr) == thread) {
                PressButton(progress, IDCANCEL);
                pressed = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    DialogScript script;
    int exported;
    {
        DialogDriver driver(thread, &script);
        exported = write_export(video_path.c_str(), (folder + "kept.gif").c_str(), EXPORT_AS_GIF);
    }
    done = true;
    canceller.join();
    ASSERT_TRUE(pressed);
    EXPECT_EQ(exported, 0);
    EXPECT_TRUE(script.boxes.empty()) << Describe(script);
    EXPECT_TRUE(ReadBytes(folder + "kept.gif") == kept);
    EXPECT_EQ(TemporariesIn(folder), 0);
}

TEST_F(Exports, FailuresSayWhyAndADamagedVideoExportsWhatIsSound) {
    DialogScript missing;
    {
        DialogDriver driver(GetCurrentThreadId(), &missing);
        EXPECT_EQ(write_export(video_path.c_str(), (folder + "no\\such\\made.png").c_str(),
                               EXPORT_AS_APNG),
                  0);
    }
    EXPECT_EQ(OnlyBox(missing),
              "Export Failed: The file could not be made.\n\nNo file has been made.");

    DialogScript itself;
    {
        DialogDriver driver(GetCurrentThreadId(), &itself);
        EXPECT_EQ(write_export(video_path.c_str(), video_path.c_str(), EXPORT_AS_GIF), 0);
    }
    EXPECT_EQ(OnlyBox(itself), "Export Failed: The export cannot replace the video it is made "
                               "from. Please choose another name.");
    EXPECT_TRUE(ReadBytes(video_path) == video);

    // Cut in its last record: the export holds the 11 records before it.
    Bytes cut(video.begin(), video.end() - 7);
    ASSERT_TRUE(WriteBytes(folder + "cut.zuv", cut));
    DialogScript damaged;
    {
        DialogDriver driver(GetCurrentThreadId(), &damaged);
        EXPECT_EQ(write_export((folder + "cut.zuv").c_str(), (folder + "cut.png").c_str(),
                               EXPORT_AS_APNG),
                  1);
    }
    ASSERT_EQ(damaged.boxes.size(), 1u) << Describe(damaged);
    EXPECT_EQ(damaged.boxes[0].caption, "Video Damaged");
    EXPECT_NE(damaged.boxes[0].text.find("11 frames before the damage"), std::string::npos);
    uint32_t frames = 0;
    ChunksOf(ReadBytes(folder + "cut.png"), &frames);
    EXPECT_EQ(frames, 11u);
}

}  // namespace
