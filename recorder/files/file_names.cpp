#include "files/file_names.h"

#include <cstring>

namespace {

bool is_separator(char c) {
    return c == '\\' || c == '/';
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The start of the last component: after the last separator, or after the
// colon of a drive ("c:nul").
const char* last_component(const char* path) {
    const char* start = path;
    for (const char* p = path; *p; ++p) {
        if (is_separator(*p) || (*p == ':' && p == path + 1)) start = p + 1;
    }
    return start;
}

// The folder part of a path, separator or drive colon included: its length.
size_t folder_length(const char* path) {
    return static_cast<size_t>(last_component(path) - path);
}

bool same_letters(const char* name, size_t length, const char* reserved) {
    if (strlen(reserved) != length) return false;
    for (size_t i = 0; i < length; ++i) {
        if (upper(name[i]) != reserved[i]) return false;
    }
    return true;
}

}  // namespace

int is_reserved_device_name(const char* path) {
    if (!path) return 0;
    const char* name = last_component(path);
    // The device part ends at the first dot or colon; Windows drops the
    // blanks before it, as it drops trailing dots and blanks of a name.
    size_t length = strcspn(name, ".:");
    while (length > 0 && name[length - 1] == ' ') --length;
    static const char* const DEVICES[] = {"NUL", "CON", "PRN", "AUX"};
    for (const char* device : DEVICES) {
        if (same_letters(name, length, device)) return 1;
    }
    if (length == 4 && name[3] >= '1' && name[3] <= '9' &&
        (same_letters(name, 3, "COM") || same_letters(name, 3, "LPT")))
        return 1;
    return 0;
}

int propose_file_name(const char* path, const char* extension, char* output, size_t capacity) {
    if (capacity == 0) return 0;
    output[0] = '\0';
    const char* dot = strrchr(path, '.');
    size_t kept = dot ? static_cast<size_t>(dot - path) : strlen(path);
    size_t added = strlen(extension);
    if (kept >= capacity || added >= capacity - kept) return 0;
    memcpy(output, path, kept);
    memcpy(output + kept, extension, added + 1);
    return 1;
}

int temporary_name_beside(const char* destination, uint32_t unique, char* output,
                          size_t capacity) {
    if (capacity == 0) return 0;
    output[0] = '\0';
    size_t folder = folder_length(destination);
    static const char HEX[] = "0123456789abcdef";
    char name[16] = "~mv";
    for (int i = 0; i < 8; ++i) name[3 + i] = HEX[(unique >> (28 - 4 * i)) & 0xF];
    memcpy(name + 11, ".tmp", 5);
    size_t name_length = strlen(name);
    if (folder >= capacity || name_length >= capacity - folder) return 0;
    memcpy(output, destination, folder);
    memcpy(output + folder, name, name_length + 1);
    return 1;
}
