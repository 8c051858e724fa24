// Sets the DPI of the Wine prefix it runs in, for the scaled-display test
// (scaled_display.sh), and puts the values found before back afterwards.
// Wine reads them when its server starts.
//   prefix_dpi set DPI SAVED     keeps the present values in SAVED (the first
//                                time only), then sets DPI
//   prefix_dpi restore SAVED     writes the kept values back, removes SAVED
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Setting {
    HKEY root;
    const char* key;
};

// Where Wine looks for the DPI, the first found counting.
const Setting SETTINGS[] = {
    {HKEY_CURRENT_USER, "Control Panel\\Desktop"},
    {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts"},
    {HKEY_CURRENT_USER, "Software\\Wine\\Fonts"},
};
const int SETTING_COUNT = sizeof SETTINGS / sizeof SETTINGS[0];
const long ABSENT = -1;

long Read(const Setting& setting) {
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegGetValueA(setting.root, setting.key, "LogPixels", RRF_RT_REG_DWORD, &type, &value,
                     &size) != ERROR_SUCCESS)
        return ABSENT;
    return static_cast<long>(value);
}

bool Write(const Setting& setting, long value) {
    HKEY key;
    if (RegCreateKeyExA(setting.root, setting.key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG result;
    if (value == ABSENT) {
        result = RegDeleteValueA(key, "LogPixels");
        if (result == ERROR_FILE_NOT_FOUND) result = ERROR_SUCCESS;
    } else {
        DWORD stored = static_cast<DWORD>(value);
        result = RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<BYTE*>(&stored),
                                sizeof stored);
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

int Set(long dpi, const char* saved) {
    if (GetFileAttributesA(saved) == INVALID_FILE_ATTRIBUTES) {
        FILE* file = std::fopen(saved, "w");
        if (!file) return 1;
        for (const Setting& setting : SETTINGS) std::fprintf(file, "%ld\n", Read(setting));
        if (std::fclose(file) != 0) return 1;
    }
    for (const Setting& setting : SETTINGS)
        if (!Write(setting, dpi)) return 1;
    return 0;
}

int Restore(const char* saved) {
    FILE* file = std::fopen(saved, "r");
    if (!file) return 1;
    long values[SETTING_COUNT];
    bool read = true;
    for (long& value : values) read = read && std::fscanf(file, "%ld", &value) == 1;
    std::fclose(file);
    if (!read) return 1;
    for (int i = 0; i < SETTING_COUNT; i++)
        if (!Write(SETTINGS[i], values[i])) return 1;
    DeleteFileA(saved);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "set") == 0) return Set(std::atol(argv[2]), argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "restore") == 0) return Restore(argv[2]);
    std::fprintf(stderr, "usage: prefix_dpi set DPI SAVED | prefix_dpi restore SAVED\n");
    return 2;
}
