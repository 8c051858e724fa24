#include "codec/frame_codec.h"

#include <cstring>

// The plain implementation below is the reference: frame_codec_fast.cpp
// gives the same bytes faster and is what the programs run.

// Channel byte offsets within a pixel, in plane order red, green, blue.
static const int PLANE_CHANNELS[3] = {2, 1, 0};

static bool PicturesEqual(const FrameSurface* a, const FrameSurface* b) {
    for (int32_t y = 0; y < a->height; y++) {
        const uint32_t* rowA = a->pixels + static_cast<intptr_t>(y) * a->stride;
        const uint32_t* rowB = b->pixels + static_cast<intptr_t>(y) * b->stride;
        if (std::memcmp(rowA, rowB, static_cast<size_t>(a->width) * 4) != 0) return false;
    }
    return true;
}

static void WriteKeyPlanes(const FrameSurface* current, uint8_t* out) {
    for (int plane = 0; plane < 3; plane++) {
        int channel = PLANE_CHANNELS[plane];
        for (int32_t y = 0; y < current->height; y++) {
            const uint8_t* row = reinterpret_cast<const uint8_t*>(
                current->pixels + static_cast<intptr_t>(y) * current->stride);
            for (int32_t x = 0; x < current->width; x++) *out++ = row[x * 4 + channel];
        }
    }
}

static void WriteDeltaPlanes(const FrameSurface* current, const FrameSurface* previous,
                             uint8_t* out) {
    for (int plane = 0; plane < 3; plane++) {
        int channel = PLANE_CHANNELS[plane];
        for (int32_t y = 0; y < current->height; y++) {
            const uint8_t* now = reinterpret_cast<const uint8_t*>(
                current->pixels + static_cast<intptr_t>(y) * current->stride);
            const uint8_t* before = reinterpret_cast<const uint8_t*>(
                previous->pixels + static_cast<intptr_t>(y) * previous->stride);
            for (int32_t x = 0; x < current->width; x++)
                *out++ = static_cast<uint8_t>(now[x * 4 + channel] - before[x * 4 + channel]);
        }
    }
}

int FrameDeltaEncodeScalar(FrameSurface* current, FrameSurface* previous,
                           FrameRecordHeader* header, uint8_t* data, size_t dataCapacity) {
    uint32_t requested = header->frameType;
    header->dataSize = 0;
    if (requested != FRAME_KEY && requested != FRAME_DELTA) return 0;
    uint32_t* now = FrameSurfaceLock(current);
    uint32_t* before = FrameSurfaceLock(previous);
    int result = 0;
    if (now && before && current->width == previous->width &&
        current->height == previous->height) {
        uint32_t width = static_cast<uint32_t>(current->width);
        uint32_t height = static_cast<uint32_t>(current->height);
        header->left = 0;
        header->top = 0;
        header->right = static_cast<uint16_t>(width - 1);
        header->bottom = static_cast<uint16_t>(height - 1);
        uint32_t size = FramePlanesSize(width, height);
        if (PicturesEqual(current, previous)) {
            header->frameType = FRAME_UNCHANGED;
            result = 1;
        } else if (size != 0 && size <= dataCapacity) {
            if (requested == FRAME_KEY)
                WriteKeyPlanes(current, data);
            else
                WriteDeltaPlanes(current, previous, data);
            header->dataSize = size;
            result = 1;
        }
    }
    FrameSurfaceUnlock(previous);
    FrameSurfaceUnlock(current);
    return result;
}

int FrameDeltaDecodeScalar(FrameSurface* surface, const FrameRecordHeader* header,
                           const uint8_t* data, size_t dataLength) {
    uint32_t type = header->frameType;
    if (type != FRAME_UNCHANGED && type != FRAME_KEY && type != FRAME_DELTA) return 0;
    uint32_t* pixels = FrameSurfaceLock(surface);
    if (!pixels) return 0;
    int64_t storedWidth = static_cast<int64_t>(header->right) - header->left + 1;
    int64_t storedHeight = static_cast<int64_t>(header->bottom) - header->top + 1;
    if (type != FRAME_UNCHANGED && storedWidth > 0 && storedHeight > 0 && data) {
        // Rows start at column 0 and run storedWidth pixels; whatever lies
        // beyond the surface or the data is left out.
        int64_t columns = storedWidth < surface->width ? storedWidth : surface->width;
        int64_t planeSize = storedWidth * storedHeight;
        for (int plane = 0; plane < 3; plane++) {
            int channel = PLANE_CHANNELS[plane];
            for (int64_t r = 0; r < storedHeight; r++) {
                int64_t y = header->top + r;
                if (y >= surface->height) break;
                int64_t offset = plane * planeSize + r * storedWidth;
                if (offset >= static_cast<int64_t>(dataLength)) break;
                int64_t count = columns;
                if (count > static_cast<int64_t>(dataLength) - offset)
                    count = static_cast<int64_t>(dataLength) - offset;
                const uint8_t* in = data + offset;
                uint8_t* row = reinterpret_cast<uint8_t*>(pixels + y * surface->stride) + channel;
                if (type == FRAME_KEY) {
                    for (int64_t x = 0; x < count; x++) row[x * 4] = in[x];
                } else {
                    for (int64_t x = 0; x < count; x++)
                        row[x * 4] = static_cast<uint8_t>(row[x * 4] + in[x]);
                }
            }
        }
    }
    FrameSurfaceUnlock(surface);
    return 1;
}
