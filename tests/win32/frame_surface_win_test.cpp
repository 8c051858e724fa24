// Frame surfaces as real DIB sections: drawn into with GDI, read back in place.
#include <windows.h>

#include <gtest/gtest.h>

#include "frame_surface.h"
#include "test_pictures.h"

namespace {

TEST(FrameSurfaceWin, GdiDrawingAppearsInThePixelsTopDownAsBlueGreenRed) {
    FrameSurface surface;
    ASSERT_NE(FrameSurfaceCreate(64, 32, &surface), nullptr);
    EXPECT_EQ(surface.width, 64);
    EXPECT_EQ(surface.height, 32);
    EXPECT_EQ(surface.stride, 64);
    EXPECT_EQ(surface.bitsPerPixel, 32);
    EXPECT_EQ(surface.pixels, nullptr);

    ASSERT_NE(FrameSurfaceLock(&surface), nullptr);
    FrameSurfaceFill(&surface, 0, 0, 63, 31, 0);
    FrameSurfaceUnlock(&surface);

    void* dcPlace = nullptr;
    void* bitmapPlace = nullptr;
    HDC dc = static_cast<HDC>(FrameSurfaceGetDC(&dcPlace, &bitmapPlace, &surface));
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(dcPlace, dc);
    EXPECT_EQ(bitmapPlace, surface.bitmap);
    // A red bar across the top rows and one green pixel low on the left.
    HBRUSH red = CreateSolidBrush(RGB(230, 20, 10));
    RECT bar = {4, 2, 40, 5};
    FillRect(dc, &bar, red);
    DeleteObject(red);
    SetPixel(dc, 3, 28, RGB(0, 200, 0));
    FrameSurfaceReleaseDC(&dcPlace, &surface);
    EXPECT_EQ(dcPlace, nullptr);

    uint32_t* pixels = FrameSurfaceLock(&surface);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(pixels[2 * 64 + 4] & 0xFFFFFF, Bgrx(10, 20, 230));
    EXPECT_EQ(pixels[4 * 64 + 39] & 0xFFFFFF, Bgrx(10, 20, 230));
    EXPECT_EQ(pixels[5 * 64 + 4] & 0xFFFFFF, 0u);
    EXPECT_EQ(pixels[2 * 64 + 40] & 0xFFFFFF, 0u);
    EXPECT_EQ(pixels[28 * 64 + 3] & 0xFFFFFF, Bgrx(0, 200, 0));
    EXPECT_EQ(pixels[(31 - 28) * 64 + 3] & 0xFFFFFF, 0u);
    FrameSurfaceUnlock(&surface);
    EXPECT_EQ(FrameSurfaceDestroy(&surface), 1);
    EXPECT_EQ(surface.bitmap, nullptr);
    EXPECT_EQ(surface.dc, nullptr);
}

TEST(FrameSurfaceWin, PixelsWrittenDirectlyAreWhatGdiCopiesOut) {
    FrameSurface surface, other;
    ASSERT_NE(FrameSurfaceCreate(24, 20, &surface), nullptr);
    ASSERT_NE(FrameSurfaceCreate(24, 20, &other), nullptr);
    FrameSurfaceLock(&surface);
    DrawLetterF(&surface, 4, 3, 3);
    FrameSurfaceUnlock(&surface);
    FrameSurfaceLock(&other);
    FrameSurfaceFill(&other, 0, 0, 23, 19, 0);
    FrameSurfaceUnlock(&other);

    void* from = nullptr;
    void* to = nullptr;
    FrameSurfaceGetDC(&from, nullptr, &surface);
    FrameSurfaceGetDC(&to, nullptr, &other);
    BitBlt(static_cast<HDC>(to), 0, 0, 24, 20, static_cast<HDC>(from), 0, 0, SRCCOPY);
    FrameSurfaceReleaseDC(&to, &other);
    FrameSurfaceReleaseDC(&from, &surface);

    FrameSurfaceLock(&surface);
    FrameSurfaceLock(&other);
    std::vector<uint32_t> a = PictureOf(&surface), b = PictureOf(&other);
    for (auto& p : a) p &= 0xFFFFFF;
    for (auto& p : b) p &= 0xFFFFFF;
    EXPECT_EQ(a, b);
    FrameSurfaceDestroy(&surface);
    FrameSurfaceDestroy(&other);
}

TEST(FrameSurfaceWin, OversizedRequestIsLimitedToTheLargestSide) {
    FrameSurface surface;
    ASSERT_NE(FrameSurfaceCreate(100, FRAME_SURFACE_MAX_SIDE + 808, &surface), nullptr);
    EXPECT_EQ(surface.width, 100);
    EXPECT_EQ(surface.height, static_cast<int32_t>(FRAME_SURFACE_MAX_SIDE));
    EXPECT_EQ(surface.requestedHeight, FRAME_SURFACE_MAX_SIDE);
    FrameSurfaceDestroy(&surface);
}

}  // namespace
