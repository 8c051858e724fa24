// The extractor, driven through its dialogs and message boxes: the video of
// a self-playing executable comes back byte for byte, and hostile or damaged
// files get their box without running anything or writing anything. This
// program carries the player as its resource "FILEDATA" 112, the way the
// recorder does, to build the executables it extracts from.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>

#include "dialog_driver_win.h"
#include "packaging/extractor.h"
#include "files/video_file_check.h"
#include "packaging/builder.h"
#include "packaging_support_win.h"
#include "recorder_globals.h"

namespace {

const char kLoadFailed[] = "Could not load the executable.";
const char kNotLocated[] = "Could not locate the ZeVEVIZ data.";
const char kNotWritten[] = "Could not write the file to disk.";
const char kNothingMade[] = "\n\nNo file has been made.";
const char kExistingKept[] = "\n\nThe file that was already there has not been changed.";

// Builds a self-playing executable of video at exe with the builder.
bool BuildExe(const std::string& video_path, const std::string& exe) {
    ResourceUpdateService service;
    DialogScript script;
    DialogDriver driver(GetCurrentThreadId(), &script);
    return find_resource_update_service(&service) &&
           write_self_playing_exe(&service, video_path.c_str(), exe.c_str()) == 1;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class Extractor : public ::testing::Test {
protected:
    void SetUp() override {
        folder = FreshFolder("morvane_extractor");
        video = MakeTestVideo(96, 64, 10, 12);
        ASSERT_TRUE(WriteBytes(folder + "demo.zuv", video));
        exe = folder + "demo.exe";
        ASSERT_TRUE(BuildExe(folder + "demo.zuv", exe));
        ASSERT_TRUE(WriteBytes(folder + "player.exe", CarriedPlayer()));
        strcpy(current_file, "c:\\untitled.zuv");
    }

    // Runs the whole command: names[0] for the open dialog, names[1] for the
    // save dialog (empty: cancel).
    int Extract(DialogScript* script, const std::vector<std::string>& names) {
        script->file_names = names;
        DialogDriver driver(GetCurrentThreadId(), script);
        return extract_video(current_file);
    }

    // The writing part alone, for names no dialog would accept.
    int WriteExtracted(DialogScript* script, const std::string& from, const std::string& to) {
        DialogDriver driver(GetCurrentThreadId(), script);
        return write_extracted_video(from.c_str(), to.c_str());
    }

    std::string folder, exe;
    Bytes video;
};

TEST_F(Extractor, GivesTheVideoBackByteForByteAndMakesItTheCurrentFile) {
    DialogScript script;
    EXPECT_EQ(Extract(&script, {exe, folder + "back"}), 1) << Describe(script);
    ASSERT_EQ(script.proposed_names.size(), 2u);
    EXPECT_EQ(script.proposed_names[0], "");
    EXPECT_EQ(script.proposed_names[1], "demo.zuv");
    ASSERT_FALSE(script.boxes.empty());
    EXPECT_EQ(script.boxes.back().caption, "ZeVEVIZ Created Successfully!");
    EXPECT_EQ(script.boxes.back().text, "The ZeVEVIZ file has been extracted.");
    EXPECT_EQ(std::string(current_file), folder + "back.zuv");
    // The language-0 video, not the placeholder beside it; no video check of
    // its own, and the executable is left as it was.
    EXPECT_TRUE(ReadBytes(folder + "back.zuv") == video);
    EXPECT_EQ(check_video_file(current_file), 1);

    // A player never built into a self-playing executable gives its
    // placeholder, and that counts as extracted too; an existing file is
    // replaced once the save dialog has asked.
    ASSERT_TRUE(WriteBytes(folder + "placeholder.zuv", Bytes(5000, 0xCC)));
    DialogScript bare;
    EXPECT_EQ(Extract(&bare, {folder + "player.exe", folder + "placeholder.zuv"}), 1);
    ASSERT_EQ(bare.boxes.size(), 2u) << Describe(bare);
    EXPECT_TRUE(AsksToReplace(bare.boxes[0].text)) << Describe(bare);
    EXPECT_EQ(bare.boxes[1].text, "The ZeVEVIZ file has been extracted.");
    EXPECT_EQ(ReadBytes(folder + "placeholder.zuv"), Bytes({'_', 'Z', 'U', 'V'}));
    EXPECT_EQ(TemporariesIn(folder), 0);
}

TEST_F(Extractor, ProposesTheNameAndKeepsItWhenTheSaveDialogIsCancelled) {
    // Cancel in the open dialog changes nothing; in the save dialog the
    // proposal stays in the current file, and nothing is written.
    DialogScript open_cancelled;
    EXPECT_EQ(Extract(&open_cancelled, {""}), 0);
    EXPECT_STREQ(current_file, "c:\\untitled.zuv");
    DialogScript save_cancelled;
    EXPECT_EQ(Extract(&save_cancelled, {exe, ""}), 0);
    EXPECT_TRUE(save_cancelled.boxes.empty()) << Describe(save_cancelled);
    EXPECT_EQ(std::string(current_file), folder + "demo.zuv");
    EXPECT_TRUE(ReadBytes(folder + "demo.zuv") == video);

    // A name Windows keeps for a device: the box, and the dialog again.
    DialogScript device;
    EXPECT_EQ(Extract(&device, {exe, folder + "nul.zuv", ""}), 0);
    ASSERT_FALSE(device.boxes.empty());
    EXPECT_EQ(device.boxes.back().caption, "Invalid File Name") << Describe(device);
    EXPECT_EQ(device.proposed_names.size(), 3u);
    EXPECT_EQ(std::string(current_file), folder + "demo.zuv");

    // A folder that cannot be written to.
    DialogScript missing_folder;
    EXPECT_EQ(WriteExtracted(&missing_folder, exe, folder + "no\\such\\folder\\back.zuv"), 0);
    EXPECT_EQ(OnlyBox(missing_folder),
              std::string("Writing Failed: ") + kNotWritten + kNothingMade);
}

TEST_F(Extractor, AProposalLongerThanTheDialogTakesIsKeptAndAChoiceReplacesIt) {
    // An executable path of 259 characters without a dot but in ".exe": its
    // proposal has 263, more than the save dialog's 260.
    std::string path = folder.substr(0, folder.size() - 1);
    while (path.size() + 1 + 60 < 255) {
        path += "\\" + std::string(60, 'd');
        CreateDirectoryA(path.c_str(), nullptr);
    }
    path += "\\" + std::string(259 - 4 - path.size() - 1, 'v') + ".exe";
    ASSERT_EQ(path.size(), 259u);
    ASSERT_TRUE(CopyFileA(exe.c_str(), path.c_str(), FALSE));
    std::string proposal = path.substr(0, 255) + ".zuv";

    DialogScript cancelled;
    EXPECT_EQ(Extract(&cancelled, {path, ""}), 0) << Describe(cancelled);
    EXPECT_EQ(cancelled.proposed_names.size(), 2u);
    EXPECT_EQ(std::string(current_file), proposal);

    DialogScript chosen;
    EXPECT_EQ(Extract(&chosen, {path, folder + "short.zuv"}), 1) << Describe(chosen);
    EXPECT_EQ(std::string(current_file), folder + "short.zuv");
    EXPECT_TRUE(ReadBytes(folder + "short.zuv") == video);
    DeleteFileA(path.c_str());
}

TEST_F(Extractor, HostileAndDamagedFilesGetTheirBoxAndLeaveNoOutput) {
    Bytes built = ReadBytes(exe);
    ASSERT_GT(built.size(), video.size());
    size_t pe = built[0x3C] | built[0x3D] << 8;
    size_t sections_at = pe + 24 + (built[pe + 20] | built[pe + 21] << 8);
    // Where the video lies in the built file.
    size_t video_at = std::search(built.begin(), built.end(), video.begin(), video.end()) -
                      built.begin();
    ASSERT_LT(video_at, built.size());

    std::mt19937 random(5);
    Bytes noise(4096);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    const char text[] = "Not a program, only a few words.\r\n";
    char own_path[MAX_PATH];
    GetModuleFileNameA(nullptr, own_path, sizeof own_path);
    struct Case {
        const char* name;
        Bytes bytes;
        const char* text;
    };
    std::vector<Case> cases = {
        {"empty.exe", Bytes(), kLoadFailed},
        {"noise.exe", noise, kLoadFailed},
        {"text.exe", Bytes(text, text + sizeof text - 1), kLoadFailed},
        {"mz.exe", Bytes({'M', 'Z'}), kLoadFailed},
        {"cut_dos.exe", Bytes(built.begin(), built.begin() + 0x3E), kLoadFailed},
        {"cut_pe.exe", Bytes(built.begin(), built.begin() + pe + 30), kLoadFailed},
        {"cut_sections.exe", Bytes(built.begin(), built.begin() + sections_at + 20), kLoadFailed},
        {"cut_video.exe", Bytes(built.begin(), built.begin() + video_at + video.size() / 2),
         kNotLocated},
        {"no_entry.exe", ReadBytes(own_path), kNotLocated},
    };
    for (const Case& c : cases) {
        std::string path = folder + c.name;
        ASSERT_TRUE(WriteBytes(path, c.bytes));
        DialogScript script;
        EXPECT_EQ(WriteExtracted(&script, path, folder + "out.zuv"), 0) << c.name;
        EXPECT_EQ(OnlyBox(script), std::string("Loading Failed: ") + c.text) << c.name;
        EXPECT_FALSE(Exists(folder + "out.zuv")) << c.name;
    }
    // The same through the whole command, for one of them.
    DialogScript whole;
    EXPECT_EQ(Extract(&whole, {folder + "noise.exe", folder + "out.zuv"}), 0);
    ASSERT_FALSE(whole.boxes.empty());
    EXPECT_EQ(whole.boxes.back().text, kLoadFailed);
    EXPECT_EQ(std::string(current_file), folder + "out.zuv");
    EXPECT_FALSE(Exists(folder + "out.zuv"));
}

TEST_F(Extractor, ALibraryRenamedExeIsReadWithoutRunningIt) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string marker = std::string(temp) + "morvane_marker.txt";
    DeleteFileA(marker.c_str());
    std::string renamed = folder + "renamed.exe";
    ASSERT_TRUE(CopyFileA((std::string("Z:") + MARKER_DLL).c_str(), renamed.c_str(), FALSE));

    DialogScript script;
    EXPECT_EQ(Extract(&script, {renamed, folder + "library.zuv"}), 1) << Describe(script);
    const char carried[] = "_ZUV carried by a library";
    EXPECT_EQ(ReadBytes(folder + "library.zuv"), Bytes(carried, carried + sizeof carried - 1));
    EXPECT_FALSE(Exists(marker)) << "the library's start-up ran";

    // Loaded as a module, the library does leave its marker.
    HMODULE loaded = LoadLibraryA(renamed.c_str());
    ASSERT_NE(loaded, nullptr);
    FreeLibrary(loaded);
    EXPECT_TRUE(Exists(marker));
    DeleteFileA(marker.c_str());
}

TEST_F(Extractor, TheExecutableItselfAsOutputIsRefusedAndStaysIntact) {
    Bytes before = ReadBytes(exe);
    DialogScript script;
    EXPECT_EQ(Extract(&script, {exe, exe}), 0);
    ASSERT_FALSE(script.boxes.empty());
    EXPECT_EQ(script.boxes.back().caption, "Writing Failed");
    EXPECT_EQ(script.boxes.back().text, std::string(kNotWritten) + kExistingKept);
    EXPECT_TRUE(ReadBytes(exe) == before);
    EXPECT_EQ(TemporariesIn(folder), 0);
}

// Bytes of an executable that become unreadable while they are read, as a
// file on a share or a removable disk that goes away: the extraction ends
// with its box, and the program goes on.
TEST_F(Extractor, AnExecutableWhoseBytesBecomeUnreadableEndsTheExtractionNotTheProgram) {
    Bytes built = ReadBytes(exe);
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    uint8_t* block = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, built.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(block, nullptr);
    memcpy(block, built.data(), built.size());
    // The headers stay readable; the sections, the resources among them, go.
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(block + system.dwPageSize, built.size() - system.dwPageSize,
                               PAGE_NOACCESS, &old));
    EXPECT_EQ(extract_entry(block, built.size(), (folder + "gone.zuv").c_str(), nullptr),
              NOT_LOADED);
    VirtualFree(block, 0, MEM_RELEASE);
    EXPECT_FALSE(Exists(folder + "gone.zuv"));
    EXPECT_EQ(TemporariesIn(folder), 0);
}

// Run by its own test entry, twice: the first run makes an executable
// carrying a video larger than MORVANE_TEST_FILE_LIMIT; the second, with the
// file size limited by the system to that many bytes, extracts it over an
// existing file, and the write comes out short as on a full disk.
std::string ShortWriteFolder() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + "morvane_extractor_short\\";
}

TEST(ExtractorShortWrite, PrepareAnExecutableLargerThanTheLimit) {
    if (!TestFileLimit()) GTEST_SKIP() << "needs a file size limit";
    std::string folder = FreshFolder("morvane_extractor_short");
    Bytes large = VideoHeaderBytes(64, 48, 10);
    large.resize(static_cast<size_t>(TestFileLimit()) * 3 / 2, 0x5A);
    ASSERT_TRUE(WriteBytes(folder + "large.zuv", large));
    ASSERT_TRUE(BuildExe(folder + "large.zuv", folder + "large.exe"));
    DeleteFileA((folder + "large.zuv").c_str());
}

TEST(ExtractorShortWrite, AShortWriteLeavesTheExistingFileAndNoTemporary) {
    if (!TestFileLimit()) GTEST_SKIP() << "needs a file size limit";
    std::string folder = ShortWriteFolder();
    ASSERT_TRUE(Exists(folder + "large.exe")) << "the first run makes it";
    // The recording the executable was made from, as the proposal names it.
    Bytes recording = MakeTestVideo(96, 64, 10, 12);
    ASSERT_TRUE(WriteBytes(folder + "large.zuv", recording));
    DialogScript script;
    int extracted;
    {
        DialogDriver driver(GetCurrentThreadId(), &script);
        extracted = write_extracted_video((folder + "large.exe").c_str(),
                                          (folder + "large.zuv").c_str());
    }
    EXPECT_EQ(extracted, 0);
    EXPECT_EQ(OnlyBox(script), std::string("Writing Failed: ") + kNotWritten + kExistingKept);
    EXPECT_TRUE(ReadBytes(folder + "large.zuv") == recording);
    EXPECT_EQ(TemporariesIn(folder), 0);
}

}  // namespace
