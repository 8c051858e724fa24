// The video file check, the proposed output name and the builder of
// self-playing executables, driven through their dialogs and message boxes.
// This program carries the player as its resource "FILEDATA" 112, the way
// the recorder does.
#include <windows.h>

#include <gtest/gtest.h>

#include "dialog_driver_win.h"
#include "files/video_file_check.h"
#include "files/load_dialog.h"
#include "packaging/builder.h"
#include "packaging_support_win.h"
#include "recorder_globals.h"

namespace {

Bytes HeaderOfSize(size_t size, uint16_t width, uint16_t height) {
    Bytes bytes = VideoHeaderBytes(width, height, 10);
    bytes.resize(size, 0x11);
    return bytes;
}

// The file can be opened with no sharing at all only if nobody holds it.
bool NobodyHoldsFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

TEST(VideoFileCheck, NeedsTheSizeTheMagicAndAPictureSize) {
    std::string folder = FreshFolder("morvane_check");
    struct Case {
        const char* name;
        Bytes bytes;
        int expected;
    };
    Bytes wrong_magic = HeaderOfSize(4096, 64, 48);
    wrong_magic[3] = 'X';
    std::vector<Case> cases = {
        {"short.zuv", HeaderOfSize(1023, 64, 48), 0},
        {"least.zuv", HeaderOfSize(1024, 64, 48), 1},
        {"large.zuv", HeaderOfSize(70000, 1, 1), 1},
        {"magic.zuv", wrong_magic, 0},
        {"nowidth.zuv", HeaderOfSize(4096, 0, 48), 0},
        {"noheight.zuv", HeaderOfSize(4096, 64, 0), 0},
        {"empty.zuv", Bytes(), 0},
    };
    for (const Case& c : cases) {
        std::string path = folder + c.name;
        ASSERT_TRUE(WriteBytes(path, c.bytes));
        EXPECT_EQ(check_video_file(path.c_str()), c.expected) << c.name;
        EXPECT_TRUE(NobodyHoldsFile(path)) << c.name;
    }
    EXPECT_EQ(check_video_file((folder + "missing.zuv").c_str()), 0);
    EXPECT_EQ(check_video_file((folder + "no\\such\\folder.zuv").c_str()), 0);
}

class Builder : public ::testing::Test {
protected:
    void SetUp() override {
        folder = FreshFolder("morvane_builder");
        video_path = folder + "demo.zuv";
        video = MakeTestVideo(96, 64, 10, 12);
        ASSERT_GE(video.size(), 1024u);
        ASSERT_TRUE(WriteBytes(video_path, video));
        player = CarriedPlayer();
        ASSERT_GT(player.size(), 1024u);
        ASSERT_TRUE(WriteBytes(folder + "player.exe", player));
        ASSERT_TRUE(find_resource_update_service(&service));
    }

    // Runs the whole command, answering its dialogs as script says.
    int Build(DialogScript* script, const std::string& video_to_build) {
        DialogDriver driver(GetCurrentThreadId(), script);
        return build_self_playing_exe(video_to_build.c_str());
    }

    // The built executable is the player with the video added under
    // language 0; everything else is the player's.
    void ExpectSelfPlaying(const std::string& exe) {
        std::vector<ResourceEntry> built = ResourcesOf(exe);
        std::vector<ResourceEntry> expected = ResourcesOf(folder + "player.exe");
        ASSERT_FALSE(expected.empty());
        ResourceEntry added = {"ZEVEVIZ", "VIDEO1", 0, video};
        expected.insert(std::lower_bound(expected.begin(), expected.end(), added), added);
        EXPECT_TRUE(built == expected);
        int videos = 0;
        for (const ResourceEntry& entry : built) {
            if (entry.type != "ZEVEVIZ") continue;
            videos++;
            EXPECT_EQ(entry.name, "VIDEO1");
            if (entry.language == 1033) {
                EXPECT_EQ(entry.data, Bytes({'_', 'Z', 'U', 'V'}));
            } else {
                EXPECT_EQ(entry.language, 0);
                EXPECT_TRUE(entry.data == video);
            }
        }
        EXPECT_EQ(videos, 2);
    }

    std::string folder, video_path;
    Bytes video, player;
    ResourceUpdateService service;
};

TEST_F(Builder, ProposesTheNameAndAddsTheWholeVideoToThePlayer) {
    DialogScript script;
    script.file_name = folder + "made";  // the dialog adds the extension
    EXPECT_EQ(Build(&script, video_path), 1);
    ASSERT_EQ(script.proposed_names.size(), 1u);
    EXPECT_EQ(script.proposed_names[0], "demo.exe");
    ASSERT_FALSE(script.boxes.empty());
    EXPECT_EQ(script.boxes.back().caption, "EXE Created Successfully!");
    EXPECT_EQ(script.boxes.back().text, "The EXE file has been created.");
    ExpectSelfPlaying(folder + "made.exe");
    EXPECT_EQ(ReadBytes(video_path), video);
}

TEST_F(Builder, AsksBeforeReplacingAnExistingFileAndReplacesItWhole) {
    ASSERT_TRUE(WriteBytes(folder + "old.exe", Bytes(400000, 0xCC)));
    SetFileAttributesA((folder + "old.exe").c_str(), FILE_ATTRIBUTE_HIDDEN);
    DialogScript script;
    script.file_name = folder + "old.exe";
    EXPECT_EQ(Build(&script, video_path), 1);
    ASSERT_EQ(script.boxes.size(), 2u) << Describe(script);
    EXPECT_TRUE(AsksToReplace(script.boxes[0].text)) << Describe(script);
    EXPECT_EQ(script.boxes[1].caption, "EXE Created Successfully!");
    ExpectSelfPlaying(folder + "old.exe");
    EXPECT_EQ(GetFileAttributesA((folder + "old.exe").c_str()) & FILE_ATTRIBUTE_HIDDEN,
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(TemporariesIn(folder), 0);

    // A read-only file is not replaced, and stays as it was.
    Bytes kept(5000, 0x5A);
    ASSERT_TRUE(WriteBytes(folder + "kept.exe", kept));
    SetFileAttributesA((folder + "kept.exe").c_str(), FILE_ATTRIBUTE_READONLY);
    DialogScript refused;
    {
        DialogDriver driver(GetCurrentThreadId(), &refused);
        EXPECT_EQ(write_self_playing_exe(&service, video_path.c_str(),
                                         (folder + "kept.exe").c_str()),
                  0);
    }
    EXPECT_EQ(OnlyBox(refused), "EXE Creation Failed!: Could not write the EXE file.\n\nThe file "
                                "that was already there has not been changed.");
    SetFileAttributesA((folder + "kept.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(folder + "kept.exe"), kept);
    EXPECT_EQ(TemporariesIn(folder), 0);
}

TEST_F(Builder, TheVideoItselfAsOutputIsRefusedAndStaysIntact) {
    DialogScript script;
    script.file_name = video_path;
    EXPECT_EQ(Build(&script, video_path), 0);
    ASSERT_FALSE(script.boxes.empty());
    EXPECT_EQ(script.boxes.back().caption, "EXE Creation Failed!") << Describe(script);
    EXPECT_EQ(ReadBytes(video_path), video);

    // Spelt another way, it is still the same file.
    DialogScript other;
    {
        DialogDriver driver(GetCurrentThreadId(), &other);
        EXPECT_EQ(write_self_playing_exe(&service, video_path.c_str(),
                                         (folder + "..\\morvane_builder\\DEMO.ZUV").c_str()),
                  0);
    }
    ASSERT_EQ(other.boxes.size(), 1u) << Describe(other);
    EXPECT_EQ(other.boxes[0].caption, "EXE Creation Failed!");
    EXPECT_EQ(ReadBytes(video_path), video);
}

TEST_F(Builder, AnOutputInAMissingFolderFailsWithTheFailureBox) {
    DialogScript script;
    int built;
    {
        DialogDriver driver(GetCurrentThreadId(), &script);
        built = write_self_playing_exe(&service, video_path.c_str(),
                                       (folder + "no\\such\\folder\\made.exe").c_str());
    }
    EXPECT_EQ(built, 0);
    ASSERT_EQ(script.boxes.size(), 1u) << Describe(script);
    EXPECT_EQ(script.boxes[0].caption, "EXE Creation Failed!");
    EXPECT_EQ(script.boxes[0].text, "Could not write the EXE file.\n\nNo file has been made.");
}

TEST_F(Builder, AnInvalidVideoIsRefusedBeforeAnyDialog) {
    ASSERT_TRUE(WriteBytes(folder + "short.zuv", HeaderOfSize(1023, 64, 48)));
    DialogScript script;
    script.file_name = folder + "made.exe";
    EXPECT_EQ(Build(&script, folder + "short.zuv"), 0);
    EXPECT_TRUE(script.proposed_names.empty());
    ASSERT_EQ(script.boxes.size(), 1u) << Describe(script);
    EXPECT_EQ(script.boxes[0].caption, "Invalid or Empty Video File");
    EXPECT_EQ(script.boxes[0].text,
              "The file you have selected is not a valid ZeVEVIZ file. Please load a valid video "
              "then retry.");
    EXPECT_EQ(GetFileAttributesA((folder + "made.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Builder, AVideoWhoseExeNameWouldNotFitIsRefusedBeforeAnyDialog) {
    // A path of 256 characters without a dot: with ".exe" it needs 261.
    std::string path = folder.substr(0, folder.size() - 1);
    while (path.size() + 1 + 60 < 256) {
        path += "\\" + std::string(60, 'd');
        CreateDirectoryA(path.c_str(), nullptr);
    }
    path += "\\" + std::string(256 - path.size() - 1, 'v');
    ASSERT_EQ(path.size(), 256u);
    ASSERT_EQ(path.find('.'), std::string::npos) << "the temporary folder has a dot in its path";
    ASSERT_TRUE(WriteBytes(path, video));
    DialogScript script;
    script.file_name = folder + "made.exe";
    EXPECT_EQ(Build(&script, path), 0);
    EXPECT_TRUE(script.proposed_names.empty());
    ASSERT_EQ(script.boxes.size(), 1u) << Describe(script);
    EXPECT_EQ(script.boxes[0].caption, "EXE Creation Failed!");
    DeleteFileA(path.c_str());
}

TEST_F(Builder, AVideoLargerThanTheGibibyteAPlayerCanStartIsRefusedBeforeAnything) {
    const char too_large[] =
        "Video Too Large: The video is larger than 1 GB, the most a self-playing EXE file can "
        "carry and still be started. Please record a shorter video and retry.";
    // Sparse files: the header, then nothing up to 1 GiB + 1 byte, and up to
    // 4 GiB + 1024 bytes, whose size does not fit in 32 bits.
    for (int64_t size : {int64_t(SELF_PLAYING_VIDEO_LIMIT) + 1, (int64_t(1) << 32) + 1024}) {
        std::string huge = folder + "huge.zuv";
        ASSERT_TRUE(WriteBytes(huge, video));
        HANDLE file =
            CreateFileA(huge.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        LARGE_INTEGER end;
        end.QuadPart = size;
        SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
        ASSERT_TRUE(SetEndOfFile(file));
        CloseHandle(file);
        ASSERT_EQ(check_video_file(huge.c_str()), 1);

        DialogScript command;
        command.file_name = folder + "huge.exe";
        EXPECT_EQ(Build(&command, huge), 0) << size;
        EXPECT_TRUE(command.proposed_names.empty()) << size;
        EXPECT_EQ(OnlyBox(command), too_large) << size;
        DialogScript written;
        {
            DialogDriver driver(GetCurrentThreadId(), &written);
            EXPECT_EQ(write_self_playing_exe(&service, huge.c_str(), (folder + "huge.exe").c_str()),
                      0);
        }
        DeleteFileA(huge.c_str());
        EXPECT_EQ(OnlyBox(written), too_large) << size;
        EXPECT_EQ(GetFileAttributesA((folder + "huge.exe").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(TemporariesIn(folder), 0);
    }
}

TEST_F(Builder, LoadDialogTakesTheChoiceIntoTheCurrentFile) {
    strcpy(current_file, "c:\\untitled.zuv");
    DialogScript cancel;
    {
        DialogDriver driver(GetCurrentThreadId(), &cancel);
        EXPECT_EQ(load_dialog(main_window), 0);
    }
    EXPECT_STREQ(current_file, "c:\\untitled.zuv");
    EXPECT_EQ(cancel.proposed_names, std::vector<std::string>{"untitled.zuv"});

    // A name longer than the open dialog holds is not offered cut short.
    std::string long_name = "c:\\" + std::string(300, 'n') + ".zuv";
    strcpy(current_file, long_name.c_str());
    DialogScript cancel_long;
    {
        DialogDriver driver(GetCurrentThreadId(), &cancel_long);
        EXPECT_EQ(load_dialog(main_window), 0);
    }
    EXPECT_EQ(std::string(current_file), long_name);
    EXPECT_EQ(cancel_long.proposed_names, std::vector<std::string>{""});

    DialogScript valid;
    valid.file_name = video_path;
    {
        DialogDriver driver(GetCurrentThreadId(), &valid);
        EXPECT_EQ(load_dialog(main_window), 1);
    }
    EXPECT_EQ(std::string(current_file), video_path);
    EXPECT_TRUE(valid.boxes.empty());

    ASSERT_TRUE(WriteBytes(folder + "short.zuv", HeaderOfSize(1023, 64, 48)));
    DialogScript invalid;
    invalid.file_name = folder + "short.zuv";
    {
        DialogDriver driver(GetCurrentThreadId(), &invalid);
        EXPECT_EQ(load_dialog(main_window), 0);
    }
    EXPECT_EQ(std::string(current_file), folder + "short.zuv");
    ASSERT_EQ(invalid.boxes.size(), 1u) << Describe(invalid);
    EXPECT_EQ(invalid.boxes[0].caption, "Invalid or Empty Video File");
}

// Run by its own test entry, twice: the first run makes a video larger than
// MORVANE_TEST_FILE_LIMIT; the second, with the file size limited by the
// system to that many bytes, builds it over an existing executable, and the
// write comes out short as on a full disk.
std::string ShortWriteFolder() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + "morvane_builder_short\\";
}

TEST(BuilderShortWrite, PrepareAVideoLargerThanTheLimit) {
    if (!TestFileLimit()) GTEST_SKIP() << "needs a file size limit";
    std::string folder = FreshFolder("morvane_builder_short");
    Bytes large = MakeTestVideo(96, 64, 10, 12);
    large.resize(static_cast<size_t>(TestFileLimit()) * 3 / 2, 0x5A);
    ASSERT_TRUE(WriteBytes(folder + "large.zuv", large));
}

TEST(BuilderShortWrite, AShortWriteLeavesTheExistingExecutableAndNoTemporary) {
    if (!TestFileLimit()) GTEST_SKIP() << "needs a file size limit";
    std::string folder = ShortWriteFolder();
    ASSERT_EQ(check_video_file((folder + "large.zuv").c_str()), 1) << "the first run makes it";
    Bytes earlier(70000, 0xE5);
    ASSERT_TRUE(WriteBytes(folder + "large.exe", earlier));
    ResourceUpdateService service;
    ASSERT_TRUE(find_resource_update_service(&service));
    DialogScript script;
    int built;
    {
        DialogDriver driver(GetCurrentThreadId(), &script);
        built = write_self_playing_exe(&service, (folder + "large.zuv").c_str(),
                                       (folder + "large.exe").c_str());
    }
    EXPECT_EQ(built, 0);
    EXPECT_EQ(OnlyBox(script), "EXE Creation Failed!: Could not write the EXE file.\n\nThe file "
                               "that was already there has not been changed.");
    EXPECT_EQ(ReadBytes(folder + "large.exe"), earlier);
    EXPECT_EQ(TemporariesIn(folder), 0);
}

}  // namespace
