#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "frame_surface.h"
#include "test_pictures.h"

namespace {

struct Surface {
    FrameSurface s;
    Surface(uint32_t w, uint32_t h) { EXPECT_NE(FrameSurfaceCreate(w, h, &s), nullptr); }
    ~Surface() { FrameSurfaceDestroy(&s); }
};

TEST(FrameSurface, CreationLimitsSidesAndDescribesTheBitmap) {
    Surface wide(FRAME_SURFACE_MAX_SIDE + 808, 100);
    EXPECT_EQ(wide.s.width, static_cast<int32_t>(FRAME_SURFACE_MAX_SIDE));
    EXPECT_EQ(wide.s.height, 100);
    EXPECT_EQ(wide.s.requestedWidth, FRAME_SURFACE_MAX_SIDE);
    EXPECT_EQ(wide.s.stride, wide.s.width);
    EXPECT_EQ(wide.s.bitsPerPixel, 32);
    EXPECT_EQ(wide.s.pixels, nullptr);
    EXPECT_NE(FrameSurfaceLock(&wide.s), nullptr);
    FrameSurfaceUnlock(&wide.s);
    EXPECT_EQ(wide.s.pixels, nullptr);
}

TEST(FrameSurface, CreationRefusesWhatHasNoPixels) {
    FrameSurface s;
    EXPECT_EQ(FrameSurfaceCreate(10, 10, nullptr), nullptr);
    EXPECT_EQ(FrameSurfaceCreate(0, 10, &s), nullptr);
    EXPECT_EQ(FrameSurfaceCreate(10, 0, &s), nullptr);
    EXPECT_EQ(FrameSurfaceLock(nullptr), nullptr);
}

TEST(FrameSurface, FillClipsAndOrdersCorners) {
    Surface a(4, 4);
    FrameSurfaceLock(&a.s);
    FrameSurfaceFill(&a.s, 0, 0, 3, 3, 0);
    EXPECT_EQ(FrameSurfaceFill(&a.s, -5, -5, 10, 10, 7), 1);
    for (uint32_t p : PictureOf(&a.s)) EXPECT_EQ(p, 7u);
    EXPECT_EQ(FrameSurfaceFill(&a.s, 5, 5, 10, 10, 9), 0);
    for (uint32_t p : PictureOf(&a.s)) EXPECT_EQ(p, 7u);

    Surface b(12, 12), c(12, 12);
    FrameSurfaceLock(&b.s);
    FrameSurfaceLock(&c.s);
    FrameSurfaceFill(&b.s, 0, 0, 11, 11, 0);
    FrameSurfaceFill(&c.s, 0, 0, 11, 11, 0);
    FrameSurfaceFill(&b.s, 10, 10, 0, 0, 5);
    FrameSurfaceFill(&c.s, 0, 0, 10, 10, 5);
    EXPECT_EQ(PictureOf(&b.s), PictureOf(&c.s));
    EXPECT_EQ(PictureOf(&b.s)[11], 0u);
}

// One row of a surface, as source columns: pixel x holds the value x.
static void NumberColumns(FrameSurface* s) {
    FrameSurfaceLock(s);
    for (int32_t y = 0; y < s->height; y++)
        for (int32_t x = 0; x < s->width; x++) s->pixels[y * s->stride + x] = x;
    FrameSurfaceUnlock(s);
}

TEST(FrameSurface, CopyScalesByNearestPixelAsTheStepSays) {
    Surface narrow(4, 1), wide(8, 1);
    NumberColumns(&narrow.s);
    ASSERT_EQ(FrameSurfaceCopyRect(&wide.s, 0, 0, 7, 0, &narrow.s, 0, 0, 3, 0), 1);
    FrameSurfaceLock(&wide.s);
    EXPECT_EQ(PictureOf(&wide.s), (std::vector<uint32_t>{0, 0, 0, 1, 1, 2, 2, 2}));
    FrameSurfaceUnlock(&wide.s);

    NumberColumns(&wide.s);
    ASSERT_EQ(FrameSurfaceCopyRect(&narrow.s, 0, 0, 3, 0, &wide.s, 0, 0, 7, 0), 1);
    FrameSurfaceLock(&narrow.s);
    EXPECT_EQ(PictureOf(&narrow.s), (std::vector<uint32_t>{0, 2, 4, 6}));
    FrameSurfaceUnlock(&narrow.s);
}

TEST(FrameSurface, WholeCopyMakesSurfacesEqualFourthBytesIncluded) {
    Surface from(33, 17), to(33, 17);
    FrameSurfaceLock(&from.s);
    DrawLetterF(&from.s, 3, 2, 3);
    from.s.pixels[5] |= 0xAB000000u;
    FrameSurfaceUnlock(&from.s);
    FrameSurfaceLock(&to.s);
    FrameSurfaceFill(&to.s, 0, 0, 32, 16, 0);
    FrameSurfaceUnlock(&to.s);
    ASSERT_EQ(FrameSurfaceCopyRect(&to.s, 0, 0, 32, 16, &from.s, 0, 0, 32, 16), 1);
    FrameSurfaceLock(&from.s);
    FrameSurfaceLock(&to.s);
    EXPECT_EQ(PictureOf(&to.s), PictureOf(&from.s));
}

TEST(FrameSurface, CopyRefusesInvertedRectanglesAndStaysInsideBothSurfaces) {
    Surface a(8, 8), b(8, 8);
    FrameSurfaceLock(&b.s);
    FrameSurfaceFill(&b.s, 0, 0, 7, 7, 3);
    FrameSurfaceUnlock(&b.s);
    EXPECT_EQ(FrameSurfaceCopyRect(&b.s, 5, 0, 4, 7, &a.s, 0, 0, 7, 7), 0);
    EXPECT_EQ(FrameSurfaceCopyRect(&b.s, 0, 0, 7, 7, &a.s, 0, 0, 0, 7), 0);  // zero step
    FrameSurfaceLock(&b.s);
    for (uint32_t p : PictureOf(&b.s)) EXPECT_EQ(p, 3u);
    FrameSurfaceUnlock(&b.s);
    // Rectangles far outside either surface: clipped, never a stray write.
    NumberColumns(&a.s);
    EXPECT_EQ(FrameSurfaceCopyRect(&b.s, -100, -50, 300, 400, &a.s, -7, -3, 20, 30), 1);
    EXPECT_EQ(FrameSurfaceCopyRect(&b.s, 6, 6, 1000, 1000, &a.s, 0, 0, 7, 7), 1);
    EXPECT_EQ(FrameSurfaceCopyRect(&b.s, 0, 0, 7, 7, &a.s, 100000, 0, 200000, 7), 1);
}

// Rectangles that span the whole 32-bit range: only the rows inside the
// destination are walked, and each maps to the source row that its place in
// the rectangle says, without the row arithmetic overflowing.
TEST(FrameSurface, CopyOverTheWhole32BitRangeWalksOnlyTheRowsInside) {
    Surface from(5, 6), to(5, 6);
    FrameSurfaceLock(&from.s);
    for (int32_t y = 0; y < 6; y++)
        for (int32_t x = 0; x < 5; x++) from.s.pixels[y * from.s.stride + x] = 16 * y + x;
    std::vector<uint32_t> picture = PictureOf(&from.s);
    FrameSurfaceUnlock(&from.s);

    // Equal spans on both sides: an exact copy of every row.
    ASSERT_EQ(FrameSurfaceCopyRect(&to.s, 0, INT32_MIN, 4, INT32_MAX, &from.s, 0, INT32_MIN, 4,
                                   INT32_MAX),
              1);
    FrameSurfaceLock(&to.s);
    EXPECT_EQ(PictureOf(&to.s), picture);
    FrameSurfaceUnlock(&to.s);

    // Six source rows stretched over 2^32 destination rows: the visible
    // rows lie just past the middle, where source row 3 is shown.
    ASSERT_EQ(FrameSurfaceCopyRect(&to.s, 0, INT32_MIN, 4, INT32_MAX, &from.s, 0, 0, 4, 5), 1);
    FrameSurfaceLock(&to.s);
    for (int32_t y = 0; y < 6; y++)
        for (int32_t x = 0; x < 5; x++)
            EXPECT_EQ(to.s.pixels[y * to.s.stride + x], 16u * 3 + x) << x << ", " << y;
    FrameSurfaceUnlock(&to.s);
}

}  // namespace
