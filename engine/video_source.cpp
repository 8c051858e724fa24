#include "video_source.h"

#include <cstring>

static size_t ReadMemory(void* context, uint64_t offset, uint8_t* buffer, size_t size) {
    const VideoMemorySource* memory = static_cast<const VideoMemorySource*>(context);
    if (offset >= memory->size) return 0;
    size_t left = memory->size - static_cast<size_t>(offset);
    size_t count = size < left ? size : left;
    if (count) std::memcpy(buffer, memory->data + offset, count);
    return count;
}

void VideoSourceOfMemory(VideoMemorySource* memory, VideoSource* source, const uint8_t* data,
                         size_t size) {
    memory->data = data;
    memory->size = data ? size : 0;
    source->read = ReadMemory;
    source->context = memory;
    source->size = memory->size;
}

int VideoSourceReadAll(const VideoSource* source, uint64_t offset, uint8_t* buffer, size_t size) {
    if (size == 0) return 1;
    if (offset > source->size || size > source->size - offset) return 0;
    return source->read(source->context, offset, buffer, size) == size;
}
