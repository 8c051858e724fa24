#include "resources/resource_directory.h"

#include "byte_order.h"

static const uint32_t SUBDIRECTORY = 0x80000000u;
static const uint32_t NAMED = 0x80000000u;
static const size_t DIRECTORY_SIZE = 16;
static const size_t ENTRY_SIZE = 8;
static const size_t DATA_ENTRY_SIZE = 16;

static const uint16_t LANGUAGE_ENGLISH_US = 1033;

// Whole UTF-16 units: a unit beyond ASCII must not pass for the ASCII
// letter in its low byte.
static uint32_t AsciiUpper(uint32_t c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

// True when the stored name at offset spells text.
static bool NameMatches(const uint8_t* section, size_t sectionSize, uint32_t offset,
                        const char* text) {
    if (offset > sectionSize || sectionSize - offset < 2) return false;
    size_t length = LoadLE16(section + offset);
    if ((sectionSize - offset - 2) / 2 < length) return false;
    const uint8_t* units = section + offset + 2;
    for (size_t i = 0; i < length; i++) {
        if (text[i] == '\0' || AsciiUpper(LoadLE16(units + 2 * i)) !=
                                    AsciiUpper(static_cast<uint8_t>(text[i])))
            return false;
    }
    return text[length] == '\0';
}

// How entries are matched: by name, by id, or the directory's first entry.
enum EntryMatch { MATCH_NAME, MATCH_ID, MATCH_FIRST };

// The data word of the entry of the directory at offset whose name is text
// or whose id is id, as match says; 0 when there is none.
static uint32_t FindEntry(const uint8_t* section, size_t sectionSize, uint32_t offset,
                          EntryMatch match, const char* text, uint16_t id) {
    if (offset > sectionSize || sectionSize - offset < DIRECTORY_SIZE) return 0;
    const uint8_t* directory = section + offset;
    size_t count = static_cast<size_t>(LoadLE16(directory + 12)) + LoadLE16(directory + 14);
    if ((sectionSize - offset - DIRECTORY_SIZE) / ENTRY_SIZE < count) return 0;
    for (size_t i = 0; i < count; i++) {
        const uint8_t* entry = directory + DIRECTORY_SIZE + i * ENTRY_SIZE;
        uint32_t entryName = LoadLE32(entry);
        bool matches = match == MATCH_FIRST ||
                       (match == MATCH_NAME
                            ? (entryName & NAMED) &&
                                  NameMatches(section, sectionSize, entryName & ~NAMED, text)
                            : !(entryName & NAMED) && entryName == id);
        if (matches) return LoadLE32(entry + 4);
    }
    return 0;
}

// The offset of the language directory of type / name, or 0 when there is
// none (the root directory is at 0, so no language directory can be).
static uint32_t FindLanguages(const uint8_t* section, size_t sectionSize, const char* type,
                              const char* name) {
    uint32_t types = FindEntry(section, sectionSize, 0, MATCH_NAME, type, 0);
    if (!(types & SUBDIRECTORY)) return 0;
    uint32_t names = FindEntry(section, sectionSize, types & ~SUBDIRECTORY, MATCH_NAME, name, 0);
    if (!(names & SUBDIRECTORY)) return 0;
    return names & ~SUBDIRECTORY;
}

// Reads the data entry that a language entry's data word points at.
static int ReadDataEntry(const uint8_t* section, size_t sectionSize, uint32_t data,
                         ResourceData* found) {
    if (data == 0 || (data & SUBDIRECTORY)) return 0;
    if (data > sectionSize || sectionSize - data < DATA_ENTRY_SIZE) return 0;
    found->address = LoadLE32(section + data);
    found->size = LoadLE32(section + data + 4);
    return 1;
}

int ResourceFindByLanguage(const uint8_t* section, size_t sectionSize, const char* type,
                           const char* name, uint16_t language, ResourceData* found) {
    uint32_t languages = FindLanguages(section, sectionSize, type, name);
    if (languages == 0) return 0;
    uint32_t data = FindEntry(section, sectionSize, languages, MATCH_ID, nullptr, language);
    return ReadDataEntry(section, sectionSize, data, found);
}

int ResourceFind(const uint8_t* section, size_t sectionSize, const char* type, const char* name,
                 ResourceData* found) {
    uint32_t languages = FindLanguages(section, sectionSize, type, name);
    if (languages == 0) return 0;
    uint32_t data = FindEntry(section, sectionSize, languages, MATCH_ID, nullptr, 0);
    if (data == 0)
        data = FindEntry(section, sectionSize, languages, MATCH_ID, nullptr, LANGUAGE_ENGLISH_US);
    if (data == 0) data = FindEntry(section, sectionSize, languages, MATCH_FIRST, nullptr, 0);
    return ReadDataEntry(section, sectionSize, data, found);
}
