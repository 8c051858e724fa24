// The video entry read straight from an executable's bytes: found by the
// language rule in 32-bit and 64-bit files, refused with the right result
// when the headers are no executable's or the entry lies outside, never read
// outside the file; and found in real players and self-playing executables.
// Random damage is the fuzz target's.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "byte_order.h"
#include "resources/executable_resources.h"

namespace {

typedef std::vector<uint8_t> Bytes;

void Put16(Bytes* b, size_t at, uint16_t v) { StoreLE16(b->data() + at, v); }
void Put32(Bytes* b, size_t at, uint32_t v) { StoreLE32(b->data() + at, v); }

struct Language {
    uint16_t id;
    Bytes data;
};

// Where the crafted file puts things.
const size_t PE_AT = 0x80;
const size_t OPTIONAL_AT = PE_AT + 24;
const uint32_t SECTION_ADDRESS = 0x3000;
const size_t SECTION_AT = 0x400;

struct Crafted {
    Bytes file;
    size_t sectionHeader;     // offset of the section's 40-byte header
    size_t resourceField;     // offset of the resource directory's address and size
    size_t languageEntries;   // offset of the first language entry
    size_t dataEntries;       // offset of the first data entry
};

// An executable of one section holding a resource directory with type
// "ZEVEVIZ", name "VIDEO1" and the languages given, each with its data.
Crafted Executable(bool wide, const std::vector<Language>& languages) {
    Crafted c;
    size_t optionalSize = wide ? 240 : 224;
    c.sectionHeader = OPTIONAL_AT + optionalSize;
    c.resourceField = OPTIONAL_AT + (wide ? 112 : 96) + 16;

    // The section: root at 0, names at 24, languages at 48, then data
    // entries, the two names and the data.
    size_t n = languages.size();
    size_t dataEntries = 48 + 16 + 8 * n;
    size_t typeName = dataEntries + 16 * n;
    size_t entryName = typeName + 2 + 2 * 7;
    size_t dataAt = entryName + 2 + 2 * 6;
    Bytes section(dataAt, 0);
    for (const Language& l : languages) section.insert(section.end(), l.data.begin(), l.data.end());
    Put16(&section, 12, 1);
    Put32(&section, 16, 0x80000000u | static_cast<uint32_t>(typeName));
    Put32(&section, 20, 0x80000000u | 24);
    Put16(&section, 24 + 12, 1);
    Put32(&section, 40, 0x80000000u | static_cast<uint32_t>(entryName));
    Put32(&section, 44, 0x80000000u | 48);
    Put16(&section, 48 + 14, static_cast<uint16_t>(n));
    size_t at = dataAt;
    for (size_t i = 0; i < n; i++) {
        Put32(&section, 64 + 8 * i, languages[i].id);
        Put32(&section, 68 + 8 * i, static_cast<uint32_t>(dataEntries + 16 * i));
        Put32(&section, dataEntries + 16 * i, SECTION_ADDRESS + static_cast<uint32_t>(at));
        Put32(&section, dataEntries + 16 * i + 4, static_cast<uint32_t>(languages[i].data.size()));
        at += languages[i].data.size();
    }
    const char* names[] = {"ZEVEVIZ", "VIDEO1"};
    size_t nameAt[] = {typeName, entryName};
    for (int k = 0; k < 2; k++) {
        size_t length = strlen(names[k]);
        Put16(&section, nameAt[k], static_cast<uint16_t>(length));
        for (size_t i = 0; i < length; i++)
            Put16(&section, nameAt[k] + 2 + 2 * i, static_cast<uint8_t>(names[k][i]));
    }

    c.file.assign(SECTION_AT, 0);
    c.file[0] = 'M';
    c.file[1] = 'Z';
    Put32(&c.file, 0x3C, PE_AT);
    memcpy(&c.file[PE_AT], "PE\0\0", 4);
    Put16(&c.file, PE_AT + 4, wide ? 0x8664 : 0x14C);
    Put16(&c.file, PE_AT + 6, 1);
    Put16(&c.file, PE_AT + 20, static_cast<uint16_t>(optionalSize));
    Put16(&c.file, OPTIONAL_AT, wide ? 0x20B : 0x10B);
    Put32(&c.file, OPTIONAL_AT + (wide ? 108 : 92), 16);
    Put32(&c.file, c.resourceField, SECTION_ADDRESS);
    Put32(&c.file, c.resourceField + 4, static_cast<uint32_t>(dataAt));
    memcpy(&c.file[c.sectionHeader], ".rsrc", 5);
    Put32(&c.file, c.sectionHeader + 8, static_cast<uint32_t>(section.size()));
    Put32(&c.file, c.sectionHeader + 12, SECTION_ADDRESS);
    Put32(&c.file, c.sectionHeader + 16, static_cast<uint32_t>(section.size()));
    Put32(&c.file, c.sectionHeader + 20, SECTION_AT);
    c.file.insert(c.file.end(), section.begin(), section.end());
    c.languageEntries = SECTION_AT + 64;
    c.dataEntries = SECTION_AT + dataEntries;
    return c;
}

// The entry's bytes, or the lookup's result as text when there is none.
std::string Lookup(const Bytes& file) {
    ExecutableEntry found;
    Bytes exact(file);  // storage that ends with the bytes, for the sanitizer
    int result = ExecutableFindResource(exact.empty() ? nullptr : exact.data(), exact.size(),
                                        "ZEVEVIZ", "VIDEO1", &found);
    if (result == EXECUTABLE_NOT_PE) return "not an executable";
    if (result == EXECUTABLE_NO_ENTRY) return "no entry";
    if (found.offset > exact.size() || exact.size() - found.offset < found.size)
        return "outside the file";
    return std::string(exact.begin() + static_cast<long>(found.offset),
                       exact.begin() + static_cast<long>(found.offset + found.size));
}

Bytes Text(const char* text) { return Bytes(text, text + strlen(text)); }

TEST(ExecutableResources, FindsLanguageZeroElse1033ElseTheFirstInBothKinds) {
    for (bool wide : {false, true}) {
        SCOPED_TRACE(wide ? "64-bit" : "32-bit");
        EXPECT_EQ(Lookup(Executable(wide, {{1033, Text("_ZUV")}, {0, Text("the video")}}).file),
                  "the video");
        EXPECT_EQ(Lookup(Executable(wide, {{0, Text("the video")}, {1033, Text("_ZUV")}}).file),
                  "the video");
        EXPECT_EQ(Lookup(Executable(wide, {{2057, Text("british")}, {1033, Text("_ZUV")}}).file),
                  "_ZUV");
        EXPECT_EQ(Lookup(Executable(wide, {{2057, Text("british")}, {3082, Text("spanish")}}).file),
                  "british");
        // Nothing to take out of an empty entry.
        EXPECT_EQ(Lookup(Executable(wide, {{0, Bytes()}}).file), "no entry");
        EXPECT_EQ(Lookup(Executable(wide, {}).file), "no entry");
    }
}

TEST(ExecutableResources, HeadersOfNoExecutableAndEntriesOutsideAreRefused) {
    Crafted good = Executable(false, {{1033, Text("_ZUV")}, {0, Text("the video")}});
    ASSERT_EQ(Lookup(good.file), "the video");
    struct Damage {
        const char* what;
        size_t at;
        uint32_t value;
        int width;  // bytes written: 1, 2 or 4
        const char* result;
    } damages[] = {
        {"no MZ", 1, 'X', 1, "not an executable"},
        {"PE header past the end", 0x3C, 0x7FFFFFF0u, 4, "not an executable"},
        {"no PE signature", PE_AT + 2, 'X', 1, "not an executable"},
        {"unknown magic", OPTIONAL_AT, 0x107, 2, "not an executable"},
        {"section table past the end", PE_AT + 6, 0xFFFF, 2, "not an executable"},
        {"optional header without the resource directory", PE_AT + 20, 100, 2, "no entry"},
        {"two data directories only", OPTIONAL_AT + 92, 2, 4, "no entry"},
        {"no resource directory", good.resourceField, 0, 4, "no entry"},
        {"resource directory in no section", good.resourceField, 0x9000, 4, "no entry"},
        {"resource directory cut short", good.resourceField + 4, 60, 4, "no entry"},
        {"raw data past the end", good.sectionHeader + 20, 0x7FFFFFF0u, 4, "no entry"},
        {"data in no section", good.dataEntries + 16, 0x100, 4, "no entry"},
        {"data past its section", good.dataEntries + 16 + 4, 0x1000, 4, "no entry"},
        {"data of 4 GiB", good.dataEntries + 16 + 4, 0xFFFFFFFFu, 4, "no entry"},
        {"language entry pointing at a directory", good.languageEntries + 8 + 4,
         0x80000000u | 48, 4, "no entry"},
        {"more languages than bytes", good.languageEntries - 2, 0xFFFF, 2, "no entry"},
    };
    for (const Damage& d : damages) {
        Bytes damaged = good.file;
        if (d.width == 1) damaged[d.at] = static_cast<uint8_t>(d.value);
        if (d.width == 2) Put16(&damaged, d.at, static_cast<uint16_t>(d.value));
        if (d.width == 4) Put32(&damaged, d.at, d.value);
        EXPECT_EQ(Lookup(damaged), d.result) << d.what;
    }
    // Raw data that the file holds only in part: the directory is still read
    // within the file, and the data beyond it is refused.
    Crafted longer = Executable(false, {{0, Text("the video")}});
    Put32(&longer.file, longer.sectionHeader + 16, 0x10000);
    EXPECT_EQ(Lookup(longer.file), "the video");
    longer.file.pop_back();
    EXPECT_EQ(Lookup(longer.file), "no entry");
}

TEST(ExecutableResources, AFileCutAnywhereIsNeverReadOutside) {
    Crafted good = Executable(true, {{1033, Text("_ZUV")}, {0, Text("the video")}});
    for (size_t size = 0; size < good.file.size(); size++) {
        Bytes cut(good.file.begin(), good.file.begin() + static_cast<long>(size));
        std::string result = Lookup(cut);
        EXPECT_NE(result, "outside the file") << size;
        EXPECT_NE(result, "the video") << size;
    }
}

bool ReadFile(const std::string& path, Bytes* bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bytes->clear();
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + got);
    std::fclose(file);
    return true;
}

// The seeds are real players and self-playing executables made from them
// with the video of the video reader's seed "letter_24x16".
TEST(ExecutableResources, FindsTheVideoInRealPlayers) {
    std::string folder = MORVANE_PLAYER_SEEDS;
    Bytes video;
    ASSERT_TRUE(ReadFile(folder + "/../video_reader/letter_24x16", &video));
    DIR* seeds = opendir(folder.c_str());
    ASSERT_NE(seeds, nullptr);
    int bare = 0, built = 0;
    while (dirent* entry = readdir(seeds)) {
        std::string name = entry->d_name;
        bool is_bare = name.find("_bare") != std::string::npos;
        bool is_built = name.find("_built") != std::string::npos;
        if (!is_bare && !is_built) continue;
        Bytes player;
        ASSERT_TRUE(ReadFile(folder + "/" + name, &player)) << name;
        EXPECT_EQ(Lookup(player), is_bare ? "_ZUV" : std::string(video.begin(), video.end()))
            << name;
        (is_bare ? bare : built)++;
    }
    closedir(seeds);
    EXPECT_GE(bare, 2);
    EXPECT_GE(built, 2);
}

}  // namespace
