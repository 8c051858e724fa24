// Rectangles of the screen a recording reads. Sums are taken in 64 bits and
// kept inside 32: coordinates come from the system and from the user's drag.
#include "capture_area.h"

#include "engine.h"

#include <cstdio>

static int32_t Clamp(int64_t value, int64_t low, int64_t high) {
    if (value < low) value = low;
    if (value > high) value = high;
    return static_cast<int32_t>(value);
}

static int64_t Right(ScreenArea a) {
    return static_cast<int64_t>(a.x) + (a.width > 0 ? a.width : 0);
}

static int64_t Bottom(ScreenArea a) {
    return static_cast<int64_t>(a.y) + (a.height > 0 ? a.height : 0);
}

static ScreenArea Span(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    ScreenArea area = {Clamp(left, INT32_MIN, INT32_MAX), Clamp(top, INT32_MIN, INT32_MAX), 0, 0};
    if (right > left && bottom > top) {
        area.width = Clamp(right - left, 0, INT32_MAX);
        area.height = Clamp(bottom - top, 0, INT32_MAX);
    }
    return area;
}

ScreenArea ScreenAreaIntersect(ScreenArea a, ScreenArea b) {
    int64_t left = a.x > b.x ? a.x : b.x;
    int64_t top = a.y > b.y ? a.y : b.y;
    int64_t right = Right(a) < Right(b) ? Right(a) : Right(b);
    int64_t bottom = Bottom(a) < Bottom(b) ? Bottom(a) : Bottom(b);
    return Span(left, top, right, bottom);
}

int ScreenAreaContains(ScreenArea area, int32_t x, int32_t y) {
    return x >= area.x && x < Right(area) && y >= area.y && y < Bottom(area);
}

size_t CapturePieces(ScreenArea grab, int32_t surfaceWidth, int32_t surfaceHeight,
                     const ScreenArea* monitors, size_t monitorCount, CapturePiece* pieces,
                     size_t capacity, int* blackFirst) {
    ScreenArea kept = grab;
    if (kept.width > surfaceWidth) kept.width = surfaceWidth > 0 ? surfaceWidth : 0;
    if (kept.height > surfaceHeight) kept.height = surfaceHeight > 0 ? surfaceHeight : 0;
    *blackFirst = 1;
    size_t count = 0;
    for (size_t i = 0; i < monitorCount && count < capacity; i++) {
        ScreenArea common = ScreenAreaIntersect(kept, monitors[i]);
        if (common.width == 0) continue;
        if (common.width == kept.width && common.height == kept.height) *blackFirst = 0;
        CapturePiece piece = {common.x, common.y, common.x - kept.x, common.y - kept.y,
                              common.width, common.height};
        pieces[count++] = piece;
    }
    if (*blackFirst == 0) {
        // One monitor holds it all: one copy is enough.
        for (size_t i = 0; i < count; i++) {
            if (pieces[i].width == kept.width && pieces[i].height == kept.height) {
                pieces[0] = pieces[i];
                return 1;
            }
        }
    }
    return count;
}

ScreenArea CaptureFollowWindow(ScreenArea frame, int32_t offsetX, int32_t offsetY,
                               int32_t width, int32_t height) {
    ScreenArea grab = {Clamp(static_cast<int64_t>(frame.x) + offsetX, INT32_MIN, INT32_MAX),
                       Clamp(static_cast<int64_t>(frame.y) + offsetY, INT32_MIN, INT32_MAX),
                       width, height};
    return grab;
}

void CaptureCursorOrigin(ScreenArea grab, int32_t cursorX, int32_t cursorY, int32_t hotSpotX,
                         int32_t hotSpotY, int32_t* x, int32_t* y) {
    *x = Clamp(static_cast<int64_t>(cursorX) - hotSpotX - grab.x, INT32_MIN, INT32_MAX);
    *y = Clamp(static_cast<int64_t>(cursorY) - hotSpotY - grab.y, INT32_MIN, INT32_MAX);
}

// How far (x, y) lies from area, squared; 0 inside.
static int64_t DistanceSquared(ScreenArea area, int32_t x, int32_t y) {
    int64_t dx = 0;
    int64_t dy = 0;
    if (x < area.x) dx = static_cast<int64_t>(area.x) - x;
    if (x >= Right(area)) dx = x - Right(area) + 1;
    if (y < area.y) dy = static_cast<int64_t>(area.y) - y;
    if (y >= Bottom(area)) dy = y - Bottom(area) + 1;
    return dx * dx + dy * dy;
}

int CaptureMonitorAt(const ScreenArea* monitors, size_t count, int32_t x, int32_t y) {
    int best = -1;
    int64_t bestDistance = 0;
    for (size_t i = 0; i < count; i++) {
        int64_t distance = DistanceSquared(monitors[i], x, y);
        if (best < 0 || distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

ScreenArea CaptureAreaFromDrag(int32_t x0, int32_t y0, int32_t x1, int32_t y1, ScreenArea bounds) {
    int64_t left = x0 < x1 ? x0 : x1;
    int64_t top = y0 < y1 ? y0 : y1;
    int64_t right = (x0 < x1 ? x1 : x0) + static_cast<int64_t>(1);
    int64_t bottom = (y0 < y1 ? y1 : y0) + static_cast<int64_t>(1);
    return ScreenAreaIntersect(Span(left, top, right, bottom), bounds);
}

ScreenArea CaptureAreaNudge(ScreenArea area, int32_t dx, int32_t dy, int resize, ScreenArea bounds) {
    if (bounds.width <= 0 || bounds.height <= 0) return area;
    ScreenArea moved = ScreenAreaIntersect(area, bounds);
    if (moved.width == 0) return area;
    if (resize) {
        moved.width = Clamp(static_cast<int64_t>(moved.width) + dx, 1, Right(bounds) - moved.x);
        moved.height = Clamp(static_cast<int64_t>(moved.height) + dy, 1, Bottom(bounds) - moved.y);
    } else {
        moved.x = Clamp(static_cast<int64_t>(moved.x) + dx, bounds.x, Right(bounds) - moved.width);
        moved.y = Clamp(static_cast<int64_t>(moved.y) + dy, bounds.y, Bottom(bounds) - moved.height);
    }
    return moved;
}

void CaptureAreaFrame(ScreenArea area, int32_t thickness, ScreenArea strips[4]) {
    int64_t left = area.x;
    int64_t top = area.y;
    int64_t right = Right(area);
    int64_t bottom = Bottom(area);
    strips[0] = Span(left - thickness, top - thickness, right + thickness, top);
    strips[1] = Span(left - thickness, bottom, right + thickness, bottom + thickness);
    strips[2] = Span(left - thickness, top, left, bottom);
    strips[3] = Span(right, top, right + thickness, bottom);
}

void CaptureLabelOrigin(ScreenArea area, int32_t labelWidth, int32_t labelHeight,
                        ScreenArea bounds, int32_t* x, int32_t* y) {
    const int64_t gap = 4;
    int64_t right = Right(bounds) - labelWidth;
    int64_t bottom = Bottom(bounds) - labelHeight;
    int64_t wantX = Right(area) - labelWidth;
    int64_t wantY = Bottom(area) + gap;
    // No room below: just above the area's top, or inside it as the last resort.
    if (wantY > bottom) wantY = static_cast<int64_t>(area.y) - gap - labelHeight;
    if (wantY < bounds.y) wantY = Bottom(area) - gap - labelHeight;
    *x = Clamp(wantX, bounds.x, right > bounds.x ? right : bounds.x);
    *y = Clamp(wantY, bounds.y, bottom > bounds.y ? bottom : bounds.y);
}

size_t CaptureDescribe(char* text, size_t capacity, int monitorNumber, ScreenArea area) {
    if (!text || capacity == 0) return 0;
    int written;
    if (monitorNumber > 0)
        written = snprintf(text, capacity, "Monitor %d: %ld x %ld at (%ld, %ld)", monitorNumber,
                           static_cast<long>(area.width), static_cast<long>(area.height),
                           static_cast<long>(area.x), static_cast<long>(area.y));
    else
        written = snprintf(text, capacity, "Area: %ld x %ld at (%ld, %ld)",
                           static_cast<long>(area.width), static_cast<long>(area.height),
                           static_cast<long>(area.x), static_cast<long>(area.y));
    if (written < 0) {
        text[0] = 0;
        return 0;
    }
    size_t length = static_cast<size_t>(written);
    return length < capacity ? length : capacity - 1;
}

int CaptureRectRecordable(const CaptureRect* rect) {
    int64_t width = static_cast<int64_t>(rect->right) - rect->left + 1;
    int64_t height = static_cast<int64_t>(rect->bottom) - rect->top + 1;
    return width >= SMALLEST_RECORDED_SIDE && height >= SMALLEST_RECORDED_SIDE &&
           width <= LARGEST_RECORDED_SIDE && height <= LARGEST_RECORDED_SIDE;
}
