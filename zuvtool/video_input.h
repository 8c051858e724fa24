// The video a zuvtool command reads: a regular file mapped read-only, so that
// a large video costs address space, not memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct video_input {
    const uint8_t* data;  // null for an empty file
    size_t size;
    void* mapping;
    int fd;
};

// Maps the file at path. On failure returns false with the reason in error
// ("No such file or directory", "is a directory"...).
bool input_open(video_input* input, const char* path, std::string* error);
void input_close(video_input* input);

// The name of the last video opened, for the message of a fatal read.
const char* input_name_for_signal();

// True when path names the file that input maps (a hard link included).
bool input_is_file(const video_input* input, const char* path);
// True when the descriptor fd is open on that file, as standard output
// appended to the video would be.
bool input_is_descriptor(const video_input* input, int fd);
