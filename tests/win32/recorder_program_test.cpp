// The built recorder, started as a person would start it: its main window,
// the video named on its command line, the association it registers, and
// the resources it carries.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "far_video_win.h"
#include "packaging_support_win.h"
#include "recorder_driver_win.h"
#include "recorder_support_win.h"
#include "test_pictures.h"

namespace {

const std::string kProgram = WindowsPathOf(MORVANE_EXE);
const std::string kPlayer = WindowsPathOf(SELFPLAYER_EXE);

std::string TextOf(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassNameOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool BottomStripLaidOut(HWND main, HWND toolbar, HWND status) {
    RECT client;
    GetClientRect(main, &client);
    RECT t = ChildRect(toolbar);
    RECT s = ChildRect(status);
    return t.left == 0 && t.top == client.bottom - 24 && t.right == 96 && t.bottom == client.bottom &&
           s.left == 96 && s.top == client.bottom - 24 && s.right == client.right + 1 &&
           s.bottom == client.bottom && IsWindowVisible(toolbar) && IsWindowVisible(status);
}

template <typename Condition>
bool Eventually(Condition condition, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeout_ms) return false;
        Sleep(20);
    }
    return true;
}

std::string ReadDefault(const char* subkey) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<none>";
    char text[1024] = {};
    DWORD size = sizeof text - 1;
    DWORD type = 0;
    LONG result = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? text : "<none>";
}

TEST(RecorderProgram, StartsCentredWithToolbarAndStatusLineAlongTheBottom) {
    RunningProgram program = StartProgram(kProgram, "");
    ASSERT_TRUE(program.started) << "error " << program.error;
    HWND main = WaitForProgramWindow(program, "prog_main", 30000);
    ASSERT_NE(main, nullptr);

    EXPECT_EQ(ClassNameOf(main), "prog_main");
    EXPECT_EQ(TextOf(main), "Morvane 1.0 (pre-release)");
    RECT screen, window;
    GetWindowRect(GetDesktopWindow(), &screen);
    GetWindowRect(main, &window);
    int w = screen.right - screen.left, h = screen.bottom - screen.top;
    EXPECT_EQ(window.left, (w - 399) / 2);
    EXPECT_EQ(window.top, (h - 299) / 2);
    // Run on a screen of a size it is told, the place is known outright.
    char wanted_screen[32] = {};
    if (GetEnvironmentVariableA("MORVANE_TEST_SCREEN", wanted_screen, sizeof wanted_screen) &&
        lstrcmpA(wanted_screen, "1024x768") == 0) {
        EXPECT_EQ(w, 1024);
        EXPECT_EQ(h, 768);
        EXPECT_EQ(window.left, 312);
        EXPECT_EQ(window.top, 234);
    }
    EXPECT_EQ(window.right - window.left, 400);
    EXPECT_EQ(window.bottom - window.top, 340);

    HWND toolbar = FindWindowExA(main, nullptr, "prog_tool", nullptr);
    HWND status = FindWindowExA(main, nullptr, "Static", nullptr);
    ASSERT_NE(toolbar, nullptr);
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(Eventually([&] { return BottomStripLaidOut(main, toolbar, status); }, 5000));
    LONG style = GetWindowLongA(status, GWL_STYLE);
    EXPECT_EQ(style & SS_TYPEMASK, SS_CENTER);
    EXPECT_TRUE(style & SS_SUNKEN);
    EXPECT_TRUE(style & SS_CENTERIMAGE);

    // The strip follows every size.
    SetWindowPos(main, nullptr, 0, 0, 613, 457, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(Eventually([&] {
        RECT client;
        GetClientRect(main, &client);
        return client.right > 500 && BottomStripLaidOut(main, toolbar, status);
    }, 5000));

    // The association names the program as it was started.
    EXPECT_EQ(ReadDefault(".zuv"), "Morvane.zuv");
    EXPECT_EQ(ReadDefault("Morvane.zuv"), "ZeVEVIZ Video File");
    std::string command = ReadDefault("Morvane.zuv\\shell\\open\\command");
    EXPECT_EQ(lstrcmpiA(command.c_str(), ("\"" + kProgram + "\" \"%1\"").c_str()), 0) << command;
    std::string icon = ReadDefault("Morvane.zuv\\DefaultIcon");
    EXPECT_EQ(lstrcmpiA(icon.c_str(), (kProgram + " ,3").c_str()), 0) << icon;

    EXPECT_EQ(CloseProgram(&program, main), 0);
}

std::vector<uint8_t> MakeTestVideo() {
    const int width = 120, height = 90;
    FrameSurface current, previous;
    EXPECT_NE(FrameSurfaceCreate(width, height, &current), nullptr);
    EXPECT_NE(FrameSurfaceCreate(width, height, &previous), nullptr);
    FrameSurfaceLock(&current);
    FrameSurfaceLock(&previous);
    DrawLetterF(&current, 20, 10, 14);
    std::vector<uint8_t> video = VideoHeaderBytes(width, height, 10);
    std::vector<uint8_t> work(RecordWorkSize(width, height));
    // Eight seconds of the same picture: one key frame, then unchanged frames.
    for (uint32_t i = 0; i < 80; ++i) EXPECT_TRUE(AppendRecord(&video, &current, &previous, i, &work));
    FrameSurfaceUnlock(&current);
    FrameSurfaceUnlock(&previous);
    FrameSurfaceDestroy(&current);
    FrameSurfaceDestroy(&previous);
    return video;
}

std::string TempPath(const char* name) {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

std::string WriteTestVideo(const char* name) {
    std::vector<uint8_t> video = MakeTestVideo();
    std::string path = TempPath(name);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, video.data(), static_cast<DWORD>(video.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

// The red and blue of the letter F show in the main window's client area.
bool ShowsTheLetterF(HWND main) {
    return Eventually([&] {
        int w = 0, h = 0;
        std::vector<uint32_t> pixels = GrabClientFromScreen(main, &w, &h);
        return CountCloseTo(pixels, Rgb(230, 30, 20), 12) > 1000 &&
               CountCloseTo(pixels, Rgb(10, 40, 200), 12) > 1000;
    }, 15000);
}

TEST(RecorderProgram, PlaysTheVideoNamedOnItsCommandLineAtOnce) {
    std::string video = WriteTestVideo("morvane program test video.zuv");
    ASSERT_EQ(video[1], ':');  // a full path with a drive letter and blanks
    RunningProgram program = StartProgram(kProgram, "\"" + video + "\"");
    ASSERT_TRUE(program.started) << "error " << program.error;
    HWND main = WaitForProgramWindow(program, "prog_main", 30000);
    ASSERT_NE(main, nullptr);

    EXPECT_TRUE(ShowsTheLetterF(main));
    EXPECT_EQ(CloseProgram(&program, main), 0);
    DeleteFileA(video.c_str());
}

// A recording whose records lie beyond 4 GiB of its file plays as a short
// one does; a file that is no video, or is not there, named on the command
// line says so in a box, and the window stays ready for the next command.
TEST(RecorderProgram, ALongRecordingPlaysAndAFileThatIsNoVideoSaysSo) {
    std::string distant = TempPath("morvane program far.zuv");
    ASSERT_TRUE(WriteFarVideo(distant, MakeTestVideo()));
    RunningProgram program = StartProgram(kProgram, "\"" + distant + "\"");
    ASSERT_TRUE(program.started) << "error " << program.error;
    HWND main = WaitForProgramWindow(program, "prog_main", 30000);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(ShowsTheLetterF(main));
    EXPECT_EQ(CloseProgram(&program, main), 0);
    DeleteFileA(distant.c_str());

    std::string text = TempPath("morvane program notes.zuv");
    ASSERT_TRUE(WriteBytes(text, Bytes(4000, 'x')));
    const struct {
        std::string named;
        const char* caption;
        const char* says;
    } refused[] = {
        {text, "Invalid or Empty Video File",
         "The file you have selected is not a valid ZeVEVIZ file. Please load a valid video then "
         "retry."},
        {TempPath("morvane program gone.zuv"), "Video File Not Found",
         "The video named on the command line cannot be opened. It may have been moved or "
         "deleted."},
    };
    for (const auto& file : refused) {
        SCOPED_TRACE(file.named);
        program = StartProgram(kProgram, "\"" + file.named + "\"");
        ASSERT_TRUE(program.started) << "error " << program.error;
        HWND box = WaitForProgramDialog(program, file.caption, 30000);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(BoxText(box), file.says);
        main = WaitForProgramWindow(program, "prog_main", 1000);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(GetWindow(box, GW_OWNER), main);
        Click(box, IDOK);
        EXPECT_TRUE(WaitUntilClosed(box));
        EXPECT_TRUE(WaitForStatus(main, " Ready"));
        EXPECT_EQ(CloseProgram(&program, main), 0);
    }
    DeleteFileA(text.c_str());
}

// The characteristics in the file header of the program at path, 0 when it
// cannot be read.
WORD ImageCharacteristics(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    std::vector<uint8_t> head(4096);
    DWORD got = 0;
    ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &got, nullptr);
    CloseHandle(file);
    if (got < sizeof(IMAGE_DOS_HEADER)) return 0;
    LONG at = reinterpret_cast<const IMAGE_DOS_HEADER*>(head.data())->e_lfanew;
    if (at < 0 || static_cast<DWORD>(at) + 4 + sizeof(IMAGE_FILE_HEADER) > got) return 0;
    return reinterpret_cast<const IMAGE_FILE_HEADER*>(head.data() + at + 4)->Characteristics;
}

// A recording of 8192 pixels a side needs some 900 MB of buffers in one
// piece each: both 32-bit programs take the 4 GiB of address space that
// 64-bit Windows gives a program that says it can use them.
TEST(RecorderProgram, BothProgramsAreLargeAddressAwareAndPlayA4KVideoWhole) {
    EXPECT_TRUE(ImageCharacteristics(kProgram) & IMAGE_FILE_LARGE_ADDRESS_AWARE);
    EXPECT_TRUE(ImageCharacteristics(kPlayer) & IMAGE_FILE_LARGE_ADDRESS_AWARE);

    std::vector<uint8_t> video = MakeQuadrantVideo(3840, 2160, 2, 10);
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    std::string path = std::string(folder) + "morvane program 4k.zuv";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, video.data(), static_cast<DWORD>(video.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, video.size());
    RunningProgram program = StartProgram(kProgram, "\"" + path + "\"");
    ASSERT_TRUE(program.started) << "error " << program.error;
    HWND main = WaitForProgramWindow(program, "prog_main", 30000);
    ASSERT_NE(main, nullptr);
    // Stretched over the area above the 24-pixel band, from (1, 1).
    EXPECT_TRUE(Eventually([&] {
        int w = 0, h = 0;
        std::vector<uint32_t> pixels = GrabClientFromScreen(main, &w, &h);
        return w > 100 && h > 124 && ShowsQuadrants(pixels, w, 1, 1, w - 2, h - 24 - 2);
    }, 20000));
    EXPECT_EQ(CloseProgram(&program, main), 0);
    DeleteFileA(path.c_str());
}

// The resources of the program file, read as data.
struct ResourceList {
    std::set<std::string> names;  // "type/name"
    size_t icon_images = 0;
    size_t cursor_images = 0;
};

std::string IdText(LPCSTR id) {
    if (IS_INTRESOURCE(id)) return std::to_string(reinterpret_cast<uintptr_t>(id));
    return id;
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR type, LPSTR name, LONG_PTR list_address) {
    auto* list = reinterpret_cast<ResourceList*>(list_address);
    if (type == RT_ICON) {
        list->icon_images++;
    } else if (type == RT_CURSOR) {
        list->cursor_images++;
    } else {
        list->names.insert(IdText(type) + "/" + IdText(name));
    }
    return TRUE;
}

BOOL CALLBACK CollectType(HMODULE module, LPSTR type, LONG_PTR list) {
    EnumResourceNamesA(module, type, CollectName, list);
    return TRUE;
}

std::vector<uint8_t> ResourceBytes(HMODULE module, LPCSTR type, int id) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found) return {};
    const uint8_t* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
    return std::vector<uint8_t>(bytes, bytes + SizeofResource(module, found));
}

#pragma pack(push, 2)
struct GroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bit_count;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

std::vector<GroupEntry> GroupEntries(HMODULE module, LPCSTR type, int id) {
    std::vector<uint8_t> bytes = ResourceBytes(module, type, id);
    std::vector<GroupEntry> entries;
    if (bytes.size() < 6) return entries;
    WORD count = static_cast<WORD>(bytes[4] | (bytes[5] << 8));
    for (WORD i = 0; i < count && 6 + (i + 1) * sizeof(GroupEntry) <= bytes.size(); ++i) {
        GroupEntry entry;
        memcpy(&entry, bytes.data() + 6 + i * sizeof(GroupEntry), sizeof entry);
        entries.push_back(entry);
    }
    return entries;
}

BITMAPINFOHEADER BitmapHeader(const std::vector<uint8_t>& bytes, size_t offset) {
    BITMAPINFOHEADER header = {};
    if (bytes.size() >= offset + sizeof header) memcpy(&header, bytes.data() + offset, sizeof header);
    return header;
}

TEST(RecorderProgram, CarriesExactlyItsResourcesInTheirSizesAndDepths) {
    HMODULE module = LoadLibraryExA(kProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    ResourceList list;
    EnumResourceTypesA(module, CollectType, reinterpret_cast<LONG_PTR>(&list));
    std::set<std::string> expected = {
        "4/101",                                      // menu
        "5/104", "5/105", "5/108", "5/114", "5/115", "5/116",  // dialogs
        "5/200",                                      // countdown
        "6/14",                                       // texts 208 to 223
        "2/106", "2/107",                             // bitmaps
        "14/102", "14/103", "14/111", "14/113",       // icon groups
        "12/109",                                     // cursor
        "FILEDATA/112", "16/1", "24/1"};              // player, version, manifest
    EXPECT_EQ(list.names, expected);

    // Icon groups in id order: 113 is the fourth, icon index 3.
    struct IconWanted { int id; int size; };
    size_t images = 0;
    for (IconWanted wanted : {IconWanted{102, 32}, IconWanted{103, 16}, IconWanted{111, 32},
                              IconWanted{113, 32}}) {
        std::vector<GroupEntry> entries = GroupEntries(module, RT_GROUP_ICON, wanted.id);
        ASSERT_EQ(entries.size(), 1u) << wanted.id;
        EXPECT_EQ(entries[0].width, wanted.size) << wanted.id;
        EXPECT_EQ(entries[0].height, wanted.size) << wanted.id;
        images += entries.size();
    }
    EXPECT_EQ(list.icon_images, images);
    std::vector<GroupEntry> locator = GroupEntries(module, RT_GROUP_ICON, 111);
    EXPECT_EQ(locator[0].colours, 16);
    BITMAPINFOHEADER locator_image = BitmapHeader(ResourceBytes(module, RT_ICON, locator[0].id), 0);
    EXPECT_EQ(locator_image.biBitCount, 4);

    std::vector<GroupEntry> cursor = GroupEntries(module, RT_GROUP_CURSOR, 109);
    ASSERT_EQ(cursor.size(), 1u);
    EXPECT_EQ(list.cursor_images, 1u);
    // A cursor image starts with its hot spot; its mask doubles the height.
    BITMAPINFOHEADER cursor_image = BitmapHeader(ResourceBytes(module, RT_CURSOR, cursor[0].id), 4);
    EXPECT_EQ(cursor_image.biWidth, 32);
    EXPECT_EQ(cursor_image.biHeight, 64);

    BITMAPINFOHEADER toolbar = BitmapHeader(ResourceBytes(module, RT_BITMAP, 106), 0);
    EXPECT_EQ(toolbar.biWidth, 96);
    EXPECT_EQ(toolbar.biHeight, 24);
    EXPECT_EQ(toolbar.biBitCount, 8);
    BITMAPINFOHEADER picture = BitmapHeader(ResourceBytes(module, RT_BITMAP, 107), 0);
    EXPECT_EQ(picture.biWidth, 314);
    EXPECT_EQ(picture.biHeight, 180);
    EXPECT_EQ(picture.biBitCount, 8);

    // The carried player is the built player, byte for byte.
    std::vector<uint8_t> carried = ResourceBytes(module, "FILEDATA", 112);
    HANDLE file = CreateFileA(kPlayer.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::vector<uint8_t> player(GetFileSize(file, nullptr));
    DWORD read = 0;
    ReadFile(file, player.data(), static_cast<DWORD>(player.size()), &read, nullptr);
    CloseHandle(file);
    EXPECT_FALSE(carried.empty());
    EXPECT_TRUE(carried == player);

    std::vector<uint8_t> manifest = ResourceBytes(module, RT_MANIFEST, 1);
    std::string manifest_text(manifest.begin(), manifest.end());
    EXPECT_NE(manifest_text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest_text.find("dpiAware"), std::string::npos);
    FreeLibrary(module);
}

// The menu's items, ids and flags as a person sees them.
TEST(RecorderProgram, MenuHoldsEveryCommandWithTheAssociationItemGreyed) {
    HMODULE module = LoadLibraryExA(kProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(101));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 4);
    const char* popups[] = {"&File", "&Tools", "&Settings", "&Help"};
    for (int i = 0; i < 4; ++i) {
        char text[64] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, popups[i]);
    }
    MENUITEMINFOA help = {};
    help.cbSize = sizeof help;
    help.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(menu, 3, TRUE, &help);
    EXPECT_TRUE(help.fType & MFT_RIGHTJUSTIFY);

    struct Item { int id; const char* text; };
    for (Item item : {Item{40006, "Load..."}, Item{40003, "Play"}, Item{40004, "Pause"},
                      Item{40002, "Stop"}, Item{40001, "Capture"},
                      Item{40008, "&Make Self-Playing Video"},
                      Item{40011, "&Extract from Self-Playing Video"},
                      Item{40014, "Export as Animated PNG..."}, Item{40015, "Export as GIF..."},
                      Item{40016, "&Cut..."},
                      Item{40013, "Set For \".ZUV\""}, Item{40012, "Restore \".ZUV\""},
                      Item{40007, "&About"}}) {
        char text[64] = {};
        GetMenuStringA(menu, item.id, text, sizeof text, MF_BYCOMMAND);
        EXPECT_STREQ(text, item.text) << item.id;
        UINT state = GetMenuState(menu, item.id, MF_BYCOMMAND);
        EXPECT_EQ((state & MF_GRAYED) != 0, item.id == 40013) << item.id;
    }
    HMENU file = GetSubMenu(menu, 0);
    EXPECT_EQ(GetMenuItemCount(file), 7);
    EXPECT_EQ(GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(GetMenuState(file, 5, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    DestroyMenu(menu);
    FreeLibrary(module);
}

}  // namespace

namespace {

struct DialogControl {
    int id;
    int x, y, cx, cy;
    DWORD style;
    std::string text;
};

struct DialogTemplate {
    DWORD style = 0;
    int cx = 0, cy = 0;
    std::string caption;
    std::vector<DialogControl> controls;
};

// Reads a name-or-ordinal field of a dialog template; returns its text, or
// "#" and the number for an ordinal.
std::string ReadNameOrOrdinal(const uint8_t* base, size_t size, size_t* at) {
    auto word = [&](size_t offset) -> WORD {
        return offset + 2 <= size ? static_cast<WORD>(base[offset] | (base[offset + 1] << 8)) : 0;
    };
    WORD first = word(*at);
    if (first == 0xFFFF) {
        std::string text = "#" + std::to_string(word(*at + 2));
        *at += 4;
        return text;
    }
    std::string text;
    while (*at + 2 <= size && word(*at) != 0) {
        text += static_cast<char>(word(*at));
        *at += 2;
    }
    *at += 2;
    return text;
}

DialogTemplate ReadDialog(HMODULE module, int id) {
    DialogTemplate dialog;
    std::vector<uint8_t> bytes = ResourceBytes(module, RT_DIALOG, id);
    if (bytes.size() < 18) return dialog;
    const uint8_t* b = bytes.data();
    auto dword = [&](size_t o) { DWORD v; memcpy(&v, b + o, 4); return v; };
    auto word = [&](size_t o) { return static_cast<short>(b[o] | (b[o + 1] << 8)); };
    dialog.style = dword(0);
    int count = word(8);
    dialog.cx = word(14);
    dialog.cy = word(16);
    size_t at = 18;
    ReadNameOrOrdinal(b, bytes.size(), &at);  // menu
    ReadNameOrOrdinal(b, bytes.size(), &at);  // class
    dialog.caption = ReadNameOrOrdinal(b, bytes.size(), &at);
    if (dialog.style & DS_SETFONT) {
        at += 2;
        ReadNameOrOrdinal(b, bytes.size(), &at);
    }
    for (int i = 0; i < count; ++i) {
        at = (at + 3) & ~static_cast<size_t>(3);
        if (at + 18 > bytes.size()) break;
        DialogControl control;
        control.style = dword(at);
        control.x = word(at + 8);
        control.y = word(at + 10);
        control.cx = word(at + 12);
        control.cy = word(at + 14);
        control.id = word(at + 16);
        at += 18;
        ReadNameOrOrdinal(b, bytes.size(), &at);  // class
        control.text = ReadNameOrOrdinal(b, bytes.size(), &at);
        at += 2 + (at + 2 <= bytes.size() ? word(at) : 0);
        dialog.controls.push_back(control);
    }
    return dialog;
}

struct Placed { int id, x, y, cx, cy; };

void ExpectControls(const DialogTemplate& dialog, std::vector<Placed> wanted) {
    ASSERT_EQ(dialog.controls.size(), wanted.size());
    for (size_t i = 0; i < wanted.size(); ++i) {
        const DialogControl& c = dialog.controls[i];
        EXPECT_EQ(c.id, wanted[i].id) << i;
        EXPECT_EQ(c.x, wanted[i].x) << i;
        EXPECT_EQ(c.y, wanted[i].y) << i;
        EXPECT_EQ(c.cx, wanted[i].cx) << i;
        EXPECT_EQ(c.cy, wanted[i].cy) << i;
    }
}

TEST(RecorderProgram, DialogTemplatesHoldEveryControlInPlace) {
    HMODULE module = LoadLibraryExA(kProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);

    DialogTemplate locator = ReadDialog(module, 104);
    EXPECT_EQ(locator.caption, "Locate Window To Capture");
    EXPECT_EQ(locator.cx, 214);
    EXPECT_EQ(locator.cy, 162);
    ExpectControls(locator, {{-1, 7, 30, 200, 37}, {1003, 97, 7, 20, 20}, {1006, 15, 89, 183, 39},
                             {-1, 7, 75, 200, 60}, {1004, 7, 139, 56, 16}, {1, 90, 139, 56, 16},
                             {2, 151, 139, 56, 16}, {170, 151, 7, 56, 16}});
    if (locator.controls.size() == 8) {
        EXPECT_EQ(locator.controls[1].style & (SS_TYPEMASK | SS_NOTIFY | SS_REALSIZEIMAGE | SS_SUNKEN),
                  static_cast<DWORD>(SS_ICON | SS_NOTIFY | SS_REALSIZEIMAGE | SS_SUNKEN));
        EXPECT_EQ(locator.controls[1].text, "#111");
        EXPECT_EQ(locator.controls[2].text, "<< no window has been selected, defaulting to self >>");
        EXPECT_EQ(locator.controls[7].text, "&Area...");
    }

    DialogTemplate settings = ReadDialog(module, 105);
    EXPECT_EQ(settings.caption, "Capture Settings");
    EXPECT_EQ(settings.cx, 186);
    EXPECT_EQ(settings.cy, 187);
    EXPECT_TRUE(settings.style & WS_VISIBLE);
    // Each field of the recording options after its label, whose access key
    // reaches it.
    ExpectControls(settings, {{-1, 7, 7, 172, 25}, {-1, 7, 42, 94, 12}, {1002, 121, 42, 58, 14},
                              {1001, 7, 58, 172, 15}, {-1, 7, 77, 95, 12}, {1000, 114, 76, 65, 64},
                              {-1, 7, 95, 95, 12}, {201, 114, 94, 65, 64}, {-1, 7, 113, 95, 12},
                              {202, 114, 112, 65, 14}, {-1, 7, 131, 95, 12}, {203, 114, 130, 65, 14},
                              {204, 7, 148, 172, 12}, {1, 75, 166, 50, 14}, {2, 129, 166, 50, 14}});
    if (settings.controls.size() == 15) {
        EXPECT_EQ(settings.controls[5].style & (CBS_DROPDOWN | CBS_SORT | WS_VSCROLL),
                  static_cast<DWORD>(CBS_DROPDOWN | CBS_SORT | WS_VSCROLL));
        EXPECT_EQ(settings.controls[0].text[0], ' ');
        EXPECT_EQ(settings.controls[6].text, "Start &after:");
        EXPECT_EQ(settings.controls[7].style & 3, static_cast<DWORD>(CBS_DROPDOWNLIST));
        EXPECT_EQ(settings.controls[8].text, "Pause/&Resume key:");
        EXPECT_EQ(settings.controls[10].text, "&Stop key:");
        EXPECT_EQ(settings.controls[12].text, "&Minimise this window while recording");
        for (int field : {7, 9, 11, 12}) EXPECT_TRUE(settings.controls[field].style & WS_TABSTOP);
    }

    DialogTemplate about = ReadDialog(module, 108);
    EXPECT_EQ(about.caption, "About Morvane 1.0");
    EXPECT_EQ(about.cx, 223);
    EXPECT_EQ(about.cy, 166);
    ExpectControls(about, {{-1, 7, 7, 209, 111}, {-1, 7, 125, 75, 34}, {1003, 96, 126, 120, 13},
                           {1, 166, 145, 50, 14}});
    if (about.controls.size() == 4) {
        EXPECT_EQ(about.controls[0].style & SS_TYPEMASK, static_cast<DWORD>(SS_BITMAP));
        EXPECT_EQ(about.controls[0].text, "#107");
        EXPECT_EQ(about.controls[2].style & (SS_TYPEMASK | SS_NOTIFY),
                  static_cast<DWORD>(SS_RIGHT | SS_NOTIFY));
    }

    DialogTemplate progress = ReadDialog(module, 114);
    EXPECT_EQ(progress.caption, "");
    EXPECT_EQ(progress.style & WS_CAPTION, 0u);
    EXPECT_EQ(progress.style & (DS_CENTER | WS_VISIBLE), static_cast<DWORD>(DS_CENTER | WS_VISIBLE));
    EXPECT_EQ(progress.cx, 170);
    EXPECT_EQ(progress.cy, 34);
    ExpectControls(progress, {{1003, 37, 7, 126, 20}, {-1, 7, 7, 21, 20}});
    if (progress.controls.size() == 2) {
        EXPECT_EQ(progress.controls[0].text, "Loading...");
        EXPECT_EQ(progress.controls[1].text, "#102");
    }
    FreeLibrary(module);
}

}  // namespace
