// A frame surface: an off-screen 32-bit picture of at most 8192 x 8192 pixels
// (256 MiB), which holds a whole screen of today's largest displays.
// The graphics system draws into it through a memory device context (Windows),
// and the engine reaches its pixels directly between lock and unlock.
//
// Pixels are 4 bytes in memory order blue, green, red and a fourth byte; rows
// run top to bottom, `stride` pixels apart. The pixel at (x, y) is at
// pixels + y * stride + x. On Windows the surface is a DIB section selected
// into a memory device context; in native builds it is plain memory and the
// device-context operations only describe the bitmap.
//
// Rectangles are inclusive corner pairs (x0, y0)-(x1, y1) in pixels.
#pragma once

#include <cstdint>

constexpr uint32_t FRAME_SURFACE_MAX_SIDE = 8192;

struct FrameSurface {
    int32_t width;          // as the graphics system reports the bitmap
    int32_t height;
    int32_t stride;         // pixels per row in memory
    int32_t bitsPerPixel;   // always 32
    uint32_t* pixels;       // top row while locked, else null
    uint32_t requestedWidth;   // asked for at creation, after the limit of a side
    uint32_t requestedHeight;
    void* dc;               // memory device context (Windows), else null
    void* previousBitmap;   // what dc held before the bitmap was selected
    void* bitmap;           // the DIB section (Windows), or the pixel block
};

// Fills the record for a width x height surface (each side limited to
// FRAME_SURFACE_MAX_SIDE).
// Returns the record, or null when no record was given or no bitmap with
// pixels could be made (a zero side included); nothing is then left to destroy.
// The new pixels are not cleared.
FrameSurface* FrameSurfaceCreate(uint32_t width, uint32_t height, FrameSurface* surface);

// Releases the bitmap and the device context and clears the creation fields.
int FrameSurfaceDestroy(FrameSurface* surface);

// Flushes pending drawing and returns the pixels (null without a bitmap).
uint32_t* FrameSurfaceLock(FrameSurface* surface);
int FrameSurfaceUnlock(FrameSurface* surface);

// Gives the memory device context for graphics-system drawing (null in native
// builds) with the bitmap selected into it; also sets `pixels`.
void* FrameSurfaceGetDC(void** dcPlace, void** bitmapPlace, FrameSurface* surface);
int FrameSurfaceReleaseDC(void** dcPlace, FrameSurface* surface);

// Reads the bitmap's description afresh; `pixels` becomes null.
int FrameSurfaceRefresh(FrameSurface* surface);

// Fills the clipped rectangle with value (surface locked). 1 when something
// was filled, 0 when the rectangle is empty after clipping or no pixels.
int FrameSurfaceFill(FrameSurface* surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                     uint32_t value);

// Copies the source rectangle onto the destination rectangle, scaled by
// nearest-pixel sampling when their sizes differ, clipped to both surfaces.
// Locks and unlocks both. 0 for an inverted rectangle, a zero horizontal step
// or a surface without pixels; else 1.
int FrameSurfaceCopyRect(FrameSurface* destination, int32_t dx0, int32_t dy0, int32_t dx1,
                         int32_t dy1, FrameSurface* source, int32_t sx0, int32_t sy0, int32_t sx1,
                         int32_t sy1);
