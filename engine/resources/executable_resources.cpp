#include "resources/executable_resources.h"

#include "byte_order.h"
#include "resources/resource_directory.h"

static const size_t DOS_HEADER_SIZE = 64;
static const size_t PE_OFFSET_FIELD = 0x3C;
static const size_t FILE_HEADER_SIZE = 20;
static const size_t SECTION_HEADER_SIZE = 40;
static const uint16_t MAGIC_32 = 0x10B;
static const uint16_t MAGIC_64 = 0x20B;
static const uint32_t RESOURCE_DIRECTORY_INDEX = 2;

struct SectionTable {
    const uint8_t* headers;
    size_t count;
};

// The raw bytes, within the file, of address .. address + length in the
// section that holds address. wanted 0 asks for everything the section holds
// from address on. Returns 1 and fills offset and available; 0 when no
// section's raw data holds address, or holds less than wanted.
static int LocateAddress(const SectionTable& sections, size_t fileSize, uint32_t address,
                         uint32_t wanted, size_t* offset, size_t* available) {
    for (size_t i = 0; i < sections.count; i++) {
        const uint8_t* section = sections.headers + i * SECTION_HEADER_SIZE;
        uint32_t start = LoadLE32(section + 12);
        uint32_t rawSize = LoadLE32(section + 16);
        uint32_t rawOffset = LoadLE32(section + 20);
        if (address < start || address - start >= rawSize) continue;
        uint32_t into = address - start;
        uint64_t first = static_cast<uint64_t>(rawOffset) + into;
        uint64_t inSection = rawSize - into;
        if (first >= fileSize) continue;
        uint64_t inFile = fileSize - first;
        uint64_t held = inSection < inFile ? inSection : inFile;
        if (held < wanted) continue;
        *offset = static_cast<size_t>(first);
        *available = static_cast<size_t>(held);
        return 1;
    }
    return 0;
}

int ExecutableFindResource(const uint8_t* file, size_t size, const char* type, const char* name,
                           ExecutableEntry* found) {
    if (size < DOS_HEADER_SIZE || file[0] != 'M' || file[1] != 'Z') return EXECUTABLE_NOT_PE;
    uint32_t peOffset = LoadLE32(file + PE_OFFSET_FIELD);
    if (peOffset > size || size - peOffset < 4 + FILE_HEADER_SIZE + 2) return EXECUTABLE_NOT_PE;
    const uint8_t* pe = file + peOffset;
    if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return EXECUTABLE_NOT_PE;

    size_t sectionCount = LoadLE16(pe + 6);
    size_t optionalSize = LoadLE16(pe + 20);
    const uint8_t* optional = pe + 4 + FILE_HEADER_SIZE;
    size_t optionalAt = peOffset + 4 + FILE_HEADER_SIZE;
    uint16_t magic = LoadLE16(optional);
    size_t countField, directoriesAt;
    if (magic == MAGIC_32) {
        countField = 92;
        directoriesAt = 96;
    } else if (magic == MAGIC_64) {
        countField = 108;
        directoriesAt = 112;
    } else {
        return EXECUTABLE_NOT_PE;
    }
    // The optional header and the section table must be whole.
    if (size - optionalAt < optionalSize ||
        (size - optionalAt - optionalSize) / SECTION_HEADER_SIZE < sectionCount)
        return EXECUTABLE_NOT_PE;
    SectionTable sections = {optional + optionalSize, sectionCount};

    size_t resourceAt = directoriesAt + RESOURCE_DIRECTORY_INDEX * 8;
    if (optionalSize < countField + 4 || optionalSize < resourceAt + 8) return EXECUTABLE_NO_ENTRY;
    if (LoadLE32(optional + countField) <= RESOURCE_DIRECTORY_INDEX) return EXECUTABLE_NO_ENTRY;
    uint32_t directoryAddress = LoadLE32(optional + resourceAt);
    uint32_t directorySize = LoadLE32(optional + resourceAt + 4);
    size_t directoryOffset, directoryHeld;
    if (directoryAddress == 0 || directorySize == 0 ||
        !LocateAddress(sections, size, directoryAddress, 0, &directoryOffset, &directoryHeld))
        return EXECUTABLE_NO_ENTRY;
    if (directoryHeld > directorySize) directoryHeld = directorySize;

    ResourceData data;
    if (!ResourceFind(file + directoryOffset, directoryHeld, type, name, &data) || data.size == 0)
        return EXECUTABLE_NO_ENTRY;
    size_t dataOffset, dataHeld;
    if (!LocateAddress(sections, size, data.address, data.size, &dataOffset, &dataHeld))
        return EXECUTABLE_NO_ENTRY;
    found->offset = dataOffset;
    found->size = data.size;
    return EXECUTABLE_FOUND;
}
