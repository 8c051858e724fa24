#include "video_input.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

char signal_name[4096];

bool same_file(const video_input* input, const struct stat& other) {
    struct stat mine;
    return fstat(input->fd, &mine) == 0 && mine.st_dev == other.st_dev &&
           mine.st_ino == other.st_ino;
}

}  // namespace

const char* input_name_for_signal() {
    return signal_name;
}

bool input_open(video_input* input, const char* path, std::string* error) {
    *input = video_input{nullptr, 0, nullptr, -1};
    std::strncpy(signal_name, path, sizeof signal_name - 1);
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0) {
        *error = std::strerror(errno);
        if (fd >= 0) close(fd);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = S_ISDIR(info.st_mode) ? "is a directory" : "is not a regular file";
        close(fd);
        return false;
    }
    if (static_cast<uint64_t>(info.st_size) > SIZE_MAX) {
        *error = "is too large for this system";
        close(fd);
        return false;
    }
    input->fd = fd;
    input->size = static_cast<size_t>(info.st_size);
    if (input->size == 0) return true;
    void* mapping = mmap(nullptr, input->size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapping == MAP_FAILED) {
        *error = std::strerror(errno);
        input_close(input);
        return false;
    }
    madvise(mapping, input->size, MADV_SEQUENTIAL);
    input->mapping = mapping;
    input->data = static_cast<const uint8_t*>(mapping);
    return true;
}

void input_close(video_input* input) {
    if (input->mapping) munmap(input->mapping, input->size);
    if (input->fd >= 0) close(input->fd);
    *input = video_input{nullptr, 0, nullptr, -1};
}

bool input_is_file(const video_input* input, const char* path) {
    struct stat other;
    return stat(path, &other) == 0 && same_file(input, other);
}

bool input_is_descriptor(const video_input* input, int fd) {
    struct stat other;
    return fstat(fd, &other) == 0 && same_file(input, other);
}
