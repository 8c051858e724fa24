// Runs a fuzz target over saved inputs, without libFuzzer: each argument is a
// file or a folder of files. Fails when no input was found, so that a wrong
// path cannot pass for a clean run.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_check.h"

static bool ReadWhole(const std::string& path, std::vector<uint8_t>* bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bytes->clear();
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

static bool IsDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

static int Replay(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!ReadWhole(path, &bytes)) {
        std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
        return -1;
    }
    std::printf("replay: %s (%zu bytes)\n", path.c_str(), bytes.size());
    std::fflush(stdout);
    // An exact-size copy, so that a read one byte past the input is caught.
    uint8_t* exact = new uint8_t[bytes.size() ? bytes.size() : 1];
    for (size_t i = 0; i < bytes.size(); i++) exact[i] = bytes[i];
    LLVMFuzzerTestOneInput(exact, bytes.size());
    delete[] exact;
    return 1;
}

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; i++) {
        std::string path = argv[i];
        if (!IsDirectory(path)) {
            int result = Replay(path);
            if (result < 0) return 1;
            replayed += result;
            continue;
        }
        DIR* folder = opendir(path.c_str());
        if (!folder) continue;
        std::vector<std::string> names;
        while (dirent* entry = readdir(folder)) {
            if (entry->d_name[0] != '.') names.push_back(entry->d_name);
        }
        closedir(folder);
        for (const std::string& name : names) {
            int result = Replay(path + "/" + name);
            if (result < 0) return 1;
            replayed += result;
        }
    }
    std::printf("replay: %d inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
