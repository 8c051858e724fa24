// The frame delta codec as the programs run it: one pass over the picture
// that writes all three planes at once, with the processor's fastest
// kernels. Gives exactly the bytes of the reference in frame_codec.cpp.
#include <cstring>

#include "codec/codec_kernels.h"
#include "codec/frame_codec.h"

// The first row where the two pictures differ, or their height when they are
// equal.
static uint32_t FirstChangedRow(const EncodeKernels* kernels, const FrameSurface* a,
                                const FrameSurface* b) {
    size_t rowBytes = static_cast<size_t>(a->width) * 4;
    const uint8_t* first = reinterpret_cast<const uint8_t*>(a->pixels);
    const uint8_t* second = reinterpret_cast<const uint8_t*>(b->pixels);
    uint32_t height = static_cast<uint32_t>(a->height);
    // Packed rows are compared a band at a time: the few calls cost nothing
    // beside the bytes, and a changed band is then searched row by row.
    uint32_t band = a->stride == a->width && b->stride == b->width ? 16 : 1;
    for (uint32_t y = 0; y < height; y += band) {
        uint32_t rows = height - y < band ? height - y : band;
        if (kernels->bytesEqual(first + static_cast<size_t>(y) * a->stride * 4,
                                second + static_cast<size_t>(y) * b->stride * 4, rowBytes * rows))
            continue;
        for (uint32_t r = y; r < y + rows; r++) {
            if (!kernels->bytesEqual(first + static_cast<size_t>(r) * a->stride * 4,
                                     second + static_cast<size_t>(r) * b->stride * 4, rowBytes))
                return r;
        }
    }
    return height;
}

static bool SameSizes(const FrameSurface* a, const FrameSurface* b) {
    return a->width == b->width && a->height == b->height;
}

int32_t FrameDeltaChangedRowWith(const EncodeKernels* kernels, FrameSurface* current,
                                 FrameSurface* previous) {
    uint32_t* now = FrameSurfaceLock(current);
    uint32_t* before = FrameSurfaceLock(previous);
    int32_t row = -1;
    if (now && before && SameSizes(current, previous))
        row = static_cast<int32_t>(FirstChangedRow(kernels, current, previous));
    FrameSurfaceUnlock(previous);
    FrameSurfaceUnlock(current);
    return row;
}

int FrameDeltaEncodeChangedWith(const EncodeKernels* kernels, FrameSurface* current,
                                FrameSurface* previous, int32_t changedRow, int keep,
                                FrameRecordHeader* header, uint8_t* data, size_t dataCapacity) {
    uint32_t requested = header->frameType;
    header->dataSize = 0;
    if (requested != FRAME_KEY && requested != FRAME_DELTA) return 0;
    uint32_t* now = FrameSurfaceLock(current);
    uint32_t* before = FrameSurfaceLock(previous);
    int result = 0;
    if (now && before && SameSizes(current, previous) && changedRow >= 0 &&
        changedRow <= current->height) {
        uint32_t width = static_cast<uint32_t>(current->width);
        uint32_t height = static_cast<uint32_t>(current->height);
        header->left = 0;
        header->top = 0;
        header->right = static_cast<uint16_t>(width - 1);
        header->bottom = static_cast<uint16_t>(height - 1);
        uint32_t size = FramePlanesSize(width, height);
        if (static_cast<uint32_t>(changedRow) == height) {
            header->frameType = FRAME_UNCHANGED;
            result = 1;
        } else if (size != 0 && size <= dataCapacity) {
            size_t planeSize = static_cast<size_t>(width) * height;
            uint8_t* red = data;
            uint8_t* green = data + planeSize;
            uint8_t* blue = data + 2 * planeSize;
            // The rows above the first change were found equal: their
            // differences are zeros, without reading the pictures again.
            uint32_t y = 0;
            if (requested == FRAME_DELTA) {
                size_t unchanged = static_cast<size_t>(changedRow) * width;
                std::memset(red, 0, unchanged);
                std::memset(green, 0, unchanged);
                std::memset(blue, 0, unchanged);
                y = static_cast<uint32_t>(changedRow);
            }
            for (; y < height; y++) {
                const uint32_t* rowNow = now + static_cast<size_t>(y) * current->stride;
                uint32_t* rowBefore = before + static_cast<size_t>(y) * previous->stride;
                size_t at = static_cast<size_t>(y) * width;
                if (requested == FRAME_KEY)
                    kernels->splitKey(rowNow, width, red + at, green + at, blue + at);
                else
                    kernels->splitDelta(rowNow, rowBefore, width, red + at, green + at, blue + at);
                // The rows above the first change are equal already.
                if (keep && y >= static_cast<uint32_t>(changedRow))
                    std::memcpy(rowBefore, rowNow, static_cast<size_t>(width) * 4);
            }
            header->dataSize = size;
            result = 1;
        }
    }
    FrameSurfaceUnlock(previous);
    FrameSurfaceUnlock(current);
    return result;
}

int FrameDeltaEncodeWith(const EncodeKernels* kernels, FrameSurface* current,
                         FrameSurface* previous, FrameRecordHeader* header, uint8_t* data,
                         size_t dataCapacity) {
    uint32_t requested = header->frameType;
    header->dataSize = 0;
    if (requested != FRAME_KEY && requested != FRAME_DELTA) return 0;
    int32_t changedRow = FrameDeltaChangedRowWith(kernels, current, previous);
    return FrameDeltaEncodeChangedWith(kernels, current, previous, changedRow, 0, header, data,
                                       dataCapacity);
}

// Applies one plane's bytes to one channel of count pixels (the rows that
// short data leaves with fewer bytes in the later planes).
static void ApplyChannel(uint8_t* row, int channel, const uint8_t* in, int64_t count, bool key) {
    uint8_t* bytes = row + channel;
    if (key) {
        for (int64_t x = 0; x < count; x++) bytes[x * 4] = in[x];
    } else {
        for (int64_t x = 0; x < count; x++)
            bytes[x * 4] = static_cast<uint8_t>(bytes[x * 4] + in[x]);
    }
}

static int64_t Clamp(int64_t value, int64_t low, int64_t high) {
    return value < low ? low : value > high ? high : value;
}

int FrameDeltaDecodeWith(const DecodeKernels* kernels, FrameSurface* surface,
                         const FrameRecordHeader* header, const uint8_t* data, size_t dataLength) {
    uint32_t type = header->frameType;
    if (type != FRAME_UNCHANGED && type != FRAME_KEY && type != FRAME_DELTA) return 0;
    uint32_t* pixels = FrameSurfaceLock(surface);
    if (!pixels) return 0;
    int64_t storedWidth = static_cast<int64_t>(header->right) - header->left + 1;
    int64_t storedHeight = static_cast<int64_t>(header->bottom) - header->top + 1;
    if (type != FRAME_UNCHANGED && storedWidth > 0 && storedHeight > 0 && data) {
        // Rows start at column 0 and run storedWidth pixels; whatever lies
        // beyond the surface or the data is left out. With short data the
        // later planes run out first, so a row has at least as many red as
        // green bytes, and as many green as blue.
        int64_t columns = storedWidth < surface->width ? storedWidth : surface->width;
        int64_t planeSize = storedWidth * storedHeight;
        int64_t length = static_cast<int64_t>(dataLength);
        bool key = type == FRAME_KEY;
        for (int64_t r = 0; r < storedHeight; r++) {
            int64_t y = header->top + r;
            if (y >= surface->height) break;
            int64_t offset = r * storedWidth;
            int64_t redCount = Clamp(length - offset, 0, columns);
            int64_t greenCount = Clamp(length - planeSize - offset, 0, columns);
            int64_t blueCount = Clamp(length - 2 * planeSize - offset, 0, columns);
            if (redCount == 0) break;
            uint32_t* row = pixels + y * surface->stride;
            const uint8_t* red = data + offset;
            if (blueCount > 0) {
                const uint8_t* green = data + planeSize + offset;
                const uint8_t* blue = data + 2 * planeSize + offset;
                if (key)
                    kernels->mergeKey(row, static_cast<size_t>(blueCount), red, green, blue);
                else
                    kernels->mergeDelta(row, static_cast<size_t>(blueCount), red, green, blue);
            }
            uint8_t* rest = reinterpret_cast<uint8_t*>(row + blueCount);
            ApplyChannel(rest, 2, red + blueCount, redCount - blueCount, key);
            if (greenCount > blueCount)
                ApplyChannel(rest, 1, data + planeSize + offset + blueCount, greenCount - blueCount,
                             key);
        }
    }
    FrameSurfaceUnlock(surface);
    return 1;
}

int FrameDeltaEncode(FrameSurface* current, FrameSurface* previous, FrameRecordHeader* header,
                     uint8_t* data, size_t dataCapacity) {
    return FrameDeltaEncodeWith(EncodeKernelsBest(), current, previous, header, data, dataCapacity);
}

int32_t FrameDeltaChangedRow(FrameSurface* current, FrameSurface* previous) {
    return FrameDeltaChangedRowWith(EncodeKernelsBest(), current, previous);
}

int FrameDeltaEncodeChanged(FrameSurface* current, FrameSurface* previous, int32_t changedRow,
                            int keep, FrameRecordHeader* header, uint8_t* data,
                            size_t dataCapacity) {
    return FrameDeltaEncodeChangedWith(EncodeKernelsBest(), current, previous, changedRow, keep,
                                       header, data, dataCapacity);
}

int FrameDeltaDecode(FrameSurface* surface, const FrameRecordHeader* header, const uint8_t* data,
                     size_t dataLength) {
    return FrameDeltaDecodeWith(DecodeKernelsBest(), surface, header, data, dataLength);
}
