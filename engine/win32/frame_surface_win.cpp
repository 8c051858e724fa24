// Frame surfaces as DIB sections selected into memory device contexts.
#include <windows.h>

#include "frame_surface.h"

// Reads the bitmap's description from the graphics system; false without one.
static bool Describe(FrameSurface* surface, void** bits) {
    DIBSECTION section = {};
    if (!surface->bitmap ||
        GetObjectA(static_cast<HBITMAP>(surface->bitmap), sizeof(section), &section) !=
            static_cast<int>(sizeof(section))) {
        *bits = nullptr;
        return false;
    }
    surface->width = section.dsBm.bmWidth;
    surface->height = section.dsBm.bmHeight < 0 ? -section.dsBm.bmHeight : section.dsBm.bmHeight;
    surface->stride = section.dsBm.bmWidthBytes / 4;
    surface->bitsPerPixel = section.dsBm.bmBitsPixel;
    *bits = section.dsBm.bmBits;
    return true;
}

FrameSurface* FrameSurfaceCreate(uint32_t width, uint32_t height, FrameSurface* surface) {
    if (!surface) return nullptr;
    *surface = FrameSurface{};
    surface->requestedWidth = width < FRAME_SURFACE_MAX_SIDE ? width : FRAME_SURFACE_MAX_SIDE;
    surface->requestedHeight = height < FRAME_SURFACE_MAX_SIDE ? height : FRAME_SURFACE_MAX_SIDE;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = static_cast<LONG>(surface->requestedWidth);
    info.bmiHeader.biHeight = -static_cast<LONG>(surface->requestedHeight);  // rows top to bottom
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biXPelsPerMeter = 2048;
    info.bmiHeader.biYPelsPerMeter = 2048;

    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        DeleteDC(dc);
        return nullptr;
    }
    surface->dc = dc;
    surface->bitmap = bitmap;
    surface->previousBitmap = SelectObject(dc, bitmap);
    GdiFlush();
    FrameSurfaceRefresh(surface);
    return surface;
}

int FrameSurfaceDestroy(FrameSurface* surface) {
    if (!surface) return 1;
    if (surface->dc) {
        SelectObject(static_cast<HDC>(surface->dc), static_cast<HGDIOBJ>(surface->previousBitmap));
        DeleteDC(static_cast<HDC>(surface->dc));
    }
    if (surface->bitmap) DeleteObject(static_cast<HGDIOBJ>(surface->bitmap));
    surface->dc = nullptr;
    surface->previousBitmap = nullptr;
    surface->bitmap = nullptr;
    surface->requestedWidth = 0;
    surface->requestedHeight = 0;
    surface->pixels = nullptr;
    return 1;
}

uint32_t* FrameSurfaceLock(FrameSurface* surface) {
    if (!surface) return nullptr;
    GdiFlush();
    void* bits = nullptr;
    Describe(surface, &bits);
    surface->pixels = static_cast<uint32_t*>(bits);
    return surface->pixels;
}

int FrameSurfaceUnlock(FrameSurface* surface) {
    GdiFlush();
    if (surface) surface->pixels = nullptr;
    return 1;
}

void* FrameSurfaceGetDC(void** dcPlace, void** bitmapPlace, FrameSurface* surface) {
    void* bits = nullptr;
    Describe(surface, &bits);
    surface->pixels = static_cast<uint32_t*>(bits);
    HDC dc = static_cast<HDC>(surface->dc);
    if (dcPlace) *dcPlace = dc;
    if (dc && GetCurrentObject(dc, OBJ_BITMAP) != surface->bitmap)
        SelectObject(dc, static_cast<HGDIOBJ>(surface->bitmap));
    if (bitmapPlace) *bitmapPlace = surface->bitmap;
    return dc;
}

int FrameSurfaceReleaseDC(void** dcPlace, FrameSurface*) {
    if (dcPlace) *dcPlace = nullptr;
    GdiFlush();
    return 1;
}

int FrameSurfaceRefresh(FrameSurface* surface) {
    if (!surface) return 1;
    void* bits = nullptr;
    Describe(surface, &bits);
    surface->pixels = nullptr;
    return 1;
}
