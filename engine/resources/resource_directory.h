// Finding one entry of a program's resource section by type name and entry
// name, with the language chosen the way a self-playing executable needs:
// it holds its video under language 0 beside the player's placeholder under
// 1033, and the system's lookup for "neutral" may prefer the user's language.
//
// The resource section, as the loader maps it:
//   directory: u32 characteristics, u32 time, u16 major, u16 minor,
//              u16 named entries, u16 id entries, then that many entries
//   entry:     u32 name  - high bit set: offset of a name (u16 length, then
//                          that many UTF-16 units); else an id in 16 bits
//              u32 data  - high bit set: offset of the next level's
//                          directory; else offset of a data entry
//   data entry: u32 address of the data (relative to the image), u32 size,
//               u32 code page, u32 reserved
// Offsets are relative to the section's start. Three levels: type, name,
// language. All numbers little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

struct ResourceData {
    uint32_t address;  // relative to the image's base
    uint32_t size;
};

// Looks up type / name (both given by name, compared without regard to
// ASCII case) / language in the resource section of sectionSize bytes.
// Returns 1 and fills found, or 0 when there is no such entry or the section
// is malformed. Reads nothing outside the section.
int ResourceFindByLanguage(const uint8_t* section, size_t sectionSize, const char* type,
                           const char* name, uint16_t language, ResourceData* found);

// The same lookup with the language a build gives the video: language 0,
// else 1033, else the name's first entry of any language.
int ResourceFind(const uint8_t* section, size_t sectionSize, const char* type, const char* name,
                 ResourceData* found);
