// The lookup of the video entry in a resource section: by exact language,
// the language-0 video is found beside the 1033 placeholder in either order,
// and damaged sections are refused without reading outside.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "byte_order.h"
#include "resources/resource_directory.h"

namespace {

typedef std::vector<uint8_t> Bytes;

void Put16(Bytes* b, size_t at, uint16_t v) { StoreLE16(b->data() + at, v); }
void Put32(Bytes* b, size_t at, uint32_t v) { StoreLE32(b->data() + at, v); }

void PutName(Bytes* b, size_t at, const char* name) {
    size_t length = strlen(name);
    Put16(b, at, static_cast<uint16_t>(length));
    for (size_t i = 0; i < length; i++) Put16(b, at + 2 + 2 * i, static_cast<uint8_t>(name[i]));
}

// A section with one type and one name holding two languages:
//   0 root, 24 names, 48 languages, 80 and 96 data entries, 112 the type's
//   name (up to 15 characters), 144 the entry's name, at the very end.
Bytes Section(const char* type, const char* name, uint16_t first_language,
              uint16_t second_language) {
    Bytes b(144 + 2 + 2 * strlen(name), 0);
    Put16(&b, 12, 1);  // root: one named entry
    Put32(&b, 16, 0x80000000u | 112);
    Put32(&b, 20, 0x80000000u | 24);
    Put16(&b, 24 + 12, 1);  // names: one named entry
    Put32(&b, 40, 0x80000000u | 144);
    Put32(&b, 44, 0x80000000u | 48);
    Put16(&b, 48 + 14, 2);  // languages: two id entries
    Put32(&b, 64, first_language);
    Put32(&b, 68, 80);
    Put32(&b, 72, second_language);
    Put32(&b, 76, 96);
    Put32(&b, 80, 0x5000);  // the first language's data: address, size
    Put32(&b, 84, 4);
    Put32(&b, 96, 0x6000);  // the second's
    Put32(&b, 100, 70000);
    PutName(&b, 112, type);
    PutName(&b, 144, name);
    return b;
}

TEST(ResourceDirectory, FindsTheExactLanguageInEitherOrder) {
    ResourceData found;
    Bytes placeholder_first = Section("ZEVEVIZ", "VIDEO1", 1033, 0);
    ASSERT_EQ(ResourceFindByLanguage(placeholder_first.data(), placeholder_first.size(), "ZEVEVIZ",
                                     "VIDEO1", 0, &found),
              1);
    EXPECT_EQ(found.address, 0x6000u);
    EXPECT_EQ(found.size, 70000u);
    ASSERT_EQ(ResourceFindByLanguage(placeholder_first.data(), placeholder_first.size(), "ZEVEVIZ",
                                     "VIDEO1", 1033, &found),
              1);
    EXPECT_EQ(found.address, 0x5000u);

    Bytes video_first = Section("ZEVEVIZ", "VIDEO1", 0, 1033);
    ASSERT_EQ(ResourceFindByLanguage(video_first.data(), video_first.size(), "zevevIZ", "video1",
                                     0, &found),
              1);
    EXPECT_EQ(found.address, 0x5000u);
    EXPECT_EQ(ResourceFindByLanguage(video_first.data(), video_first.size(), "ZEVEVIZ", "VIDEO1",
                                     2057, &found),
              0);
}

TEST(ResourceDirectory, OtherNamesDoNotMatch) {
    ResourceData found;
    struct Case {
        const char* type;
        const char* name;
    } stored[] = {{"ZEVEVI", "VIDEO1"}, {"ZEVEVIZZ", "VIDEO1"}, {"ZEVEVIZ", "VIDEO"},
                  {"ZEVEVIZ", "VIDEO12"}, {"", "VIDEO1"}};
    for (const Case& c : stored) {
        Bytes section = Section(c.type, c.name, 0, 1033);
        EXPECT_EQ(ResourceFindByLanguage(section.data(), section.size(), "ZEVEVIZ", "VIDEO1", 0,
                                         &found),
                  0)
            << c.type << " / " << c.name;
    }
    // A unit beyond ASCII is not the letter in its low byte: 0x015A is no "Z".
    Bytes wide_unit = Section("ZEVEVIZ", "VIDEO1", 0, 1033);
    Put16(&wide_unit, 114, 0x015A);
    EXPECT_EQ(ResourceFindByLanguage(wide_unit.data(), wide_unit.size(), "ZEVEVIZ", "VIDEO1", 0,
                                     &found),
              0);
    // A type stored by number is not the type of that name.
    Bytes by_id = Section("ZEVEVIZ", "VIDEO1", 0, 1033);
    Put32(&by_id, 16, 10);
    EXPECT_EQ(
        ResourceFindByLanguage(by_id.data(), by_id.size(), "ZEVEVIZ", "VIDEO1", 0, &found), 0);
}

TEST(ResourceDirectory, DamagedSectionsAreRefusedWithinBounds) {
    ResourceData found;
    Bytes whole = Section("ZEVEVIZ", "VIDEO1", 1033, 0);
    // Cut short anywhere: the names at the end are needed, so nothing is found.
    for (size_t size = 0; size < whole.size(); size++) {
        Bytes cut(whole.begin(), whole.begin() + static_cast<long>(size));
        EXPECT_EQ(ResourceFindByLanguage(cut.data(), cut.size(), "ZEVEVIZ", "VIDEO1", 0, &found),
                  0)
            << size;
    }
    struct Damage {
        size_t at;
        uint32_t value;
        bool wide;
    } damages[] = {
        {12, 0xFFFF, false},                 // more root entries than bytes
        {16, 0x80000000u | 0x7FFFFFF0u, true},  // type name far outside
        {20, 0x80000000u | 150, true},       // names directory runs past the end
        {20, 24, true},                      // a data entry where a directory belongs
        {76, 0x80000000u | 48, true},        // a directory where data belongs
        {76, 150, true},                     // data entry past the end
        {144, 0xFFFF, false},                // name longer than the section
    };
    for (const Damage& d : damages) {
        Bytes damaged = whole;
        if (d.wide)
            Put32(&damaged, d.at, d.value);
        else
            Put16(&damaged, d.at, static_cast<uint16_t>(d.value));
        EXPECT_EQ(ResourceFindByLanguage(damaged.data(), damaged.size(), "ZEVEVIZ", "VIDEO1", 0,
                                         &found),
                  0)
            << d.at;
    }
}

TEST(ResourceDirectory, RandomDamageNeverReadsOutside) {
    unsigned seed = std::random_device{}();
    printf("seed %u\n", seed);
    std::mt19937 random(seed);
    Bytes whole = Section("ZEVEVIZ", "VIDEO1", 1033, 0);
    ResourceData found;
    for (int round = 0; round < 20000; round++) {
        Bytes damaged = whole;
        int changes = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < changes; i++)
            damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
        damaged.resize(random() % (damaged.size() + 1));
        // A copy whose storage ends with its bytes: a read beyond them fails
        // under AddressSanitizer. What is found may be anything.
        Bytes exact(damaged);
        ResourceFindByLanguage(exact.data(), exact.size(), "ZEVEVIZ", "VIDEO1", 0, &found);
    }
}

}  // namespace
