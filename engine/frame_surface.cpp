// Pixel work on frame surfaces, shared by the Windows and the native builds.
#include <cstdint>

#include "frame_surface.h"

static int64_t Max3(int64_t a, int64_t b, int64_t c) {
    int64_t m = a > b ? a : b;
    return m > c ? m : c;
}

static int64_t Min3(int64_t a, int64_t b, int64_t c) {
    int64_t m = a < b ? a : b;
    return m < c ? m : c;
}

int FrameSurfaceFill(FrameSurface* surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                     uint32_t value) {
    if (!surface || !surface->pixels) return 0;
    if (x0 > x1) { int32_t t = x0; x0 = x1; x1 = t; }
    if (y0 > y1) { int32_t t = y0; y0 = y1; y1 = t; }
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > surface->width - 1) x1 = surface->width - 1;
    if (y1 > surface->height - 1) y1 = surface->height - 1;
    if (x1 < x0 || y1 < y0) return 0;
    for (int32_t y = y0; y <= y1; y++) {
        uint32_t* row = surface->pixels + static_cast<intptr_t>(y) * surface->stride;
        for (int32_t x = x0; x <= x1; x++) row[x] = value;
    }
    return 1;
}

int FrameSurfaceCopyRect(FrameSurface* destination, int32_t dx0, int32_t dy0, int32_t dx1,
                         int32_t dy1, FrameSurface* source, int32_t sx0, int32_t sy0, int32_t sx1,
                         int32_t sy1) {
    if (!destination || !source) return 0;
    if (sx1 < sx0 || sy1 < sy0 || dx1 < dx0 || dy1 < dy0) return 0;
    uint32_t* dst = FrameSurfaceLock(destination);
    uint32_t* src = FrameSurfaceLock(source);
    int result = 0;
    if (dst && src) {
        int64_t span = static_cast<int64_t>(dx1) - dx0;
        int64_t step = ((static_cast<int64_t>(sx1) - sx0) * 65536) / (span ? span : 1);
        if (step != 0) {
            result = 1;
            bool sameWidth = static_cast<int64_t>(sx1) - sx0 == span;
            int32_t sw = source->width, sh = source->height;
            int32_t dw = destination->width, dh = destination->height;
            // Kept in 64 bits: the column where the source starts may lie far
            // beyond 32 bits when the source rectangle starts far to the left.
            int64_t c0 = Max3(dx0, 0, dx0 - (static_cast<int64_t>(sx0) * 65536) / step);
            int64_t c1 = Min3(dx1, static_cast<int64_t>(dw) - 1,
                              dx0 + ((static_cast<int64_t>(sw) - sx0 - 1) * 65536) / step);
            auto sourceColumn = [&](int64_t x) -> int64_t {
                int64_t offset = x - dx0;
                return sameWidth ? offset + sx0 : sx0 + ((offset * step) >> 16);
            };
            while (c0 <= c1 && sourceColumn(c0) < 0) c0++;
            // Only rows inside the destination are walked: the rectangle may
            // span the whole 32-bit range. Offset times source rows stays
            // below 2^64, so the row mapping is exact in unsigned arithmetic.
            uint64_t rows = static_cast<uint64_t>(static_cast<int64_t>(dy1) - dy0) + 1;
            uint64_t sourceRows = static_cast<uint64_t>(static_cast<int64_t>(sy1) - sy0) + 1;
            int64_t firstRow = dy0 > 0 ? dy0 : 0;
            int64_t lastRow = dy1 < dh - 1 ? dy1 : static_cast<int64_t>(dh) - 1;
            for (int64_t y = firstRow; c0 <= c1 && y <= lastRow; y++) {
                uint64_t offset = static_cast<uint64_t>(y - dy0);
                int64_t sy = sy0 + static_cast<int64_t>(offset * sourceRows / rows);
                if (sy < 0 || sy >= sh) continue;
                uint32_t* out = dst + y * destination->stride;
                const uint32_t* in = src + sy * source->stride;
                for (int64_t x = c0; x <= c1; x++) {
                    int64_t sx = sourceColumn(x);
                    if (sx >= sw) break;
                    out[x] = in[sx];
                }
            }
        }
    }
    FrameSurfaceUnlock(source);
    FrameSurfaceUnlock(destination);
    return result;
}
