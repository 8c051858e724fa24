// Files, videos and resource listings for the tests of self-playing
// executables.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "frame_surface.h"
#include "test_pictures.h"
#include "video_writer.h"

typedef std::vector<uint8_t> Bytes;

// A fresh, empty folder under the temporary folder; its path ends in "\".
inline std::string FreshFolder(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + name;
    std::string pattern = folder + "\\*";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            DeleteFileA((folder + "\\" + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\";
}

// How many temporaries of the safe writer lie in folder (its path ends in
// "\"): a write that ended, well or not, leaves none.
inline int TemporariesIn(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "~mv*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        count++;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

// The file size limit the system sets for this run of a test program
// (prlimit, in tests/win32/CMakeLists.txt), from MORVANE_TEST_FILE_LIMIT; 0
// when there is none.
inline int64_t TestFileLimit() {
    const char* limit = getenv("MORVANE_TEST_FILE_LIMIT");
    return limit ? _atoi64(limit) : 0;
}

// True when the box is the save dialog's question before replacing a file.
inline bool AsksToReplace(const std::string& text) {
    return text.find("exists") != std::string::npos && text.find("replace") != std::string::npos;
}

inline bool WriteBytes(const std::string& path, const Bytes& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

inline Bytes ReadBytes(const std::string& path) {
    Bytes bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD got = 0;
    if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) got = 0;
    bytes.resize(got);
    CloseHandle(file);
    return bytes;
}

// Colours of the test video: a red "F" on blue, see DrawLetterF.
inline uint32_t VideoBlue() { return Bgrx(200, 40, 10); }
inline uint32_t VideoRed() { return Bgrx(20, 30, 230); }

// A video of frames pictures of width x height at rate: the "F" moves one
// pixel right per frame over the blue, above a band of fixed noise that
// makes the first record large enough for the video file check.
inline Bytes MakeTestVideo(uint16_t width, uint16_t height, uint16_t rate, int frames) {
    FrameSurface current, previous;
    FrameSurfaceCreate(width, height, &current);
    FrameSurfaceCreate(width, height, &previous);
    FrameSurfaceLock(&previous);
    FrameSurfaceFill(&previous, 0, 0, width - 1, height - 1, 0);
    std::vector<uint8_t> work(RecordWorkSize(width, height));
    Bytes video = VideoHeaderBytes(width, height, rate);
    uint32_t noise = 12345;
    for (int i = 0; i < frames; i++) {
        FrameSurfaceLock(&current);
        DrawLetterF(&current, 8 + i, 8, 6);
        for (int32_t y = height - 4; y < height; y++)
            for (int32_t x = 0; x < width; x++) {
                noise = noise * 1103515245u + 12345u;
                current.pixels[y * current.stride + x] = noise >> 8;
            }
        noise = 12345;
        AppendRecord(&video, &current, &previous, i, &work);
    }
    FrameSurfaceDestroy(&current);
    FrameSurfaceDestroy(&previous);
    return video;
}

// The player this test program carries as its resource "FILEDATA" 112, the
// way the recorder does.
inline Bytes CarriedPlayer() {
    HRSRC entry = FindResourceA(nullptr, MAKEINTRESOURCEA(112), "FILEDATA");
    if (!entry) return Bytes();
    const uint8_t* data = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, entry)));
    return Bytes(data, data + SizeofResource(nullptr, entry));
}

struct ResourceEntry {
    std::string type;
    std::string name;
    WORD language;
    Bytes data;
    bool operator<(const ResourceEntry& o) const {
        return std::tie(type, name, language) < std::tie(o.type, o.name, o.language);
    }
    bool operator==(const ResourceEntry& o) const {
        return std::tie(type, name, language, data) ==
               std::tie(o.type, o.name, o.language, o.data);
    }
};

inline std::string ResourceIdText(LPCSTR id) {
    if (IS_INTRESOURCE(id)) return "#" + std::to_string(reinterpret_cast<uintptr_t>(id));
    return id;
}

struct ResourceListing {
    HMODULE module;
    std::vector<ResourceEntry> entries;
};

inline BOOL CALLBACK ListLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language,
                                  LONG_PTR listing) {
    HRSRC entry = FindResourceExA(module, type, name, language);
    const uint8_t* data = static_cast<const uint8_t*>(LockResource(LoadResource(module, entry)));
    reinterpret_cast<ResourceListing*>(listing)->entries.push_back(
        {ResourceIdText(type), ResourceIdText(name), language,
         Bytes(data, data + SizeofResource(module, entry))});
    return TRUE;
}

inline BOOL CALLBACK ListName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR listing) {
    EnumResourceLanguagesA(module, type, name, ListLanguage, listing);
    return TRUE;
}

inline BOOL CALLBACK ListType(HMODULE module, LPSTR type, LONG_PTR listing) {
    EnumResourceNamesA(module, type, ListName, listing);
    return TRUE;
}

// Every resource entry of the executable at path, sorted by type, name and
// language; empty when it cannot be loaded.
inline std::vector<ResourceEntry> ResourcesOf(const std::string& path) {
    ResourceListing listing = {LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), {}};
    if (!listing.module) return listing.entries;
    EnumResourceTypesA(listing.module, ListType, reinterpret_cast<LONG_PTR>(&listing));
    FreeLibrary(listing.module);
    std::sort(listing.entries.begin(), listing.entries.end());
    return listing.entries;
}
