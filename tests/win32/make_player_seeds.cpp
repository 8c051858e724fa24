// Writes the fuzzing seeds of the executable reader from real players: for
// each player given, the player itself and a self-playing executable made
// from it the way the builder makes one (the video added as "ZEVEVIZ" /
// "VIDEO1", language 0, by the system's resource update service).
//   make_player_seeds OUTPUT_FOLDER VIDEO NAME=PLAYER...
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

static bool read_whole(const std::string& path, Bytes* bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes->resize(GetFileSize(file, nullptr));
    DWORD got = 0;
    bool whole = ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &got, nullptr) &&
                 got == bytes->size();
    CloseHandle(file);
    return whole;
}

static bool write_whole(const std::string& path, const Bytes& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool whole = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                           nullptr) &&
                 written == bytes.size();
    CloseHandle(file);
    return whole;
}

static bool add_video(const std::string& path, Bytes* video) {
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    if (!update) return false;
    if (!UpdateResourceA(update, "ZEVEVIZ", "VIDEO1", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                         video->data(), static_cast<DWORD>(video->size()))) {
        EndUpdateResourceA(update, TRUE);
        return false;
    }
    return EndUpdateResourceA(update, FALSE) != 0;
}

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_player_seeds OUTPUT_FOLDER VIDEO NAME=PLAYER...\n");
        return 2;
    }
    std::string folder = std::string(argv[1]) + "\\";
    Bytes video;
    if (!read_whole(argv[2], &video)) {
        std::fprintf(stderr, "make_player_seeds: cannot read %s\n", argv[2]);
        return 1;
    }
    for (int i = 3; i < argc; i++) {
        std::string argument = argv[i];
        size_t equals = argument.find('=');
        if (equals == std::string::npos) {
            std::fprintf(stderr, "make_player_seeds: %s is not NAME=PLAYER\n", argv[i]);
            return 2;
        }
        std::string name = argument.substr(0, equals);
        Bytes player;
        std::string bare = folder + name + "_bare";
        std::string built = folder + name + "_built";
        if (!read_whole(argument.substr(equals + 1), &player) || !write_whole(bare, player) ||
            !write_whole(built, player) || !add_video(built, &video)) {
            std::fprintf(stderr, "make_player_seeds: cannot make the seeds of %s\n", argv[i]);
            return 1;
        }
        std::printf("make_player_seeds: %s, %s\n", bare.c_str(), built.c_str());
    }
    return 0;
}
