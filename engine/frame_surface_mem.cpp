// Frame surfaces backed by plain memory, for the native builds: the same
// records and operations as the DIB sections of the Windows build, without a
// device context.
#include <cstdlib>

#include "frame_surface.h"

static void Describe(FrameSurface* surface) {
    surface->width = static_cast<int32_t>(surface->requestedWidth);
    surface->height = static_cast<int32_t>(surface->requestedHeight);
    surface->stride = surface->width;
    surface->bitsPerPixel = 32;
}

FrameSurface* FrameSurfaceCreate(uint32_t width, uint32_t height, FrameSurface* surface) {
    if (!surface) return nullptr;
    *surface = FrameSurface{};
    surface->requestedWidth = width < FRAME_SURFACE_MAX_SIDE ? width : FRAME_SURFACE_MAX_SIDE;
    surface->requestedHeight = height < FRAME_SURFACE_MAX_SIDE ? height : FRAME_SURFACE_MAX_SIDE;
    size_t bytes = static_cast<size_t>(surface->requestedWidth) * surface->requestedHeight * 4;
    if (bytes == 0) return nullptr;
    surface->bitmap = std::malloc(bytes);
    if (!surface->bitmap) return nullptr;
    FrameSurfaceRefresh(surface);
    return surface;
}

int FrameSurfaceDestroy(FrameSurface* surface) {
    if (!surface) return 1;
    std::free(surface->bitmap);
    surface->bitmap = nullptr;
    surface->dc = nullptr;
    surface->previousBitmap = nullptr;
    surface->requestedWidth = 0;
    surface->requestedHeight = 0;
    surface->pixels = nullptr;
    return 1;
}

uint32_t* FrameSurfaceLock(FrameSurface* surface) {
    if (!surface) return nullptr;
    Describe(surface);
    surface->pixels = static_cast<uint32_t*>(surface->bitmap);
    return surface->pixels;
}

int FrameSurfaceUnlock(FrameSurface* surface) {
    if (surface) surface->pixels = nullptr;
    return 1;
}

void* FrameSurfaceGetDC(void** dcPlace, void** bitmapPlace, FrameSurface* surface) {
    FrameSurfaceLock(surface);
    if (dcPlace) *dcPlace = surface->dc;
    if (bitmapPlace) *bitmapPlace = surface->bitmap;
    return surface->dc;
}

int FrameSurfaceReleaseDC(void** dcPlace, FrameSurface*) {
    if (dcPlace) *dcPlace = nullptr;
    return 1;
}

int FrameSurfaceRefresh(FrameSurface* surface) {
    if (!surface) return 1;
    Describe(surface);
    surface->pixels = nullptr;
    return 1;
}
